#include "display_scale.h"

#include <gtest/gtest.h>

namespace {

// Pixel art scales by the whole number nearest to the display's scale, a half
// rounding up, and only as far as the window still fits.
TEST(DisplayScale, WholeNumbersThatFit) {
  const struct {
    UINT dpi;
    int scale;
  } dpis[] = {{0, 1}, {72, 1}, {96, 1}, {120, 1}, {143, 1}, {144, 2}, {168, 2}, {192, 2}, {239, 2}, {240, 3}, {288, 3}};
  for (const auto& d : dpis) EXPECT_EQ(PixelScale(d.dpi), d.scale) << d.dpi;

  const RECT room = {0, 40, 1024, 768};  // 1024 x 728
  const struct {
    int scale, width, height, frameWidth, frameHeight, fits;
  } fits[] = {
      {3, 300, 200, 16, 60, 3},  {3, 400, 200, 16, 60, 2},  {3, 1000, 200, 16, 60, 1}, {3, 2000, 2000, 16, 60, 1},
      {2, 300, 334, 0, 60, 2},   {2, 300, 335, 0, 60, 1},   {2, 512, 364, 0, 0, 2},    {2, 513, 364, 0, 0, 1},
  };
  for (const auto& f : fits)
    EXPECT_EQ(FittingScale(f.scale, f.width, f.height, f.frameWidth, f.frameHeight, room), f.fits)
        << f.width << " x " << f.height << " at " << f.scale;
}

}  // namespace
