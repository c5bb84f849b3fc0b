#include "colour_quantizer.h"

#include <algorithm>

#include "nearest_colour.h"

namespace {

const int kRefinementRounds = 4;

int Channel(uint32_t rgb, int channel) { return rgb >> (16 - 8 * channel) & 0xFF; }

// Population, sums and sums of squares of a run of colours, per channel.
struct Moments {
  double count = 0;
  double sum[3] = {0, 0, 0};
  double squares[3] = {0, 0, 0};

  void Add(const ColourCount& colour) {
    const double n = static_cast<double>(colour.count);
    count += n;
    for (int c = 0; c < 3; c++) {
      const double v = Channel(colour.rgb, c);
      sum[c] += n * v;
      squares[c] += n * v * v;
    }
  }
  double Variance(int c) const { return count > 0 ? squares[c] - sum[c] * sum[c] / count : 0; }
  double Error() const { return Variance(0) + Variance(1) + Variance(2); }
};

Moments Subtract(const Moments& a, const Moments& b) {
  Moments d;
  d.count = a.count - b.count;
  for (int c = 0; c < 3; c++) {
    d.sum[c] = a.sum[c] - b.sum[c];
    d.squares[c] = a.squares[c] - b.squares[c];
  }
  return d;
}

struct Box {
  size_t begin;
  size_t end;
  Moments moments;
};

Box MakeBox(const std::vector<ColourCount>& colours, size_t begin, size_t end) {
  Box box{begin, end, Moments()};
  for (size_t i = begin; i < end; i++) box.moments.Add(colours[i]);
  return box;
}

// Splits the box along its channel of greatest variance, at the cut that leaves
// the least squared error in the two halves.
void SplitBox(std::vector<ColourCount>* colours, const Box& box, Box* first, Box* second) {
  int channel = 0;
  for (int c = 1; c < 3; c++) {
    if (box.moments.Variance(c) > box.moments.Variance(channel)) channel = c;
  }
  std::sort(colours->begin() + box.begin, colours->begin() + box.end,
            [channel](const ColourCount& a, const ColourCount& b) {
              const int ca = Channel(a.rgb, channel), cb = Channel(b.rgb, channel);
              return ca != cb ? ca < cb : a.rgb < b.rgb;
            });
  Moments left;
  size_t cut = box.begin + 1;
  double bestError = -1;
  for (size_t i = box.begin; i + 1 < box.end; i++) {
    left.Add((*colours)[i]);
    // Only between different values of the channel, so equal colours stay together.
    if (Channel((*colours)[i].rgb, channel) == Channel((*colours)[i + 1].rgb, channel)) continue;
    const double error = left.Error() + Subtract(box.moments, left).Error();
    if (bestError < 0 || error < bestError) {
      bestError = error;
      cut = i + 1;
    }
  }
  *first = MakeBox(*colours, box.begin, cut);
  *second = MakeBox(*colours, cut, box.end);
}

uint32_t Mean(const Moments& moments) {
  uint32_t rgb = 0;
  for (int c = 0; c < 3; c++) {
    const double mean = moments.sum[c] / moments.count;
    rgb = rgb << 8 | static_cast<uint32_t>(std::min(255.0, std::max(0.0, mean + 0.5)));
  }
  return rgb;
}

}  // namespace

std::vector<uint32_t> QuantizeColours(std::vector<ColourCount> colours, int maxColours) {
  if (colours.empty()) return {0};
  std::vector<Box> boxes = {MakeBox(colours, 0, colours.size())};
  while (static_cast<int>(boxes.size()) < maxColours) {
    int chosen = -1;
    for (size_t i = 0; i < boxes.size(); i++) {
      if (boxes[i].end - boxes[i].begin < 2) continue;
      if (chosen < 0 || boxes[i].moments.Error() > boxes[chosen].moments.Error()) chosen = static_cast<int>(i);
    }
    if (chosen < 0) break;
    Box first, second;
    SplitBox(&colours, boxes[chosen], &first, &second);
    boxes[chosen] = first;
    boxes.push_back(second);
  }
  std::vector<uint32_t> palette;
  for (const Box& box : boxes) palette.push_back(Mean(box.moments));

  // Each round moves every entry to the mean of the colours nearest it; an
  // entry no colour is nearest keeps its place.
  for (int round = 0; round < kRefinementRounds; round++) {
    NearestColour nearest(palette);
    std::vector<Moments> clusters(palette.size());
    for (const ColourCount& colour : colours) clusters[nearest.Find(colour.rgb)].Add(colour);
    for (size_t i = 0; i < palette.size(); i++) {
      if (clusters[i].count > 0) palette[i] = Mean(clusters[i]);
    }
  }
  std::sort(palette.begin(), palette.end());
  palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
  return palette;
}
