// Counts the pixels of each 0xRRGGBB colour over any number of pictures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct ColourCount {
  uint32_t rgb;
  uint64_t count;
};

class ColourHistogram {
 public:
  ColourHistogram();

  // Counts `count` pixels of 0xRRGGBB colours, each `weight` times; runs of one
  // colour cost one look-up.
  void Add(const uint32_t* pixels, size_t count, uint64_t weight = 1);
  void Add(uint32_t rgb, uint64_t count);
  // Takes back `count` of a colour counted before. A colour stays listed even
  // when its count comes back to 0, so take back only part of what was added.
  void Remove(uint32_t rgb, uint64_t count);

  size_t size() const { return used_; }
  // The colours counted, in ascending order of value.
  std::vector<ColourCount> Colours() const;

 private:
  size_t Find(uint32_t rgb) const;
  void Insert(uint32_t rgb, uint64_t count);
  void Grow();

  std::vector<uint32_t> keys_;  // kEmpty where unused
  std::vector<uint64_t> counts_;
  size_t used_ = 0;
};
