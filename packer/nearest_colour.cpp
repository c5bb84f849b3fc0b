#include "nearest_colour.h"

#include <algorithm>

namespace {

const int kCacheBits = 16;
const uint32_t kNoKey = 0xFFFFFFFFu;

}  // namespace

int ColourDistance2(uint32_t a, uint32_t b) {
  const int dr = static_cast<int>(a >> 16 & 0xFF) - static_cast<int>(b >> 16 & 0xFF);
  const int dg = static_cast<int>(a >> 8 & 0xFF) - static_cast<int>(b >> 8 & 0xFF);
  const int db = static_cast<int>(a & 0xFF) - static_cast<int>(b & 0xFF);
  return dr * dr + dg * dg + db * db;
}

NearestColour::NearestColour(const std::vector<uint32_t>& palette)
    : palette_(palette), cacheKeys_(size_t{1} << kCacheBits, kNoKey), cacheValues_(size_t{1} << kCacheBits, 0) {
  for (size_t i = 0; i < palette_.size(); i++) order_.push_back(static_cast<int>(i));
  std::stable_sort(order_.begin(), order_.end(),
                   [this](int a, int b) { return (palette_[a] >> 8 & 0xFF) < (palette_[b] >> 8 & 0xFF); });
  for (int i : order_) greens_.push_back(static_cast<int>(palette_[i] >> 8 & 0xFF));
}

int NearestColour::Search(int red, int green, int blue) const {
  const uint32_t rgb = static_cast<uint32_t>(red) << 16 | green << 8 | blue;
  const int count = static_cast<int>(order_.size());
  int best = -1, bestDistance = 0;
  auto consider = [&](int at) {
    const int index = order_[at];
    const int distance = ColourDistance2(rgb, palette_[index]);
    if (best < 0 || distance < bestDistance || (distance == bestDistance && index < best)) {
      best = index;
      bestDistance = distance;
    }
  };
  // Walk outwards from the entries of the same green; a side is done once its
  // green alone is further away than the best found.
  int high = static_cast<int>(std::lower_bound(greens_.begin(), greens_.end(), green) - greens_.begin());
  int low = high - 1;
  for (;;) {
    const int highGap = high < count ? greens_[high] - green : 0;
    const int lowGap = low >= 0 ? green - greens_[low] : 0;
    const bool highOpen = high < count && (best < 0 || highGap * highGap <= bestDistance);
    const bool lowOpen = low >= 0 && (best < 0 || lowGap * lowGap <= bestDistance);
    if (!highOpen && !lowOpen) break;
    if (highOpen) consider(high++);
    if (lowOpen) consider(low--);
  }
  return best;
}

int NearestColour::Find(uint32_t rgb) {
  rgb &= 0xFFFFFF;
  const size_t slot = (rgb * 2654435761u) >> (32 - kCacheBits);
  if (cacheKeys_[slot] != rgb) {
    cacheKeys_[slot] = rgb;
    cacheValues_[slot] = static_cast<uint8_t>(Search(rgb >> 16, rgb >> 8 & 0xFF, rgb & 0xFF));
  }
  return cacheValues_[slot];
}
