// Finds the palette entry closest to a colour by Euclidean RGB distance, with
// the entries sorted by green so a search looks at few of them, and a small
// cache for the colours a picture repeats.
#pragma once

#include <cstdint>
#include <vector>

class NearestColour {
 public:
  explicit NearestColour(const std::vector<uint32_t>& palette);

  // The index of the entry nearest 0xRRGGBB `rgb`; ties go to the lower index.
  int Find(uint32_t rgb);

 private:
  int Search(int red, int green, int blue) const;

  std::vector<uint32_t> palette_;
  std::vector<int> order_;   // palette indices by ascending green
  std::vector<int> greens_;  // the green of each entry of order_
  std::vector<uint32_t> cacheKeys_;
  std::vector<uint8_t> cacheValues_;
};

// The squared Euclidean distance of two 0xRRGGBB colours.
int ColourDistance2(uint32_t a, uint32_t b);
