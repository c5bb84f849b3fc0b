// Feeds arbitrary bytes to the packer's --flatten, as a user's file would reach
// it, and holds what it writes to its promise: a GIF the player reads back whole,
// one opaque frame per rendered frame, every one with pixels, all inside the
// logical screen and through the one global table.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "gif_flattener.h"
#include "gif_parser.h"

namespace {

// Large logical screens are legitimate but make single runs slow; the limits
// themselves are checked by the flattener's tests.
const int64_t kMaxFuzzedScreenPixels = int64_t{1} << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= 10 && int64_t{data[6] | data[7] << 8} * (data[8] | data[9] << 8) > kMaxFuzzedScreenPixels) return 0;
  FlattenOptions options;
  options.dither = size > 0 && (data[size - 1] & 1);
  FlattenResult result = FlattenGif(data, size, options);
  if (!result.ok) {
    FUZZ_CHECK(!result.error.empty());
    return 0;
  }
  FUZZ_CHECK(result.frames >= 1 && result.width >= 1 && result.height >= 1);
  FUZZ_CHECK(result.paletteColours >= 1 && result.paletteColours <= 256);
  FUZZ_CHECK(result.exact == (result.sourceColours <= 256));
  FUZZ_CHECK(result.meanError >= 0 && (!result.exact || result.meanError == 0));

  static GifAnimation animation;
  ByteReader reader{result.gif.data(), static_cast<int32_t>(result.gif.size()), 0};
  ParseGif(&animation, &reader);
  FUZZ_CHECK(animation.width == result.width && animation.height == result.height);
  FUZZ_CHECK(animation.frameCount == result.frames);
  for (int32_t i = 0; i < animation.frameCount; i++) {
    const GifFrame* frame = animation.frames[i];
    FUZZ_CHECK(frame->bitmap.pixels != nullptr);
    FUZZ_CHECK(frame->left >= 0 && frame->top >= 0);
    FUZZ_CHECK(frame->left + frame->width <= result.width && frame->top + frame->height <= result.height);
    // The first frame lays the whole canvas.
    if (i == 0) FUZZ_CHECK(frame->width == result.width && frame->height == result.height);
  }
  FreeGifAnimation(&animation);
  return 0;
}
