// The BITMAPINFO of a 32-bit top-down DIB, the layout the tests read pixels in
// (row y at bits + y * width, each pixel 0x00RRGGBB).
#pragma once

#include <windows.h>

inline BITMAPINFO TopDownInfo32(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  return info;
}
