#include "colour_histogram.h"

#include <algorithm>

namespace {

// Never a colour: colours use only the low 24 bits.
const uint32_t kEmpty = 0xFFFFFFFFu;
const size_t kInitialSlots = 1024;

size_t Slot(uint32_t rgb, size_t mask) { return static_cast<size_t>((rgb * 2654435761u) ^ (rgb >> 15)) & mask; }

}  // namespace

ColourHistogram::ColourHistogram() : keys_(kInitialSlots, kEmpty), counts_(kInitialSlots, 0) {}

// The colour's slot, or the empty slot where it would go.
size_t ColourHistogram::Find(uint32_t rgb) const {
  const size_t mask = keys_.size() - 1;
  size_t slot = Slot(rgb, mask);
  while (keys_[slot] != kEmpty && keys_[slot] != rgb) slot = (slot + 1) & mask;
  return slot;
}

void ColourHistogram::Insert(uint32_t rgb, uint64_t count) {
  const size_t slot = Find(rgb);
  if (keys_[slot] == kEmpty) {
    keys_[slot] = rgb;
    used_++;
  }
  counts_[slot] += count;
  // Kept at most half full, so probe runs stay short.
  if (2 * used_ > keys_.size()) Grow();
}

void ColourHistogram::Grow() {
  std::vector<uint32_t> keys;
  std::vector<uint64_t> counts;
  keys.swap(keys_);
  counts.swap(counts_);
  keys_.assign(2 * keys.size(), kEmpty);
  counts_.assign(2 * keys.size(), 0);
  used_ = 0;
  for (size_t i = 0; i < keys.size(); i++) {
    if (keys[i] != kEmpty) Insert(keys[i], counts[i]);
  }
}

void ColourHistogram::Add(const uint32_t* pixels, size_t count, uint64_t weight) {
  size_t i = 0;
  while (i < count) {
    size_t run = i + 1;
    while (run < count && pixels[run] == pixels[i]) run++;
    Insert(pixels[i] & 0xFFFFFF, (run - i) * weight);
    i = run;
  }
}

void ColourHistogram::Add(uint32_t rgb, uint64_t count) { Insert(rgb & 0xFFFFFF, count); }

void ColourHistogram::Remove(uint32_t rgb, uint64_t count) {
  const size_t slot = Find(rgb & 0xFFFFFF);
  if (keys_[slot] != kEmpty) counts_[slot] -= count;
}

std::vector<ColourCount> ColourHistogram::Colours() const {
  std::vector<ColourCount> colours;
  colours.reserve(used_);
  for (size_t i = 0; i < keys_.size(); i++) {
    if (keys_[i] != kEmpty) colours.push_back(ColourCount{keys_[i], counts_[i]});
  }
  std::sort(colours.begin(), colours.end(), [](const ColourCount& a, const ColourCount& b) { return a.rgb < b.rgb; });
  return colours;
}
