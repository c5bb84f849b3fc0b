// A supersampled RGB drawing surface: shapes are filled at several samples per
// pixel and averaged on the way out, which gives smooth edges without any
// anti-aliasing in the shapes themselves. Coordinates are in output pixels.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

struct Rgb {
  float red;
  float green;
  float blue;
};

// A colour with coverage: alpha 1 paints over, less blends.
struct Paint {
  Rgb colour;
  float alpha;
};

Rgb Mix(const Rgb& a, const Rgb& b, float t);
Rgb Hex(uint32_t rgb);

// The area a shape may touch, in output pixels; used only to bound the loops.
struct Bounds {
  float left;
  float top;
  float right;
  float bottom;
};

class Canvas {
 public:
  Canvas(int width, int height, int samplesPerSide);

  int width() const { return width_; }
  int height() const { return height_; }

  // Paints every sample inside `bounds` for which inside(x, y) holds with
  // paint(x, y); x and y are the sample's position in output pixels.
  template <typename Inside, typename PaintAt>
  void Fill(const Bounds& bounds, Inside inside, PaintAt paint) {
    const float s = static_cast<float>(samples_);
    const int x0 = std::max(0, static_cast<int>(std::floor(bounds.left * s)));
    const int y0 = std::max(0, static_cast<int>(std::floor(bounds.top * s)));
    const int x1 = std::min(width_ * samples_, static_cast<int>(std::ceil(bounds.right * s)));
    const int y1 = std::min(height_ * samples_, static_cast<int>(std::ceil(bounds.bottom * s)));
    for (int sy = y0; sy < y1; sy++) {
      const float y = (sy + 0.5f) / s;
      Rgb* row = &samplesRgb_[static_cast<size_t>(sy) * width_ * samples_];
      for (int sx = x0; sx < x1; sx++) {
        const float x = (sx + 0.5f) / s;
        if (!inside(x, y)) continue;
        const Paint p = paint(x, y);
        row[sx] = p.alpha >= 1.0f ? p.colour : Mix(row[sx], p.colour, p.alpha);
      }
    }
  }

  // The picture at output size, each pixel the mean of its samples, as
  // 0xRRGGBB values row by row from the top.
  std::vector<uint32_t> Resolve() const;

 private:
  int width_;
  int height_;
  int samples_;
  std::vector<Rgb> samplesRgb_;
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
