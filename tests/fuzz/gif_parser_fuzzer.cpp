// Feeds arbitrary bytes to the GIF parser the way the player feeds it its
// animation section, then touches everything the player touches afterwards:
// every row of every frame, each frame's rectangle, and each frame composited
// onto a canvas of the logical screen. The sanitizers catch stray accesses; the
// checks below catch results that are wrong without touching bad memory.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz_check.h"
#include "gif_parser.h"
#include "indexed_bitmap.h"


namespace {

// Frames of up to 16 MiB are granted here (refusing_allocator.h). Touching every
// row of many such frames, or compositing them onto a screen as large, would make
// single runs take a large share of a second. Since a bitmap is one block,
// reading its first and last rows already proves that every row address (checked
// arithmetically for all rows) lies inside it; beyond these sizes that is all
// that is read, and no canvas is made.
const int64_t kMaxFullyReadBytes = int64_t{1} << 20;
const int64_t kMaxCanvasPixels = int64_t{1} << 20;
// Compositing stops for the run after this many frame pixels have been placed.
const int64_t kCompositeBudget = int64_t{1} << 24;

volatile uint8_t sink;

bool ValidSide(int32_t side) { return side >= 0 && side <= 0xFFFF; }

// Display row y of a bitmap's column x.
uint8_t PixelAt(const IndexedBitmap* bitmap, int64_t x, int64_t y) {
  return *BitmapRowAddress(bitmap, static_cast<int32_t>(x), static_cast<int32_t>(bitmap->height - 1 - y));
}

void WalkRows(const GifFrame* frame) {
  const IndexedBitmap& bitmap = frame->bitmap;
  if (bitmap.pixels == nullptr) return;
  FUZZ_CHECK(bitmap.width == frame->width && bitmap.height == frame->height);
  FUZZ_CHECK(bitmap.width >= 1 && bitmap.height >= 1);
  // Rows padded to 4 bytes, as the drawing call expects them.
  FUZZ_CHECK(bitmap.stride % 4 == 0 && bitmap.stride >= bitmap.width && bitmap.stride - bitmap.width < 4);
  const bool whole = static_cast<int64_t>(bitmap.stride) * bitmap.height <= kMaxFullyReadBytes;
  uint8_t mix = 0;
  for (int32_t r = 0; r < bitmap.height; r++) {
    const uint8_t* row = BitmapRowAddress(&bitmap, 0, r);
    FUZZ_CHECK(row == bitmap.pixels + static_cast<int64_t>(r) * bitmap.stride);
    FUZZ_CHECK(BitmapRowAddress(&bitmap, bitmap.width - 1, r) == row + bitmap.width - 1);
    if (whole || r == 0 || r == bitmap.height - 1) {
      for (int32_t x = 0; x < bitmap.stride; x++) mix ^= row[x];
    }
  }
  sink = mix;
}

// Where a frame goes on the canvas: its rectangle moved by (shiftX, shiftY), from
// source column sourceX and row sourceY, with `transparent` as the key.
struct Placement {
  int32_t shiftX, shiftY, sourceX, sourceY, transparent;
};

// Frame i's placement: every fourth one as the player places frames, the others
// moved off the canvas's top left corner or read from off the frame's edges, with
// keys the data will and will not contain.
Placement PlacementFor(int32_t i, const GifFrame* frame) {
  const int32_t transparent = (i % 3 == 0) ? -1 : (i % 3 == 1) ? (i * 37) & 0xFF : 256 + i;
  if (i % 4 == 0) return {0, 0, 0, 0, transparent};
  const bool moved = i % 4 == 3;
  return {moved ? -(frame->width / 2 + 1) : 0, moved ? -(frame->height / 3 + 1) : 0, i % 5 - 2, i % 7 - 3,
          transparent};
}

// Composites the frame and checks the covered area, worked out here from the
// documented rule (canvas pixel (x, y) of the rectangle shows source pixel
// (sourceX + x - left, sourceY + y - top), where both exist), and its corners
// pixel by pixel. Returns the number of pixels covered.
int64_t CompositeAndCheck(IndexedBitmap* canvas, GifFrame* frame, const Placement& place) {
  RECT rect;
  IndexedBitmap* bitmap = GetFrameRect(frame, &rect);
  FUZZ_CHECK((bitmap == nullptr) == (frame->bitmap.pixels == nullptr));
  if (bitmap == nullptr) return 0;
  FUZZ_CHECK(bitmap == &frame->bitmap);
  FUZZ_CHECK(rect.left == frame->left && rect.top == frame->top);
  FUZZ_CHECK(rect.right == frame->left + frame->width && rect.bottom == frame->top + frame->height);

  rect.left += place.shiftX;
  rect.right += place.shiftX;
  rect.top += place.shiftY;
  rect.bottom += place.shiftY;
  const int64_t x0 = rect.left, y0 = rect.top;
  const int64_t left = std::max({x0, int64_t{0}, x0 - place.sourceX});
  const int64_t top = std::max({y0, int64_t{0}, y0 - place.sourceY});
  const int64_t right = std::min({int64_t{rect.right}, int64_t{canvas->width}, x0 - place.sourceX + bitmap->width});
  const int64_t bottom =
      std::min({int64_t{rect.bottom}, int64_t{canvas->height}, y0 - place.sourceY + bitmap->height});
  const bool covers = left < right && top < bottom;
  const int64_t cornerX[4] = {left, right - 1, left, right - 1};
  const int64_t cornerY[4] = {top, top, bottom - 1, bottom - 1};
  uint8_t before[4] = {};
  if (covers) {
    for (int i = 0; i < 4; i++) before[i] = PixelAt(canvas, cornerX[i], cornerY[i]);
  }

  CompositeBitmap(canvas, bitmap, &rect, place.sourceX, place.sourceY, place.transparent);
  if (!covers) {
    FUZZ_CHECK(rect.right <= rect.left || rect.bottom <= rect.top);
    return 0;
  }
  FUZZ_CHECK(rect.left == left && rect.top == top && rect.right == right && rect.bottom == bottom);
  for (int i = 0; i < 4; i++) {
    const uint8_t source = PixelAt(bitmap, place.sourceX + cornerX[i] - x0, place.sourceY + cornerY[i] - y0);
    const bool keyed = place.transparent >= 0 && place.transparent <= 255 && source == place.transparent;
    FUZZ_CHECK(PixelAt(canvas, cornerX[i], cornerY[i]) == (keyed ? before[i] : source));
  }
  return (right - left) * (bottom - top);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0x7FFFFFFF) return 0;
  ByteReader reader{data, static_cast<int32_t>(size), 0};
  GifAnimation animation = {};
  ParseGif(&animation, &reader);

  FUZZ_CHECK(reader.pos >= 0 && reader.pos <= reader.size);
  FUZZ_CHECK(animation.frameCount >= 0 && animation.frameCount <= animation.capacity);
  FUZZ_CHECK(animation.frameCount == 0 || animation.frames != nullptr);
  FUZZ_CHECK(ValidSide(animation.width) && ValidSide(animation.height));
  // A colour table holds 2^(n+1) entries, n from 0 to 7.
  FUZZ_CHECK(animation.colourCount == 0 ||
             (animation.colourCount >= 2 && animation.colourCount <= 256 &&
              (animation.colourCount & (animation.colourCount - 1)) == 0));

  for (int32_t i = 0; i < animation.frameCount; i++) {
    const GifFrame* frame = animation.frames[i];
    FUZZ_CHECK(frame != nullptr);
    FUZZ_CHECK(ValidSide(frame->left) && ValidSide(frame->top) && ValidSide(frame->width) &&
               ValidSide(frame->height) && ValidSide(frame->delay));
    FUZZ_CHECK(frame->interlaced == 0 || frame->interlaced == 0x40);
    WalkRows(frame);
  }

  const int64_t screenPixels = static_cast<int64_t>(animation.width) * animation.height;
  if (screenPixels > 0 && screenPixels <= kMaxCanvasPixels) {
    IndexedBitmap canvas;
    CreateIndexedBitmap(&canvas, animation.width, animation.height);
    if (canvas.pixels != nullptr) {
      for (int32_t r = 0; r < canvas.height; r++) {
        uint8_t* row = BitmapRowAddress(&canvas, 0, r);
        for (int32_t x = 0; x < canvas.stride; x++) row[x] = static_cast<uint8_t>(r + x);
      }
      int64_t budget = kCompositeBudget;
      for (int32_t i = 0; i < animation.frameCount && budget > 0; i++) {
        budget -= CompositeAndCheck(&canvas, animation.frames[i], PlacementFor(i, animation.frames[i]));
      }
      ReleaseIndexedBitmap(&canvas);
    }
  }

  FreeGifAnimation(&animation);
  FUZZ_CHECK(animation.frames == nullptr && animation.frameCount == 0);
  FreeGifAnimation(&animation);
  return 0;
}
