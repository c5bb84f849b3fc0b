#include "palette_quantizer.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace {

struct ColourCount {
  uint32_t rgb;
  uint64_t count;
};

int Channel(uint32_t rgb, int channel) { return rgb >> (16 - 8 * channel) & 0xFF; }

// A run of the sorted colour list that will become one palette entry.
struct Box {
  size_t begin;
  size_t end;
  uint64_t population;
  int widestChannel;
  int range;
};

Box MakeBox(const std::vector<ColourCount>& colours, size_t begin, size_t end) {
  Box box{begin, end, 0, 0, 0};
  int low[3] = {255, 255, 255};
  int high[3] = {0, 0, 0};
  for (size_t i = begin; i < end; i++) {
    box.population += colours[i].count;
    for (int c = 0; c < 3; c++) {
      low[c] = std::min(low[c], Channel(colours[i].rgb, c));
      high[c] = std::max(high[c], Channel(colours[i].rgb, c));
    }
  }
  // Green counts most and blue least for the eye.
  const int weight[3] = {3, 4, 2};
  for (int c = 0; c < 3; c++) {
    const int range = (high[c] - low[c]) * weight[c];
    if (range > box.range) {
      box.range = range;
      box.widestChannel = c;
    }
  }
  return box;
}

}  // namespace

std::vector<uint32_t> MedianCutPalette(const std::vector<std::vector<uint32_t>>& frames, int maxColours) {
  std::map<uint32_t, uint64_t> histogram;
  for (const std::vector<uint32_t>& frame : frames) {
    for (uint32_t rgb : frame) histogram[rgb]++;
  }
  std::vector<ColourCount> colours;
  for (const auto& entry : histogram) colours.push_back(ColourCount{entry.first, entry.second});

  std::vector<Box> boxes = {MakeBox(colours, 0, colours.size())};
  while (static_cast<int>(boxes.size()) < maxColours) {
    // The first half of the cuts go to the most used colours, which keeps large
    // gradients smooth; the rest to the widest boxes, which keeps small details
    // such as eyes and outlines their own colours.
    const bool byPopulation = static_cast<int>(boxes.size()) < maxColours / 2;
    int chosen = -1;
    for (size_t i = 0; i < boxes.size(); i++) {
      if (boxes[i].end - boxes[i].begin < 2) continue;
      if (chosen < 0) {
        chosen = static_cast<int>(i);
        continue;
      }
      const Box& best = boxes[chosen];
      const bool better = byPopulation ? boxes[i].population > best.population : boxes[i].range > best.range;
      if (better) chosen = static_cast<int>(i);
    }
    if (chosen < 0) break;

    const Box box = boxes[chosen];
    const int c = box.widestChannel;
    std::sort(colours.begin() + box.begin, colours.begin() + box.end, [c](const ColourCount& a, const ColourCount& b) {
      const int ca = Channel(a.rgb, c);
      const int cb = Channel(b.rgb, c);
      return ca != cb ? ca < cb : a.rgb < b.rgb;
    });
    // Cut where half the population lies on each side, leaving both non-empty.
    uint64_t seen = 0;
    size_t cut = box.begin + 1;
    for (size_t i = box.begin; i + 1 < box.end; i++) {
      seen += colours[i].count;
      cut = i + 1;
      if (2 * seen >= box.population) break;
    }
    boxes[chosen] = MakeBox(colours, box.begin, cut);
    boxes.push_back(MakeBox(colours, cut, box.end));
  }

  std::vector<uint32_t> palette;
  for (const Box& box : boxes) {
    uint64_t sum[3] = {0, 0, 0};
    for (size_t i = box.begin; i < box.end; i++) {
      for (int c = 0; c < 3; c++) sum[c] += static_cast<uint64_t>(Channel(colours[i].rgb, c)) * colours[i].count;
    }
    uint32_t rgb = 0;
    for (int c = 0; c < 3; c++) {
      rgb = rgb << 8 | static_cast<uint32_t>((sum[c] + box.population / 2) / box.population);
    }
    palette.push_back(rgb);
  }
  // Sorted by brightness, so the table reads sensibly in a palette viewer.
  std::sort(palette.begin(), palette.end(), [](uint32_t a, uint32_t b) {
    const int la = 3 * Channel(a, 0) + 4 * Channel(a, 1) + 2 * Channel(a, 2);
    const int lb = 3 * Channel(b, 0) + 4 * Channel(b, 1) + 2 * Channel(b, 2);
    return la != lb ? la < lb : a < b;
  });
  palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
  return palette;
}

uint8_t PaletteMapper::Nearest(uint32_t rgb) const {
  int best = 0;
  int bestDistance = -1;
  for (size_t i = 0; i < palette_.size(); i++) {
    int distance = 0;
    const int weight[3] = {3, 4, 2};
    for (int c = 0; c < 3; c++) {
      const int d = Channel(rgb, c) - Channel(palette_[i], c);
      distance += weight[c] * d * d;
    }
    if (bestDistance < 0 || distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<int>(i);
    }
  }
  return static_cast<uint8_t>(best);
}

std::vector<uint8_t> PaletteMapper::Map(const std::vector<uint32_t>& pixels) const {
  std::unordered_map<uint32_t, uint8_t> cache;
  std::vector<uint8_t> indices(pixels.size());
  for (size_t i = 0; i < pixels.size(); i++) {
    auto found = cache.find(pixels[i]);
    if (found == cache.end()) found = cache.emplace(pixels[i], Nearest(pixels[i])).first;
    indices[i] = found->second;
  }
  return indices;
}
