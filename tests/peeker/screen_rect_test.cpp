#include "screen_rect.h"

#include <gtest/gtest.h>

namespace {

void ExpectRect(const ScreenRect& r, int left, int top, int width, int height, const char* what) {
  EXPECT_EQ(r.left, left) << what;
  EXPECT_EQ(r.top, top) << what;
  EXPECT_EQ(r.width, width) << what;
  EXPECT_EQ(r.height, height) << what;
}

// The painter's view of two successive window positions: the last one is b.
TEST(OverlapRect, FindsTheSharedAreaOfSuccessivePositions) {
  const ScreenRect last = {100, 200, 204, 122};
  ScreenRect out = {-1, -1, -1, -1};

  EXPECT_EQ(OverlapRect(last, last, &out), 1);
  ExpectRect(out, 100, 200, 204, 122, "same place");

  // One motion tick up: everything but the two rows that came into view.
  EXPECT_EQ(OverlapRect({100, 198, 204, 122}, last, &out), 1);
  ExpectRect(out, 100, 200, 204, 120, "moved up by 2");

  EXPECT_EQ(OverlapRect({100, 202, 204, 122}, last, &out), 1);
  ExpectRect(out, 100, 202, 204, 120, "moved down by 2");

  // Extents are closed, so a shared edge counts, with nothing to copy across it.
  EXPECT_EQ(OverlapRect({304, 200, 204, 122}, last, &out), 1);
  ExpectRect(out, 304, 200, 0, 122, "touching on the right");

  EXPECT_EQ(OverlapRect({100, 322, 204, 122}, last, &out), 1);
  ExpectRect(out, 100, 322, 204, 0, "touching below");
}

TEST(OverlapRect, DecidesByTheEdgesOfTheFirstRectangle) {
  const ScreenRect b = {100, 200, 204, 122};
  ScreenRect out = {-1, -1, -1, -1};

  // Apart: out is still written, with b's extent.
  EXPECT_EQ(OverlapRect({600, 500, 204, 122}, b, &out), 0);
  ExpectRect(out, 100, 200, 204, 122, "apart");
  EXPECT_EQ(OverlapRect({305, 200, 204, 122}, b, &out), 0) << "one pixel past the edge";

  // a spans b on both sides: no edge of a lies within b, although they overlap.
  EXPECT_EQ(OverlapRect({50, 200, 400, 122}, b, &out), 0) << "wider on the left and right";
  EXPECT_EQ(OverlapRect({100, 150, 204, 300}, b, &out), 0) << "taller above and below";

  EXPECT_EQ(OverlapRect({120, 220, 50, 40}, b, &out), 1);
  ExpectRect(out, 120, 220, 50, 40, "a inside b");
  EXPECT_EQ(OverlapRect(b, {120, 220, 50, 40}, &out), 0) << "b inside a";

  // Only one edge in each direction inside b: the overlap runs to b's far edges.
  EXPECT_EQ(OverlapRect({250, 300, 204, 122}, b, &out), 1);
  ExpectRect(out, 250, 300, 54, 22, "corner overlap");
}

TEST(ScreenRect, ReadsWindowAndDesktopRectangles) {
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 10, 20, 30, 40, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  ExpectRect(WindowScreenRect(window), 10, 20, 30, 40, "window");
  DestroyWindow(window);

  ExpectRect(DesktopScreenRect(), 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), "desktop");
}

}  // namespace
