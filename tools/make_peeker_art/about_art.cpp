#include "about_art.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "art_colours.h"
#include "bitmap_font.h"

namespace {

const int kTitleWidth = 160;
const int kTitleHeight = 21;
const Rgb kInk{32, 24, 48};

class RgbPicture {
 public:
  RgbPicture(int width, int height) : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height) {}

  Rgb& At(int x, int y) { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  void Blend(int x, int y, Rgb colour, double amount) {
    if (Contains(x, y) && amount > 0) At(x, y) = Mix(At(x, y), colour, amount);
  }
  const std::vector<Rgb>& Pixels() const { return pixels_; }

 private:
  int width_;
  int height_;
  std::vector<Rgb> pixels_;
};

void Fail(const char* what) {
  std::fprintf(stderr, "make-peeker-art: %s\n", what);
  std::exit(1);
}

// Coverage in quarters of the 4x-upscaled mask averaged back down to 2x: soft
// edges without blurring the Scale2x diagonals away.
std::vector<int> HalveCoverage(const TextMask& big, int* width, int* height) {
  *width = (big.width + 1) / 2;
  *height = (big.height + 1) / 2;
  std::vector<int> coverage(static_cast<size_t>(*width) * *height);
  for (int y = 0; y < *height; ++y) {
    for (int x = 0; x < *width; ++x) {
      coverage[static_cast<size_t>(y) * *width + x] =
          big.At(2 * x, 2 * y) + big.At(2 * x + 1, 2 * y) + big.At(2 * x, 2 * y + 1) + big.At(2 * x + 1, 2 * y + 1);
    }
  }
  return coverage;
}

// A four-pointed twinkle whose arms fade with distance from the centre.
void Sparkle(RgbPicture& picture, int cx, int cy, int arm, Rgb colour) {
  picture.Blend(cx, cy, {255, 255, 255}, 1);
  for (int d = 1; d <= arm; ++d) {
    double amount = 1.0 - static_cast<double>(d - 1) / arm;
    picture.Blend(cx - d, cy, colour, amount);
    picture.Blend(cx + d, cy, colour, amount);
    picture.Blend(cx, cy - d, colour, amount);
    picture.Blend(cx, cy + d, colour, amount);
  }
  for (int dx : {-1, 1}) {
    for (int dy : {-1, 1}) picture.Blend(cx + dx, cy + dy, colour, 0.35);
  }
}

}  // namespace

IndexedImage DrawTitle() {
  RgbPicture picture(kTitleWidth, kTitleHeight);
  const Rgb groundTop{52, 38, 96};
  const Rgb groundBottom{24, 17, 48};
  for (int y = 0; y < kTitleHeight; ++y) {
    for (int x = 0; x < kTitleWidth; ++x) picture.At(x, y) = Mix(groundTop, groundBottom, y / (kTitleHeight - 1.0));
  }

  int width = 0, height = 0;
  std::vector<int> coverage = HalveCoverage(Embolden(Scale2x(Scale2x(SetText("GLIMMER", 2)))), &width, &height);
  const int capHeight = 2 * kFontBaseline;
  const int left = (kTitleWidth - width) / 2;
  const int top = (kTitleHeight - capHeight) / 2 - 1;
  if (left < 0 || top < 0) Fail("the title does not fit");

  const Rgb shadow{10, 6, 24};
  const Rgb inkTop{255, 250, 220};
  const Rgb inkBottom{255, 206, 110};
  for (int pass = 0; pass < 2; ++pass) {
    int shift = pass == 0 ? 1 : 0;
    for (int y = 0; y < capHeight; ++y) {
      Rgb ink = pass == 0 ? shadow : Mix(inkTop, inkBottom, y / (capHeight - 1.0));
      for (int x = 0; x < width; ++x) {
        picture.Blend(left + x + shift, top + y + shift, ink, coverage[static_cast<size_t>(y) * width + x] / 4.0);
      }
    }
  }

  const Rgb twinkle{255, 232, 150};
  Sparkle(picture, left - 14, 7, 3, twinkle);
  Sparkle(picture, left - 7, 15, 2, twinkle);
  Sparkle(picture, left + width + 12, 6, 2, twinkle);
  Sparkle(picture, left + width + 7, 14, 3, twinkle);
  return IndexExactColours(kTitleWidth, kTitleHeight, picture.Pixels(), {kKeyGreen});
}

IndexedImage DrawTextLine(const std::string& text, int width, int height) {
  TextMask mask = SetText(text);
  const int left = 1;
  const int top = (height - kFontRows) / 2;
  if (left + mask.width > width || top < 0) Fail("a line of About text does not fit");
  RgbPicture picture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) picture.At(x, y) = mask.At(x - left, y - top) ? kInk : kWhite;
  }
  return IndexExactColours(width, height, picture.Pixels(), {kKeyGreen, kWhite, kInk});
}
