// make-greeting OUT.gif: draws the player's sample greeting and writes it as a
// looping GIF89a with one 256-colour global palette, picked over all frames by
// the packer's quantizer. After the first frame, each frame holds only the
// rectangle that changed, since the player lays frames opaquely over the last
// picture.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "colour_histogram.h"
#include "colour_quantizer.h"
#include "gif_encoder.h"
#include "greeting_scene.h"
#include "nearest_colour.h"
#include "whole_file.h"

namespace {

const int kDelay = 10;  // hundredths of a second

struct Rect {
  int left;
  int top;
  int right;  // exclusive
  int bottom;
};

// The smallest rectangle holding every pixel that differs; a 1x1 rectangle at
// the origin when none does, so the frame and its delay are still kept.
Rect ChangedRect(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after, int width, int height) {
  Rect r{width, height, 0, 0};
  for (int y = 0; y < height; y++) {
    for (int x = 0; x < width; x++) {
      const size_t i = static_cast<size_t>(y) * width + x;
      if (before[i] == after[i]) continue;
      r.left = std::min(r.left, x);
      r.top = std::min(r.top, y);
      r.right = std::max(r.right, x + 1);
      r.bottom = std::max(r.bottom, y + 1);
    }
  }
  if (r.right == 0) return Rect{0, 0, 1, 1};
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-greeting OUT.gif\n");
    return 2;
  }
  // Claimed first: drawing takes seconds, and a bad path should not wait for it.
  if (!WriteWholeFile(argv[1], std::string())) {
    std::perror(argv[1]);
    return 1;
  }
  std::vector<std::vector<uint32_t>> pictures;
  ColourHistogram histogram;
  for (int f = 0; f < kGreetingFrames; f++) {
    pictures.push_back(DrawGreetingFrame(f));
    histogram.Add(pictures.back().data(), pictures.back().size());
  }

  const std::vector<uint32_t> colours = QuantizeColours(histogram.Colours(), kGifMaxColours);
  NearestColour nearest(colours);
  std::vector<GifColour> palette;
  for (uint32_t rgb : colours) {
    palette.push_back(GifColour{static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                                static_cast<uint8_t>(rgb)});
  }

  GifEncoder encoder;
  if (!encoder.Begin(kGreetingWidth, kGreetingHeight, palette, 0)) {
    std::fprintf(stderr, "make-greeting: %s\n", encoder.error().c_str());
    return 1;
  }
  std::vector<uint8_t> previous;
  for (int f = 0; f < kGreetingFrames; f++) {
    std::vector<uint8_t> indices;
    for (uint32_t rgb : pictures[f]) indices.push_back(static_cast<uint8_t>(nearest.Find(rgb)));
    const Rect r = f == 0 ? Rect{0, 0, kGreetingWidth, kGreetingHeight}
                          : ChangedRect(previous, indices, kGreetingWidth, kGreetingHeight);
    GifFrameImage image;
    image.left = r.left;
    image.top = r.top;
    image.width = r.right - r.left;
    image.height = r.bottom - r.top;
    image.pixels = indices.data() + static_cast<size_t>(r.top) * kGreetingWidth + r.left;
    image.stride = kGreetingWidth;
    image.delay = kDelay;
    if (!encoder.AddFrame(image)) {
      std::fprintf(stderr, "make-greeting: %s\n", encoder.error().c_str());
      return 1;
    }
    previous = indices;
  }
  encoder.Finish();
  if (!WriteWholeFile(argv[1], encoder.bytes())) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
