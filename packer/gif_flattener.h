// Turns any GIF into one the player shows as a browser shows the original: the
// frames rendered with transparency and disposal, then written through one
// global table as opaque frames that each cover what changed. The work follows
// what the frames change, not their number times the screen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct FlattenOptions {
  // Floyd-Steinberg error diffusion when the colours must be reduced.
  bool dither = false;
  // When positive, the most memory the player may need for the result: its
  // canvas and every frame written (rows padded to 4 bytes, as it stores them)
  // and the stream itself. Flattening stops with an error once the frames
  // written pass it, which also bounds the work.
  int64_t playerMemoryLimit = 0;
  // When positive, the longest delay (hundredths of a second) one frame may
  // carry; a longer one is split over further one-pixel frames that change
  // nothing.
  int32_t longestDelay = 0;
};

struct FlattenResult {
  bool ok = false;
  std::string error;
  std::vector<uint8_t> gif;
  int32_t width = 0;
  int32_t height = 0;
  int32_t frames = 0;
  // Frames written: one per rendered frame, and more where a delay was split.
  int32_t writtenFrames = 0;
  // Distinct colours over all rendered frames, and the size of the palette used.
  int64_t sourceColours = 0;
  int32_t paletteColours = 0;
  bool exact = false;
  // The mean Euclidean RGB distance (0 to 441.7) between each pixel of every
  // rendered frame and the colour written for it; 0 when exact.
  double meanError = 0;
  // The input broke off; the frames before the break were kept.
  bool truncated = false;
};

FlattenResult FlattenGif(const uint8_t* data, size_t size, const FlattenOptions& options);
