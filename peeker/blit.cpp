#include "blit.h"

#include "gdi_owners.h"

BOOL BlitCopy(HDC destination, int dx, int dy, int dWidth, int dHeight, HDC source, int sx, int sy, int sWidth,
              int sHeight) {
  return BitBlt(destination, dx, dy, sWidth < dWidth ? sWidth : dWidth, sHeight < dHeight ? sHeight : dHeight, source,
                sx, sy, SRCCOPY);
}

BOOL BlitKeyed(HDC destination, int dx, int dy, int dWidth, int dHeight, HDC source, int sx, int sy, int sWidth,
               int sHeight, COLORREF key) {
  const int width = sWidth < dWidth ? sWidth : dWidth;
  const int height = sHeight < dHeight ? sHeight : dHeight;
  // A monochrome mask: 1 where the source is the key (the source's background
  // colour in the conversion to monochrome), 0 elsewhere.
  GdiBitmap mask;
  mask.Reset(CreateBitmap(width, height, 1, 1, nullptr));
  MemoryDc maskDc(mask);
  COLORREF previousBackground = SetBkColor(source, key);
  BitBlt(maskDc, 0, 0, width, height, source, sx, sy, SRCCOPY);
  SetBkColor(source, previousBackground);
  // D ^ S, then 0 where the source is opaque, then ^ S again: the key keeps D, all
  // other pixels become S.
  BitBlt(destination, dx, dy, width, height, source, sx, sy, SRCINVERT);
  BitBlt(destination, dx, dy, width, height, maskDc, 0, 0, SRCAND);
  BitBlt(destination, dx, dy, width, height, source, sx, sy, SRCINVERT);
  return 1;
}
