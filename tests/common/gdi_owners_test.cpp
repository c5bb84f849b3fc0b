#include "gdi_owners.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace {

// A copy would give its handle back a second time, behind the original's back:
// the bitmap owner could once be copied, handle and all, and both copies deleted it.
static_assert(!std::is_copy_constructible_v<GdiBitmap> && !std::is_copy_assignable_v<GdiBitmap>);
static_assert(!std::is_copy_constructible_v<GdiDc> && !std::is_copy_assignable_v<GdiDc>);
static_assert(!std::is_copy_constructible_v<DisplayDc> && !std::is_copy_assignable_v<DisplayDc>);
static_assert(!std::is_copy_constructible_v<MemoryDc> && !std::is_copy_assignable_v<MemoryDc>);
static_assert(!std::is_copy_constructible_v<WindowDc> && !std::is_copy_assignable_v<WindowDc>);
static_assert(!std::is_copy_constructible_v<PaintDc> && !std::is_copy_assignable_v<PaintDc>);
static_assert(!std::is_copy_constructible_v<SelectedPalette> && !std::is_copy_assignable_v<SelectedPalette>);

bool Exists(HGDIOBJ object) { return GetObjectType(object) != 0; }

TEST(GdiBitmap, DeletesEveryBitmapItHasHeld) {
  HBITMAP first = CreateBitmap(3, 2, 1, 32, nullptr);
  HBITMAP created = nullptr;
  {
    GdiBitmap bitmap;
    EXPECT_EQ(HBITMAP(bitmap), nullptr);
    EXPECT_EQ(bitmap.Width(), 0) << "empty";
    bitmap.Reset(first);
    EXPECT_EQ(HBITMAP(bitmap), first);
    EXPECT_EQ(bitmap.Width(), 3);
    EXPECT_EQ(bitmap.Height(), 2);

    // Each new bitmap is kept, and the one it replaces deleted.
    ASSERT_TRUE(bitmap.CreateScreenCompatible(5, 4));
    created = bitmap;
    EXPECT_FALSE(Exists(first));
    EXPECT_TRUE(Exists(created));
    EXPECT_EQ(bitmap.Width(), 5);
    EXPECT_EQ(bitmap.Height(), 4);
    EXPECT_FALSE(bitmap.LoadFromResource(GetModuleHandleA(nullptr), 999)) << "no such bitmap";
    EXPECT_FALSE(Exists(created));
    EXPECT_EQ(HBITMAP(bitmap), nullptr);

    ASSERT_TRUE(bitmap.CreateScreenCompatible(1, 1));
    created = bitmap;
  }
  EXPECT_FALSE(Exists(created)) << "deleted with its owner";
}

TEST(GdiBitmap, SwapTradesBitmapsSoEachIsDeletedOnce) {
  HBITMAP a = CreateBitmap(1, 1, 1, 32, nullptr), b = CreateBitmap(2, 2, 1, 32, nullptr);
  GdiBitmap kept;
  kept.Reset(a);
  {
    GdiBitmap made;
    made.Reset(b);
    kept.Swap(made);
    EXPECT_EQ(HBITMAP(kept), b);
    EXPECT_EQ(HBITMAP(made), a);
  }
  EXPECT_FALSE(Exists(a)) << "the replaced bitmap went with the other owner";
  EXPECT_TRUE(Exists(b));
}

TEST(MemoryDc, DrawsOnItsBitmapAndDeletesOnlyItsDc) {
  GdiBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateScreenCompatible(4, 4));
  HDC used = nullptr;
  {
    MemoryDc dc(bitmap);
    used = dc;
    EXPECT_EQ(GetObjectType(used), static_cast<DWORD>(OBJ_MEMDC));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), HGDIOBJ(bitmap));
  }
  EXPECT_FALSE(Exists(used));
  EXPECT_TRUE(Exists(bitmap)) << "the bitmap belongs to its own owner";
}

TEST(DisplayDc, IsDeleted) {
  HDC used = nullptr;
  {
    DisplayDc screen;
    used = screen;
    EXPECT_EQ(GetObjectType(used), static_cast<DWORD>(OBJ_DC));
    EXPECT_EQ(GetDeviceCaps(screen, HORZRES), GetSystemMetrics(SM_CXSCREEN));
  }
  EXPECT_FALSE(Exists(used));
}

TEST(SelectedPalette, PutsThePreviousPaletteBack) {
  struct {
    WORD version, count;
    PALETTEENTRY entries[1];
  } logical = {0x300, 1, {{1, 2, 3, 0}}};
  HPALETTE palette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&logical));
  ASSERT_NE(palette, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ before = GetCurrentObject(dc, OBJ_PAL);
  for (bool background : {false, true}) {
    {
      SelectedPalette selected(dc, palette, background);
      EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), HGDIOBJ(palette));
    }
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), before) << (background ? "in the background" : "in the foreground");
  }
  DeleteDC(dc);
  DeleteObject(palette);
}

}  // namespace
