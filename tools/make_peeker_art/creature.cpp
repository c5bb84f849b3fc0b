#include "creature.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "art_colours.h"
#include "palette_canvas.h"

namespace {

using Resolve = PaletteCanvas::Resolve;

// A run of palette entries from shadow to highlight.
using Ramp = std::vector<uint8_t>;

struct CreaturePalette {
  std::vector<Rgb> colours;
  uint8_t key = 0;
  uint8_t outline = 0;
  Ramp body, glow, eyeWhite, iris, cheek, tongue;
  uint8_t pupil = 0;
  uint8_t mouth = 0;
  uint8_t shine = 0;

  uint8_t Add(Rgb colour) {
    colours.push_back(colour);
    return static_cast<uint8_t>(colours.size() - 1);
  }
  Ramp AddRamp(std::initializer_list<Rgb> shades) {
    Ramp ramp;
    for (Rgb shade : shades) ramp.push_back(Add(shade));
    return ramp;
  }
};

CreaturePalette FramePalette() {
  CreaturePalette p;
  p.key = p.Add(kKeyGreen);
  p.outline = p.Add({46, 31, 66});
  p.body = p.AddRamp({{98, 76, 170}, {120, 98, 198}, {142, 122, 222}, {167, 150, 238}, {198, 186, 250}});
  p.glow = p.AddRamp({{240, 160, 40}, {255, 203, 64}, {255, 232, 140}, {255, 250, 222}});
  p.eyeWhite = p.AddRamp({{212, 204, 238}, {255, 255, 255}});
  p.shine = p.eyeWhite.back();
  p.iris = p.AddRamp({{36, 78, 160}, {52, 118, 212}, {96, 170, 242}});
  p.pupil = p.Add({26, 20, 48});
  p.cheek = p.AddRamp({{240, 140, 182}, {255, 178, 206}});
  p.mouth = p.Add({112, 30, 60});
  p.tongue = p.AddRamp({{232, 96, 126}, {255, 146, 170}});
  // Outline-tinted copies of every colour, so anti-aliased edges have somewhere
  // to land between a fill and its dark line.
  size_t solid = p.colours.size();
  for (size_t i = 0; i < solid; ++i) {
    if (i == p.key || i == p.outline) continue;
    for (double amount : {1.0 / 3, 2.0 / 3}) p.Add(Mix(p.colours[i], p.colours[p.outline], amount));
  }
  return p;
}

// The icon has sixteen entries and no room for in-betweens; entry 0 is the
// black that the AND mask turns transparent.
CreaturePalette IconPalette() {
  CreaturePalette p;
  p.key = p.Add({0, 0, 0});
  p.outline = p.Add({46, 31, 66});
  p.body = p.AddRamp({{98, 76, 170}, {142, 122, 222}, {198, 186, 250}});
  p.glow = p.AddRamp({{240, 160, 40}, {255, 203, 64}, {255, 250, 222}});
  p.eyeWhite = p.AddRamp({{255, 255, 255}});
  p.shine = p.eyeWhite.back();
  p.iris = p.AddRamp({{52, 118, 212}, {110, 180, 246}});
  p.pupil = p.Add({26, 20, 48});
  p.cheek = p.AddRamp({{255, 160, 196}});
  p.mouth = p.Add({112, 30, 60});
  p.tongue = p.AddRamp({{240, 110, 140}});
  while (p.colours.size() < 16) p.Add({0, 0, 0});
  return p;
}

// Lambert light on an ellipsoid bulging towards the viewer, lit from the upper left.
double Lighting(Point p, Point centre, double rx, double ry) {
  double nx = (p.x - centre.x) / rx;
  double ny = (p.y - centre.y) / ry;
  double nz = std::sqrt(std::max(0.0, 1 - nx * nx - ny * ny));
  double length = std::hypot(nx, ny, nz);
  if (length == 0) return 1;
  const double lx = -0.48, ly = -0.62, lz = 0.62;
  return (nx * lx + ny * ly + nz * lz) / length;
}

// Cel shading: flat bands read as soft at this size and keep the runs long. The
// five-shade body gets four steps; shorter ramps three, any further entry being
// left for glints.
uint8_t Band(const Ramp& ramp, double light) {
  static const std::vector<double> kBodySteps = {0.05, 0.38, 0.68, 0.9};
  static const std::vector<double> kShortSteps = {0.2, 0.8};
  const std::vector<double>& steps = ramp.size() >= 5 ? kBodySteps : kShortSteps;
  size_t band = 0;
  while (band < steps.size() && light >= steps[band]) ++band;
  return ramp[std::min(band, ramp.size() - 1)];
}

struct Ellipse {
  Point centre;
  double rx;
  double ry;
  double Distance(Point p) const { return EllipseDistance(p, centre, rx, ry); }
  double Light(Point p) const { return Lighting(p, centre, rx, ry); }
};

class CreatureArtist {
 public:
  CreatureArtist(PaletteCanvas& canvas, const CreaturePalette& palette, double line)
      : canvas_(canvas), p_(palette), line_(line) {}

  void Antenna(Point base, Point control, Point tip, double stemHalfWidth, double ballRadius) {
    Stroke stem = Stroke::Curve(base, control, tip, stemHalfWidth);
    canvas_.FillOutlined([&](Point q) { return stem.Distance(q); }, p_.body[1], p_.outline, line_ * 0.8);
    Ellipse ball{tip, ballRadius, ballRadius};
    canvas_.FillOutlined([&](Point q) { return ball.Distance(q); },
                         [&](Point q) { return Band(p_.glow, ball.Light(q)); }, p_.outline, line_ * 0.9);
    // The glint that makes the tips glimmer.
    Point glint{tip.x - ballRadius * 0.35, tip.y - ballRadius * 0.35};
    canvas_.Fill([&](Point q) { return CircleDistance(q, glint, ballRadius * 0.28); }, p_.glow.back());
  }

  void Head(const Ellipse& head) {
    head_ = head;
    canvas_.FillOutlined([&](Point q) { return head.Distance(q); }, [&](Point q) { return BodyShade(q); }, p_.outline,
                         line_);
  }

  void Cheek(const Ellipse& cheek) {
    canvas_.Fill([&](Point q) { return cheek.Distance(q); }, p_.cheek.front());
    Point gleamCentre{cheek.centre.x - cheek.rx * 0.25, cheek.centre.y - cheek.ry * 0.25};
    Ellipse gleam{gleamCentre, cheek.rx * 0.45, cheek.ry * 0.4};
    canvas_.Fill([&](Point q) { return gleam.Distance(q); }, p_.cheek.back());
  }

  // `eyelid` 0 to below 1 lowers a body-coloured lid over the eye.
  void OpenEye(const Ellipse& eye, double eyelid) {
    // A soft shadow under the brow, where the eye is set into the head.
    Ellipse lit{{eye.centre.x, eye.centre.y + eye.ry * 0.22}, eye.rx * 1.02, eye.ry * 0.95};
    canvas_.FillOutlined([&](Point q) { return eye.Distance(q); },
                         [&](Point q) { return lit.Distance(q) < 0 ? p_.eyeWhite.back() : p_.eyeWhite.front(); },
                         p_.outline, line_ * 0.85);
    auto insideEye = [&, inner = line_ * 0.85](Point q) { return eye.Distance(q) + inner; };

    Point irisCentre{eye.centre.x, eye.centre.y + eye.ry * 0.12};
    double irisRadius = eye.rx * 0.72;
    Ellipse iris{irisCentre, irisRadius, irisRadius * 1.08};
    canvas_.FillOutlined([&](Point q) { return std::max(iris.Distance(q), insideEye(q)); },
                         [&](Point q) {
                           double depth = (q.y - irisCentre.y) / irisRadius;
                           return depth < -0.15 ? p_.iris[0] : depth < 0.45 ? p_.iris[1] : p_.iris[2];
                         },
                         p_.pupil, line_ * 0.5);
    Ellipse pupil{irisCentre, irisRadius * 0.5, irisRadius * 0.56};
    canvas_.Fill([&](Point q) { return std::max(pupil.Distance(q), insideEye(q)); }, p_.pupil);
    Point bigGlint{irisCentre.x - irisRadius * 0.36, irisCentre.y - irisRadius * 0.4};
    Point smallGlint{irisCentre.x + irisRadius * 0.42, irisCentre.y + irisRadius * 0.42};
    canvas_.Fill([&](Point q) { return std::max(CircleDistance(q, bigGlint, irisRadius * 0.32), insideEye(q)); },
                 p_.shine);
    canvas_.Fill([&](Point q) { return std::max(CircleDistance(q, smallGlint, irisRadius * 0.15), insideEye(q)); },
                 p_.shine);

    if (eyelid <= 0) return;
    // The lid's edge sags a little in the middle, as a real lid does.
    double top = eye.centre.y - eye.ry;
    double edge = top + eyelid * 2 * eye.ry;
    auto lidEdge = [&](double x) {
      double u = (x - eye.centre.x) / eye.rx;
      return edge + eye.ry * 0.18 * (1 - u * u) * std::min(1.0, eyelid * 3);
    };
    canvas_.Fill([&](Point q) { return std::max(q.y - lidEdge(q.x), insideEye(q)); },
                 [&](Point q) { return BodyShade(q); });
    canvas_.Fill([&](Point q) { return std::max(std::abs(q.y - lidEdge(q.x)) - line_ * 0.42, insideEye(q)); },
                 p_.outline);
  }

  // Shut eyes: a curve like a smile, with a lash at the outer corner.
  void ClosedEye(const Ellipse& eye, double outerSide) {
    double y = eye.centre.y + eye.ry * 0.42;
    Stroke lid = Stroke::Curve({eye.centre.x - eye.rx * 0.8, y}, {eye.centre.x, y + eye.ry * 0.6},
                               {eye.centre.x + eye.rx * 0.8, y}, line_ * 0.55);
    canvas_.Fill([&](Point q) { return lid.Distance(q); }, p_.outline);
    Point corner{eye.centre.x + outerSide * eye.rx * 0.8, y};
    Stroke lash({corner, {corner.x + outerSide * eye.rx * 0.28, corner.y - eye.ry * 0.2}}, line_ * 0.45);
    canvas_.Fill([&](Point q) { return lash.Distance(q); }, p_.outline);
  }

  // An open smile: a curved upper lip over a rounded bowl with the tongue in it.
  void Mouth(Point topCentre, double halfWidth, double depth) {
    Ellipse bowl{{topCentre.x, topCentre.y}, halfWidth, depth};
    auto lip = [&](double x) {
      double u = (x - topCentre.x) / halfWidth;
      return topCentre.y - depth * 0.22 * u * u;
    };
    auto shape = [&](Point q) { return std::max(bowl.Distance(q), lip(q.x) - q.y); };
    canvas_.FillOutlined(shape, p_.mouth, p_.outline, line_ * 0.8);
    Ellipse tongue{{topCentre.x, topCentre.y + depth * 0.95}, halfWidth * 0.62, depth * 0.5};
    double tongueTip = tongue.centre.y - tongue.ry * 0.35;
    canvas_.Fill([&](Point q) { return std::max(tongue.Distance(q), shape(q) + line_ * 0.8); },
                 [&](Point q) { return q.y < tongueTip ? p_.tongue.back() : p_.tongue.front(); });
  }

  // A paw hooked over the edge: a rounded back of the hand, four fingertips along
  // the bottom and the creases between them.
  void Paw(Point centre, double halfWidth, double height, double bottom) {
    Ellipse back{centre, halfWidth, height * 0.55};
    double fingerRadius = halfWidth * 0.27;
    std::vector<Stroke> fingers;
    for (int i = 0; i < 4; ++i) {
      double x = centre.x + halfWidth * (-0.66 + 0.44 * i);
      fingers.push_back(Stroke({{x, centre.y}, {x, bottom - fingerRadius}}, fingerRadius));
    }
    auto shape = [&](Point q) {
      double d = back.Distance(q);
      for (const Stroke& f : fingers) d = std::min(d, f.Distance(q));
      return d;
    };
    Ellipse light{{centre.x, centre.y + height * 0.1}, halfWidth * 1.1, height * 0.75};
    canvas_.FillOutlined(shape, [&](Point q) { return Band(p_.body, light.Light(q) + 0.22); }, p_.outline, line_ * 0.9);
    for (int i = 0; i < 3; ++i) {
      double x = centre.x + halfWidth * (-0.44 + 0.44 * i);
      Stroke crease({{x, bottom - fingerRadius * 1.9}, {x, bottom}}, line_ * 0.4);
      canvas_.Fill([&](Point q) { return crease.Distance(q); }, p_.outline);
    }
  }

 private:
  uint8_t BodyShade(Point q) const { return Band(p_.body, head_.Light(q)); }

  PaletteCanvas& canvas_;
  const CreaturePalette& p_;
  double line_;
  Ellipse head_{{0, 0}, 1, 1};
};

// Pixel patterns for the icons, where drawn shapes are too coarse to read.
// Legend: '_' keeps what is there; '.' transparent, '#' outline, 'a' 'b' 'c'
// body shadow to light, 'w' white, 'i' iris, 'j' light iris, 'p' pupil, 'k'
// cheek, 'o' 'y' 'Y' glow dark to light, 'm' mouth, 't' tongue.
const char* const kIconEye[] = {
    "__####__",
    "_#wwww#_",
    "#wiiiiw#",
    "#iwwppi#",
    "#iwpppi#",
    "#ippppi#",
    "#ipppji#",
    "#wijjiw#",
    "_#wwww#_",
    "__####__",
};

const char* const kIconMouth[] = {
    "########",
    "#mmmmmm#",
    "_#mttm#_",
    "__####__",
};

const char* const kSmallIcon[] = {
    "..##........##..",
    ".#Yy#......#Yy#.",
    ".#yo#......#yo#.",
    "..###......###..",
    ".....#....#.....",
    "....########....",
    "..##cccbbbbb##..",
    ".#ccbbbbbbbbba#.",
    ".#cbwpbbbbwpba#.",
    "#cbbppbbbbppbaa#",
    "#cbbppbbbbppbaa#",
    "#bkkbbbbbbbbkka#",
    "#bbbbb#mm#bbbaa#",
    ".#abbbb##bbbaa#.",
    "..#aaabbbbaaa#..",
    "...##########...",
};

// Each pattern pixel becomes a `scale` x `scale` block, its corner at (left, top) x scale.
void Stamp(IndexedImage& image, const CreaturePalette& p, int left, int top, const char* const* rows, int count,
           int scale = 1) {
  for (int y = 0; y < count; ++y) {
    for (int x = 0; rows[y][x]; ++x) {
      uint8_t index;
      switch (rows[y][x]) {
        case '_': continue;
        case '.': index = p.key; break;
        case '#': index = p.outline; break;
        case 'a': index = p.body[0]; break;
        case 'b': index = p.body[1]; break;
        case 'c': index = p.body[2]; break;
        case 'w': index = p.shine; break;
        case 'i': index = p.iris[0]; break;
        case 'j': index = p.iris.back(); break;
        case 'p': index = p.pupil; break;
        case 'k': index = p.cheek[0]; break;
        case 'o': index = p.glow[0]; break;
        case 'y': index = p.glow[1]; break;
        case 'Y': index = p.glow[2]; break;
        case 'm': index = p.mouth; break;
        case 't': index = p.tongue[0]; break;
        default: std::abort();
      }
      for (int v = 0; v < scale; ++v)
        for (int u = 0; u < scale; ++u)
          image.pixels[static_cast<size_t>((top + y) * scale + v) * image.width + (left + x) * scale + u] = index;
    }
  }
}

}  // namespace

IndexedImage DrawPeekingCreature(const CreaturePose& pose) {
  CreaturePalette palette = FramePalette();
  PaletteCanvas canvas(kFrameWidth, kFrameHeight, 4, palette.key);
  CreatureArtist artist(canvas, palette, 2.6);
  const double mid = kFrameWidth / 2.0;

  for (double side : {-1.0, 1.0}) {
    artist.Antenna({mid + side * 22, 26}, {mid + side * 26, 4}, {mid + side * 48, 10}, 2.6, 7.5);
  }
  Ellipse head{{mid, 90}, 86, 74};
  artist.Head(head);
  for (double side : {-1.0, 1.0}) artist.Cheek({{mid + side * 62, 88}, 13, 8});
  for (double side : {-1.0, 1.0}) {
    Ellipse eye{{mid + side * 33, 62}, 22, 26};
    if (pose.eyelid >= 1) {
      artist.ClosedEye(eye, side);
    } else {
      artist.OpenEye(eye, pose.eyelid);
    }
  }
  artist.Mouth({mid, 94}, 15, 14);
  for (double side : {-1.0, 1.0}) artist.Paw({mid + side * 58, 108}, 26, 26, kFrameHeight - 1.5);
  return canvas.Resolved(palette.colours, palette.key, Resolve::kBlend);
}

IndexedImage DrawSmallIcon() {
  CreaturePalette palette = IconPalette();
  IndexedImage image;
  image.width = image.height = 16;
  image.palette = palette.colours;
  image.pixels.assign(16 * 16, palette.key);
  Stamp(image, palette, 0, 0, kSmallIcon, 16);
  return image;
}

IndexedImage DrawLargeIcon(int scale) {
  CreaturePalette palette = IconPalette();
  const double k = scale;
  PaletteCanvas canvas(32 * scale, 32 * scale, 8, palette.key);
  CreatureArtist artist(canvas, palette, 1.6 * k);
  for (double dir : {-1.0, 1.0})
    artist.Antenna({(16 + dir * 5) * k, 9 * k}, {(16 + dir * 6) * k, 3 * k}, {(16 + dir * 11) * k, 4 * k}, 1.0 * k,
                   3.2 * k);
  artist.Head({{16 * k, 19.5 * k}, 15 * k, 12.3 * k});
  for (double dir : {-1.0, 1.0}) artist.Cheek({{(16 + dir * 10.5) * k, 24.5 * k}, 2.6 * k, 1.6 * k});
  IndexedImage image = canvas.Resolved(palette.colours, palette.key, Resolve::kMajority);
  Stamp(image, palette, 6, 12, kIconEye, 10, scale);
  Stamp(image, palette, 18, 12, kIconEye, 10, scale);
  Stamp(image, palette, 12, 23, kIconMouth, 4, scale);
  return image;
}
