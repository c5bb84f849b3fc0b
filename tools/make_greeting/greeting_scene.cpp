#include "greeting_scene.h"

#include "bubble_font.h"
#include "canvas.h"

namespace {

const float kPi = 3.14159265f;
const int kSamplesPerSide = 4;
const float kHorizon = 175.0f;

const char kGreeting[] = "HAPPY DAY!";

struct Circle {
  float x;
  float y;
  float r;
};

struct Segment {
  float ax;
  float ay;
  float bx;
  float by;
};

Paint Solid(const FloatRgb& colour) { return Paint{colour, 1.0f}; }

void FillCircle(Canvas* canvas, float cx, float cy, float r, const Paint& paint) {
  canvas->Fill(
      CircleBounds(cx, cy, r), [=](float x, float y) { return InCircle(x, y, cx, cy, r); },
      [=](float, float) { return paint; });
}

void FillEllipse(Canvas* canvas, float cx, float cy, float rx, float ry, const Paint& paint) {
  canvas->Fill(
      Bounds{cx - rx - 1, cy - ry - 1, cx + rx + 1, cy + ry + 1},
      [=](float x, float y) { return InEllipse(x, y, cx, cy, rx, ry); }, [=](float, float) { return paint; });
}

// A stroke along the arc of radius `radius` round (cx, cy) from angle a0 to a1
// (radians, y pointing down), drawn as short round-ended pieces.
void StrokeArc(Canvas* canvas, float cx, float cy, float radius, float a0, float a1, float width, const Paint& paint) {
  const int pieces = 10;
  std::vector<Segment> segments;
  for (int i = 0; i < pieces; i++) {
    const float s = a0 + (a1 - a0) * i / pieces;
    const float e = a0 + (a1 - a0) * (i + 1) / pieces;
    segments.push_back(Segment{cx + radius * std::cos(s), cy + radius * std::sin(s), cx + radius * std::cos(e),
                               cy + radius * std::sin(e)});
  }
  const float r = width / 2;
  canvas->Fill(
      CircleBounds(cx, cy, radius + r),
      [&](float x, float y) {
        for (const Segment& s : segments) {
          if (InCapsule(x, y, s.ax, s.ay, s.bx, s.by, r)) return true;
        }
        return false;
      },
      [=](float, float) { return paint; });
}

void DrawSky(Canvas* canvas) {
  const FloatRgb top = Hex(0x4FA0EA);
  const FloatRgb low = Hex(0xC8EAFD);
  canvas->Fill(
      Bounds{0, 0, static_cast<float>(canvas->width()), static_cast<float>(canvas->height())},
      [](float, float) { return true; },
      [=](float, float y) { return Solid(Mix(top, low, std::min(1.0f, y / kHorizon))); });
}

void DrawCloud(Canvas* canvas, float cx, float cy, float scale) {
  const Circle puffs[] = {{-22, 3, 13}, {0, -7, 18}, {19, 0, 14}, {34, 7, 9}, {-35, 8, 9}};
  auto inside = [&](float x, float y, float lift) {
    const float u = (x - cx) / scale;
    const float v = (y - cy) / scale + lift;
    for (const Circle& c : puffs) {
      if (InCircle(u, v, c.x, c.y, c.r)) return true;
    }
    return InCapsule(u, v, -35, 10, 34, 10, 7);
  };
  const Bounds bounds{cx - 46 * scale, cy - 28 * scale, cx + 46 * scale, cy + 22 * scale};
  // A blue-grey underside shows below the white.
  canvas->Fill(
      bounds, [&](float x, float y) { return inside(x, y, 0); }, [](float, float) { return Solid(Hex(0xD2E2F4)); });
  canvas->Fill(
      bounds, [&](float x, float y) { return inside(x, y, 3); }, [](float, float) { return Solid(Hex(0xFFFFFF)); });
}

void DrawSun(Canvas* canvas, float cx, float cy, int frame) {
  const float t = static_cast<float>(frame) / kGreetingFrames;
  // A soft glow, fading out towards its rim.
  const FloatRgb glow = Hex(0xFFF4B0);
  canvas->Fill(
      CircleBounds(cx, cy, 60), [=](float x, float y) { return InCircle(x, y, cx, cy, 60); },
      [=](float x, float y) {
        const float fade = 1 - std::hypot(x - cx, y - cy) / 60;
        return Paint{glow, 0.6f * fade * fade};
      });

  // Twelve rays turn by one ray spacing per loop; alternate rays breathe.
  const int rays = 12;
  for (int k = 0; k < rays; k++) {
    const float angle = 2 * kPi * (k + t) / rays;
    const float spread = 0.16f;
    const float tip = 50 + 3.5f * std::sin(2 * kPi * 2 * t + (k % 2) * kPi);
    std::vector<Point> ray = {
        {cx + 34 * std::cos(angle - spread), cy + 34 * std::sin(angle - spread)},
        {cx + tip * std::cos(angle), cy + tip * std::sin(angle)},
        {cx + 34 * std::cos(angle + spread), cy + 34 * std::sin(angle + spread)},
    };
    const Paint paint = Solid(k % 2 ? Hex(0xFFB020) : Hex(0xFFC83A));
    canvas->Fill(
        PolygonBounds(ray), [&](float x, float y) { return InPolygon(x, y, ray); },
        [=](float, float) { return paint; });
  }

  FillCircle(canvas, cx, cy, 35, Solid(Hex(0xF08C14)));
  const FloatRgb light = Hex(0xFFF07A);
  const FloatRgb deep = Hex(0xFFC21E);
  canvas->Fill(
      CircleBounds(cx, cy, 33), [=](float x, float y) { return InCircle(x, y, cx, cy, 33); },
      [=](float x, float y) {
        const float d = std::hypot(x - (cx - 9), y - (cy - 10)) / 44;
        return Solid(Mix(light, deep, std::min(1.0f, d)));
      });

  // Eyes, shut for one frame in the loop as a blink.
  const FloatRgb brown = Hex(0x5A2D14);
  const bool blink = frame == 11;
  for (int side = -1; side <= 1; side += 2) {
    const float ex = cx + side * 11;
    const float ey = cy - 7;
    if (blink) {
      StrokeArc(canvas, ex, ey + 2.5f, 4.5f, kPi * 1.1f, kPi * 1.9f, 2.6f, Solid(brown));
    } else {
      FillEllipse(canvas, ex, ey, 4, 5.5f, Solid(brown));
      FillCircle(canvas, ex + 1.4f, ey - 2.0f, 1.5f, Solid(Hex(0xFFFFFF)));
    }
    FillEllipse(canvas, cx + side * 20, cy + 6, 6, 3.8f, Paint{Hex(0xFF6E5A), 0.5f});
  }

  // An open smile with a tongue.
  const float mx = cx;
  const float my = cy + 1;
  auto inMouth = [=](float x, float y) { return y >= my + 6 && InCircle(x, y, mx, my, 15); };
  canvas->Fill(CircleBounds(mx, my, 15), inMouth, [&](float, float) { return Solid(brown); });
  canvas->Fill(
      CircleBounds(mx, my, 15),
      [=](float x, float y) { return inMouth(x, y) && InCircle(x, y, mx, my, 12.8f) && y >= my + 7.8f; },
      [](float, float) { return Solid(Hex(0xA8322A)); });
  canvas->Fill(
      CircleBounds(mx, my, 15),
      [=](float x, float y) { return InCircle(x, y, mx, my, 12.8f) && InEllipse(x, y, mx + 1, my + 14, 6.5f, 4.5f); },
      [](float, float) { return Solid(Hex(0xF07878)); });
}

void DrawFlower(Canvas* canvas, float x, float y, const FloatRgb& petals) {
  const Paint stem = Solid(Hex(0x2F7A2A));
  canvas->Fill(
      Bounds{x - 3, y, x + 3, y + 13}, [=](float u, float v) { return InCapsule(u, v, x, y, x, y + 11, 1.1f); },
      [=](float, float) { return stem; });
  for (int i = 0; i < 5; i++) {
    const float a = 2 * kPi * i / 5 - kPi / 2;
    FillCircle(canvas, x + 3.6f * std::cos(a), y + 3.6f * std::sin(a), 3.0f, Solid(petals));
  }
  FillCircle(canvas, x, y, 2.2f, Solid(Hex(0xFFC832)));
}

void DrawHills(Canvas* canvas) {
  auto hill = [&](float cx, float cy, float r, const FloatRgb& top, const FloatRgb& low) {
    canvas->Fill(
        Bounds{0, cy - r - 1, static_cast<float>(canvas->width()), static_cast<float>(canvas->height())},
        [=](float x, float y) { return InCircle(x, y, cx, cy, r); },
        [=](float, float y) { return Solid(Mix(top, low, std::min(1.0f, (y - (cy - r)) / 70))); });
  };
  hill(250, 472, 300, Hex(0x9AD85E), Hex(0x5DB246));
  hill(30, 530, 340, Hex(0x6CC250), Hex(0x3C9A3A));

  const FloatRgb colours[] = {Hex(0xFFFFFF), Hex(0xFF9CC4), Hex(0xC8A0FF), Hex(0xFFFFFF), Hex(0xFF9CC4)};
  const Point spots[] = {{236, 186}, {292, 196}, {338, 210}, {40, 214}, {104, 224}, {170, 229}, {78, 207}};
  for (size_t i = 0; i < sizeof spots / sizeof spots[0]; i++) {
    DrawFlower(canvas, spots[i].x, spots[i].y, colours[i % 5]);
  }
}

void DrawSparkle(Canvas* canvas, float cx, float cy, float size) {
  if (size < 0.5f) return;
  std::vector<Point> star;
  for (int i = 0; i < 8; i++) {
    const float a = kPi * i / 4;
    const float r = i % 2 ? size * 0.28f : size;
    star.push_back(Point{cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  FillCircle(canvas, cx, cy, size * 0.55f, Paint{Hex(0xFFFFE0), 0.35f});
  canvas->Fill(
      PolygonBounds(star), [&](float x, float y) { return InPolygon(x, y, star); },
      [=](float x, float y) {
        const float d = std::hypot(x - cx, y - cy) / size;
        return Solid(Mix(Hex(0xFFFFFF), Hex(0xFFE46E), std::min(1.0f, d * 1.6f)));
      });
}

// The strokes of one glyph: a round dot for every set cell, joined to its
// neighbours; diagonal joins only where no straight path links the two cells,
// so inner corners stay crisp.
std::vector<Segment> GlyphStrokes(const char* const* rows, float left, float top, float cell) {
  std::vector<Segment> strokes;
  for (int r = 0; r < kGlyphRows; r++) {
    for (int c = 0; c < kGlyphColumns; c++) {
      if (!GlyphDot(rows, c, r)) continue;
      const float x = left + (c + 0.5f) * cell;
      const float y = top + (r + 0.5f) * cell;
      strokes.push_back(Segment{x, y, x, y});
      if (GlyphDot(rows, c + 1, r)) strokes.push_back(Segment{x, y, x + cell, y});
      if (GlyphDot(rows, c, r + 1)) strokes.push_back(Segment{x, y, x, y + cell});
      if (GlyphDot(rows, c + 1, r + 1) && !GlyphDot(rows, c + 1, r) && !GlyphDot(rows, c, r + 1)) {
        strokes.push_back(Segment{x, y, x + cell, y + cell});
      }
      if (GlyphDot(rows, c - 1, r + 1) && !GlyphDot(rows, c - 1, r) && !GlyphDot(rows, c, r + 1)) {
        strokes.push_back(Segment{x, y, x - cell, y + cell});
      }
    }
  }
  return strokes;
}

void DrawGreetingText(Canvas* canvas, int frame) {
  const float t = static_cast<float>(frame) / kGreetingFrames;
  const float cell = 5.5f;
  const float advance = 6 * cell;
  const int length = static_cast<int>(sizeof kGreeting - 1);
  const float textWidth = (length - 1) * advance + kGlyphColumns * cell;
  const float left = (kGreetingWidth - textWidth) / 2;
  const float baseTop = 118;
  const float radius = 0.7f * cell;
  const FloatRgb colours[] = {Hex(0xF04848), Hex(0xFF9428), Hex(0xFFD228), Hex(0x50C040), Hex(0x3C96F0), Hex(0xAA64E6)};
  const FloatRgb outline = Hex(0x46286E);
  const FloatRgb shadow = Hex(0x1E2850);

  int colourIndex = 0;
  for (int i = 0; i < length; i++) {
    const char* const* rows = GlyphRows(kGreeting[i]);
    if (rows == nullptr) continue;
    // Each letter hops twice per loop, a little after the one before it.
    const float hop = 9 * std::fabs(std::sin(2 * kPi * t - 0.45f * i));
    const float x = left + i * advance;
    const float top = baseTop - hop;
    const float glyphHeight = kGlyphRows * cell;
    const std::vector<Segment> strokes = GlyphStrokes(rows, x, top, cell);
    auto inside = [&](float px, float py, float r, float dx, float dy) {
      for (const Segment& s : strokes) {
        if (InCapsule(px - dx, py - dy, s.ax, s.ay, s.bx, s.by, r)) return true;
      }
      return false;
    };
    const Bounds bounds{x - 6, top - 6, x + kGlyphColumns * cell + 9, top + glyphHeight + 9 + hop};
    // The shadow stays on the ground line and shrinks as the letter rises.
    const float shadowDrop = 3 + hop;
    canvas->Fill(
        bounds, [&](float px, float py) { return inside(px, py, radius + 1.2f - hop * 0.06f, 2.5f, shadowDrop); },
        [&](float, float) { return Paint{shadow, 0.22f}; });
    canvas->Fill(
        bounds, [&](float px, float py) { return inside(px, py, radius + 1.7f, 0, 0); },
        [&](float, float) { return Solid(outline); });
    const FloatRgb base = colours[colourIndex++ % 6];
    const FloatRgb light = Mix(base, Hex(0xFFFFFF), 0.5f);
    canvas->Fill(
        bounds, [&](float px, float py) { return inside(px, py, radius, 0, 0); },
        [&](float, float py) {
          return Solid(Mix(light, base, std::min(1.0f, std::max(0.0f, (py - top) / glyphHeight))));
        });
    // A shine along the upper left of every stroke.
    canvas->Fill(
        bounds,
        [&](float px, float py) { return inside(px, py, radius * 0.35f, -radius * 0.35f, -radius * 0.35f); },
        [&](float, float) { return Paint{Hex(0xFFFFFF), 0.45f}; });
  }
}

}  // namespace

std::vector<uint32_t> DrawGreetingFrame(int frame) {
  const float t = static_cast<float>(frame) / kGreetingFrames;
  Canvas canvas(kGreetingWidth, kGreetingHeight, kSamplesPerSide);
  DrawSky(&canvas);
  DrawCloud(&canvas, 272, 40 + 2.5f * std::sin(2 * kPi * t), 1.0f);
  DrawCloud(&canvas, 168, 30 + 2.0f * std::sin(2 * kPi * t + 2.1f), 0.6f);
  DrawCloud(&canvas, 330, 88 + 2.0f * std::sin(2 * kPi * t + 4.2f), 0.55f);
  DrawSun(&canvas, 66, 62, frame);
  DrawHills(&canvas);

  // Sparkles come and go at their own moments of the loop.
  const Point sparkles[] = {{128, 22}, {214, 74}, {352, 140}, {12, 104}, {120, 172}, {300, 166}, {226, 14}};
  for (size_t i = 0; i < sizeof sparkles / sizeof sparkles[0]; i++) {
    const float wave = std::sin(2 * kPi * (t + 0.37f * i));
    DrawSparkle(&canvas, sparkles[i].x, sparkles[i].y, wave > 0 ? 9.0f * wave : 0);
  }

  DrawGreetingText(&canvas, frame);
  return canvas.Resolve();
}
