// A picture drawn at several samples a pixel: shapes laid down sample by sample,
// in painter's order, come out smooth once each pixel is resolved from its
// samples. What a sample holds (a palette index, a colour) and how a pixel is
// resolved belong to the drawing built on it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

template <typename Sample>
class SupersampledCanvas {
 public:
  SupersampledCanvas(int width, int height, int samplesPerSide, Sample background)
      : width_(width),
        height_(height),
        samples_(samplesPerSide),
        grid_(static_cast<size_t>(width) * height * samplesPerSide * samplesPerSide, background) {}

  int width() const { return width_; }
  int height() const { return height_; }
  int samplesPerSide() const { return samples_; }

  // The centre of sample `s` of a row or a column, in output pixels, worked out
  // in the precision (float or double) the drawing's shapes work in.
  template <typename Coordinate>
  Coordinate SampleCentre(int s) const {
    return (s + Coordinate(0.5)) / static_cast<Coordinate>(samples_);
  }

  // Calls visit(sample, sx, sy) for the samples of columns sx0 to sx1 - 1 and
  // rows sy0 to sy1 - 1, counted in samples and clipped to the canvas, a row at
  // a time from the top, so sums over them come out the same on every run.
  template <typename Visit>
  void ForEachSample(int sx0, int sy0, int sx1, int sy1, Visit visit) {
    Walk(*this, sx0, sy0, sx1, sy1, visit);
  }
  template <typename Visit>
  void ForEachSample(int sx0, int sy0, int sx1, int sy1, Visit visit) const {
    Walk(*this, sx0, sy0, sx1, sy1, visit);
  }

  // The same over the samples of pixel (x, y).
  template <typename Visit>
  void ForEachSampleOf(int x, int y, Visit visit) {
    ForEachSample(x * samples_, y * samples_, (x + 1) * samples_, (y + 1) * samples_, visit);
  }
  template <typename Visit>
  void ForEachSampleOf(int x, int y, Visit visit) const {
    ForEachSample(x * samples_, y * samples_, (x + 1) * samples_, (y + 1) * samples_, visit);
  }

 private:
  // One walk for both constnesses: `Canvas` is this class, const or not.
  template <typename Canvas, typename Visit>
  static void Walk(Canvas& canvas, int sx0, int sy0, int sx1, int sy1, Visit visit) {
    const int gridWidth = canvas.width_ * canvas.samples_;
    sx0 = std::max(0, sx0);
    sy0 = std::max(0, sy0);
    sx1 = std::min(gridWidth, sx1);
    sy1 = std::min(canvas.height_ * canvas.samples_, sy1);
    for (int sy = sy0; sy < sy1; sy++) {
      auto* row = &canvas.grid_[static_cast<size_t>(sy) * gridWidth];
      for (int sx = sx0; sx < sx1; sx++) visit(row[sx], sx, sy);
    }
  }

  int width_;
  int height_;
  int samples_;
  std::vector<Sample> grid_;
};
