#include "support/plain_gif.h"

#include <cstdio>
#include <cstdlib>

#include "gif_encoder.h"

namespace {

// 0x00BBGGRR words as a palette of 256 entries, black past the words.
std::vector<GifColour> Palette(const std::vector<uint32_t>& colours) {
  std::vector<GifColour> palette(kGifMaxColours, GifColour{0, 0, 0});
  for (size_t i = 0; i < colours.size() && i < palette.size(); i++) {
    palette[i] = {static_cast<uint8_t>(colours[i]), static_cast<uint8_t>(colours[i] >> 8),
                  static_cast<uint8_t>(colours[i] >> 16)};
  }
  return palette;
}

// A test that asks for a file the encoder refuses is wrong itself.
[[noreturn]] void Refused(const GifEncoder& encoder) {
  std::fprintf(stderr, "PlainGif: the encoder refuses the file: %s\n", encoder.error().c_str());
  std::abort();
}

}  // namespace

std::string PlainGif(int width, int height, const std::vector<uint32_t>& colours,
                     const std::vector<PlainFrame>& frames) {
  GifEncoder encoder;
  const bool begun = colours.empty() ? encoder.BeginWithoutGlobalTable(width, height, -1)
                                     : encoder.Begin(width, height, Palette(colours), -1);
  if (!begun) Refused(encoder);
  for (const PlainFrame& frame : frames) {
    GifFrameImage image;
    image.left = frame.left;
    image.top = frame.top;
    image.width = frame.width;
    image.height = frame.height;
    image.delay = frame.delay;
    image.pixels = frame.indices.data();
    if (!frame.localColours.empty()) image.localPalette = Palette(frame.localColours);
    if (!encoder.AddFrame(image)) Refused(encoder);
  }
  if (!encoder.Finish()) Refused(encoder);
  const std::vector<uint8_t>& bytes = encoder.bytes();
  return std::string(bytes.begin(), bytes.end());
}

PlainFrame PatternFrame(int left, int top, int width, int height, int seed, int delay) {
  PlainFrame frame = SolidFrame(left, top, width, height, 0, delay);
  for (int y = 0; y < height; y++) {
    for (int x = 0; x < width; x++) {
      frame.indices[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(seed + (x / 4 + y / 3) % 7);
    }
  }
  return frame;
}

PlainFrame SolidFrame(int left, int top, int width, int height, uint8_t index, int delay) {
  PlainFrame frame;
  frame.left = left;
  frame.top = top;
  frame.width = width;
  frame.height = height;
  frame.delay = delay;
  frame.indices.assign(static_cast<size_t>(width) * height, index);
  return frame;
}
