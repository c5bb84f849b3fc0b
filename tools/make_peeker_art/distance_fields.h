// Signed distances, in pixels, to the simple shapes the art is built from:
// negative inside, positive outside. Outlines are drawn as the band just inside
// a shape, so the distances only need to be right near the edge.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

struct Point {
  double x;
  double y;
};

inline double CircleDistance(Point p, Point centre, double radius) {
  return std::hypot(p.x - centre.x, p.y - centre.y) - radius;
}

// Not exact away from the edge, but within a fraction of a pixel across the
// outline band for the mildly flattened ellipses used here.
inline double EllipseDistance(Point p, Point centre, double rx, double ry) {
  double x = p.x - centre.x;
  double y = p.y - centre.y;
  double k0 = std::hypot(x / rx, y / ry);
  double k1 = std::hypot(x / (rx * rx), y / (ry * ry));
  if (k1 == 0) return -std::min(rx, ry);
  return k0 * (k0 - 1) / k1;
}

inline double SegmentDistance(Point p, Point a, Point b) {
  double dx = b.x - a.x;
  double dy = b.y - a.y;
  double length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// A round-capped line `halfWidth` pixels either side of a polyline.
class Stroke {
 public:
  Stroke(std::vector<Point> points, double halfWidth) : points_(std::move(points)), halfWidth_(halfWidth) {}

  // A quadratic Bezier curve flattened finely enough that the joins cannot show.
  static Stroke Curve(Point from, Point control, Point to, double halfWidth) {
    const int kSteps = 24;
    std::vector<Point> points;
    for (int i = 0; i <= kSteps; ++i) {
      double t = static_cast<double>(i) / kSteps;
      double u = 1 - t;
      points.push_back({u * u * from.x + 2 * u * t * control.x + t * t * to.x,
                        u * u * from.y + 2 * u * t * control.y + t * t * to.y});
    }
    return Stroke(std::move(points), halfWidth);
  }

  double Distance(Point p) const {
    double best = SegmentDistance(p, points_[0], points_[0]);
    for (size_t i = 1; i < points_.size(); ++i) best = std::min(best, SegmentDistance(p, points_[i - 1], points_[i]));
    return best - halfWidth_;
  }

 private:
  std::vector<Point> points_;
  double halfWidth_;
};
