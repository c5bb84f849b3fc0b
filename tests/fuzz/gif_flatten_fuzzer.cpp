// Feeds arbitrary bytes to the packer's --flatten, as a user's file would reach
// it, and holds what it writes to its promise: a GIF the player reads back whole
// and plays to the end of its loop, one opaque frame per rendered frame (and
// more where a long delay is split), every one with pixels and a delay the
// player's timer takes, all inside the logical screen, through the one global
// table and within the memory allowed. Work that grows with frames times the
// screen shows up as a run past libFuzzer's -timeout.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "gif_flattener.h"
#include "gif_parser.h"
#include "player_limits.h"

namespace {

// Screens of up to 2^22 pixels, a quarter of what the flattener takes: a run
// that passes over such a screen a few times takes about a second here, while
// one pass per frame over a few hundred frames takes minutes.
const int64_t kMaxFuzzedScreenPixels = int64_t{1} << 22;
// The packer allows the player's memory, 1 GiB; 16 MiB, the canvas and three
// frames of the largest screen, keeps each run to a second or two and reaches
// the same refusal.
const int64_t kFuzzMemoryLimit = int64_t{16} << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= 10 && int64_t{data[6] | data[7] << 8} * (data[8] | data[9] << 8) > kMaxFuzzedScreenPixels) return 0;
  FlattenOptions options;
  options.dither = size > 0 && (data[size - 1] & 1);
  options.playerMemoryLimit = kFuzzMemoryLimit;
  options.longestDelay = kLongestFrameDelay;
  FlattenResult result = FlattenGif(data, size, options);
  if (!result.ok) {
    FUZZ_CHECK(!result.error.empty());
    return 0;
  }
  FUZZ_CHECK(result.frames >= 1 && result.width >= 1 && result.height >= 1);
  FUZZ_CHECK(result.writtenFrames >= result.frames);
  FUZZ_CHECK(result.paletteColours >= 1 && result.paletteColours <= 256);
  FUZZ_CHECK(result.exact == (result.sourceColours <= 256));
  FUZZ_CHECK(result.meanError >= 0 && (!result.exact || result.meanError == 0));

  static GifAnimation animation;
  ByteReader reader{result.gif.data(), static_cast<int32_t>(result.gif.size()), 0};
  ParseGif(&animation, &reader);
  FUZZ_CHECK(animation.width == result.width && animation.height == result.height);
  FUZZ_CHECK(animation.frameCount == result.writtenFrames);
  int64_t playerBytes = PlayerBitmapBytes(result.width, result.height) + static_cast<int64_t>(result.gif.size());
  for (int32_t i = 0; i < animation.frameCount; i++) {
    const GifFrame* frame = animation.frames[i];
    FUZZ_CHECK(frame->bitmap.pixels != nullptr);
    FUZZ_CHECK(frame->left >= 0 && frame->top >= 0);
    FUZZ_CHECK(frame->left + frame->width <= result.width && frame->top + frame->height <= result.height);
    FUZZ_CHECK(frame->delay <= kLongestFrameDelay);
    // The first frame lays the whole canvas.
    if (i == 0) FUZZ_CHECK(frame->width == result.width && frame->height == result.height);
    playerBytes += PlayerBitmapBytes(frame->width, frame->height);
  }
  FUZZ_CHECK(playerBytes <= kFuzzMemoryLimit);
  FreeGifAnimation(&animation);
  return 0;
}
