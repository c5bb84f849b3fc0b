// The greeting's drawing surface: colours with coverage, filled at several
// samples per pixel and averaged on the way out, which gives smooth edges
// without any anti-aliasing in the shapes themselves. Coordinates are in output
// pixels.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "supersampled_canvas.h"

// A colour whose channels (0 to 255) keep their fractions, so blends and
// gradients round only once, when a pixel is resolved.
struct FloatRgb {
  float red;
  float green;
  float blue;
};

// A colour with coverage: alpha 1 paints over, less blends.
struct Paint {
  FloatRgb colour;
  float alpha;
};

FloatRgb Mix(const FloatRgb& a, const FloatRgb& b, float t);
FloatRgb Hex(uint32_t rgb);

// The area a shape may touch, in output pixels; used only to bound the loops.
struct Bounds {
  float left;
  float top;
  float right;
  float bottom;
};

class Canvas {
 public:
  Canvas(int width, int height, int samplesPerSide) : samples_(width, height, samplesPerSide, FloatRgb{0, 0, 0}) {}

  int width() const { return samples_.width(); }
  int height() const { return samples_.height(); }

  // Paints every sample inside `bounds` for which inside(x, y) holds with
  // paint(x, y); x and y are the sample's position in output pixels.
  template <typename Inside, typename PaintAt>
  void Fill(const Bounds& bounds, Inside inside, PaintAt paint) {
    const float s = static_cast<float>(samples_.samplesPerSide());
    const int left = static_cast<int>(std::floor(bounds.left * s));
    const int top = static_cast<int>(std::floor(bounds.top * s));
    const int right = static_cast<int>(std::ceil(bounds.right * s));
    const int bottom = static_cast<int>(std::ceil(bounds.bottom * s));
    samples_.ForEachSample(left, top, right, bottom, [&](FloatRgb& sample, int sx, int sy) {
      const float x = samples_.SampleCentre<float>(sx);
      const float y = samples_.SampleCentre<float>(sy);
      if (!inside(x, y)) return;
      const Paint p = paint(x, y);
      sample = p.alpha >= 1.0f ? p.colour : Mix(sample, p.colour, p.alpha);
    });
  }

  // The picture at output size, each pixel the mean of its samples, as
  // 0xRRGGBB values row by row from the top.
  std::vector<uint32_t> Resolve() const;

 private:
  SupersampledCanvas<FloatRgb> samples_;
};

// Shape tests for Canvas::Fill.
inline bool InCircle(float x, float y, float cx, float cy, float r) {
  const float dx = x - cx;
  const float dy = y - cy;
  return dx * dx + dy * dy <= r * r;
}

inline bool InEllipse(float x, float y, float cx, float cy, float rx, float ry) {
  const float dx = (x - cx) / rx;
  const float dy = (y - cy) / ry;
  return dx * dx + dy * dy <= 1.0f;
}

// Within r of the segment from (ax, ay) to (bx, by): a stroke with round ends.
bool InCapsule(float x, float y, float ax, float ay, float bx, float by, float r);

struct Point {
  float x;
  float y;
};

// Even-odd rule over the closed outline.
bool InPolygon(float x, float y, const std::vector<Point>& outline);

Bounds CircleBounds(float cx, float cy, float r);
Bounds PolygonBounds(const std::vector<Point>& outline);
