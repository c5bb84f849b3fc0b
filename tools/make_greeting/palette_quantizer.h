// Picks one palette for a whole animation by median cut over the colours of
// every frame, and maps pixels to it. Deterministic: ties are broken by colour
// value, never by hash order.
#pragma once

#include <cstdint>
#include <vector>

// Up to maxColours colours (0xRRGGBB) that stand for the pixels of all frames.
std::vector<uint32_t> MedianCutPalette(const std::vector<std::vector<uint32_t>>& frames, int maxColours);

// Maps 0xRRGGBB pixels to the nearest palette entries.
class PaletteMapper {
 public:
  explicit PaletteMapper(const std::vector<uint32_t>& palette) : palette_(palette) {}
  std::vector<uint8_t> Map(const std::vector<uint32_t>& pixels) const;

 private:
  uint8_t Nearest(uint32_t rgb) const;
  std::vector<uint32_t> palette_;
};
