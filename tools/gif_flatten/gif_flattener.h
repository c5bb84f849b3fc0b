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
};

struct FlattenResult {
  bool ok = false;
  std::string error;
  std::vector<uint8_t> gif;
  int32_t width = 0;
  int32_t height = 0;
  int32_t frames = 0;
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
