#include "canvas.h"

FloatRgb Mix(const FloatRgb& a, const FloatRgb& b, float t) {
  return FloatRgb{a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t, a.blue + (b.blue - a.blue) * t};
}

FloatRgb Hex(uint32_t rgb) {
  return FloatRgb{static_cast<float>(rgb >> 16 & 0xFF), static_cast<float>(rgb >> 8 & 0xFF),
                  static_cast<float>(rgb & 0xFF)};
}

std::vector<uint32_t> Canvas::Resolve() const {
  std::vector<uint32_t> pixels(static_cast<size_t>(width()) * height());
  const float count = static_cast<float>(samples_.samplesPerSide() * samples_.samplesPerSide());
  for (int y = 0; y < height(); y++) {
    for (int x = 0; x < width(); x++) {
      float r = 0, g = 0, b = 0;
      samples_.ForEachSampleOf(x, y, [&](const FloatRgb& sample, int, int) {
        r += sample.red;
        g += sample.green;
        b += sample.blue;
      });
      auto channel = [&](float sum) {
        const int v = static_cast<int>(sum / count + 0.5f);
        return static_cast<uint32_t>(std::min(255, std::max(0, v)));
      };
      pixels[static_cast<size_t>(y) * width() + x] = channel(r) << 16 | channel(g) << 8 | channel(b);
    }
  }
  return pixels;
}

bool InCapsule(float x, float y, float ax, float ay, float bx, float by, float r) {
  const float dx = bx - ax;
  const float dy = by - ay;
  const float lengthSquared = dx * dx + dy * dy;
  float t = lengthSquared > 0 ? ((x - ax) * dx + (y - ay) * dy) / lengthSquared : 0.0f;
  t = std::min(1.0f, std::max(0.0f, t));
  return InCircle(x, y, ax + t * dx, ay + t * dy, r);
}

bool InPolygon(float x, float y, const std::vector<Point>& outline) {
  bool inside = false;
  for (size_t i = 0, j = outline.size() - 1; i < outline.size(); j = i++) {
    const Point& a = outline[i];
    const Point& b = outline[j];
    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) inside = !inside;
  }
  return inside;
}

Bounds CircleBounds(float cx, float cy, float r) { return Bounds{cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1}; }

Bounds PolygonBounds(const std::vector<Point>& outline) {
  Bounds b{outline[0].x, outline[0].y, outline[0].x, outline[0].y};
  for (const Point& p : outline) {
    b.left = std::min(b.left, p.x);
    b.top = std::min(b.top, p.y);
    b.right = std::max(b.right, p.x);
    b.bottom = std::max(b.bottom, p.y);
  }
  return Bounds{b.left - 1, b.top - 1, b.right + 1, b.bottom + 1};
}
