#include "frame_shape.h"

#include "gdi_owners.h"

namespace {

// A block of the process heap, given back at the end of the scope. Not a
// std::vector: the peeker carries none of the C++ library's containers.
class HeapBlock {
 public:
  explicit HeapBlock(size_t bytes) : data_(HeapAlloc(GetProcessHeap(), 0, bytes)) {}
  ~HeapBlock() {
    if (data_ != nullptr) HeapFree(GetProcessHeap(), 0, data_);
  }
  HeapBlock(const HeapBlock&) = delete;
  HeapBlock& operator=(const HeapBlock&) = delete;
  template <typename T>
  T* As() const {
    return static_cast<T*>(data_);
  }

 private:
  void* data_;
};

}  // namespace

HRGN FrameShape(HBITMAP frame, COLORREF key) {
  BITMAP size;
  if (frame == nullptr || !GetObjectA(frame, sizeof size, &size) || size.bmWidth <= 0 || size.bmHeight <= 0)
    return nullptr;
  const int width = size.bmWidth, height = size.bmHeight;
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = -height;  // top row first
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  const size_t pixelCount = static_cast<size_t>(width) * height;
  HeapBlock pixels(pixelCount * sizeof(DWORD));
  // At most one run of opaque pixels for every two pixels of a row, after the header.
  const size_t mostRuns = static_cast<size_t>(height) * ((width + 1) / 2);
  HeapBlock region(sizeof(RGNDATAHEADER) + mostRuns * sizeof(RECT));
  if (pixels.As<DWORD>() == nullptr || region.As<RGNDATA>() == nullptr) return nullptr;
  {
    WindowDc screen(nullptr);
    if (GetDIBits(screen, frame, 0, height, pixels.As<DWORD>(), &format, DIB_RGB_COLORS) != height) return nullptr;
  }
  // The key as a 32-bit DIB pixel holds it: blue in the low byte.
  const DWORD keyPixel = GetRValue(key) << 16 | GetGValue(key) << 8 | GetBValue(key);

  RECT* runs = reinterpret_cast<RECT*>(region.As<RGNDATA>()->Buffer);
  DWORD count = 0;
  for (int y = 0; y < height; y++) {
    const DWORD* row = pixels.As<DWORD>() + static_cast<size_t>(y) * width;
    for (int x = 0; x < width;) {
      if ((row[x] & 0xFFFFFF) == keyPixel) {
        x++;
        continue;
      }
      const int start = x;
      while (x < width && (row[x] & 0xFFFFFF) != keyPixel) x++;
      runs[count++] = RECT{start, y, x, y + 1};
    }
  }
  RGNDATAHEADER& header = region.As<RGNDATA>()->rdh;
  header.dwSize = sizeof header;
  header.iType = RDH_RECTANGLES;
  header.nCount = count;
  header.nRgnSize = 0;
  header.rcBound = RECT{0, 0, width, height};
  return ExtCreateRegion(nullptr, static_cast<DWORD>(sizeof header + count * sizeof(RECT)), region.As<RGNDATA>());
}
