// The plain and the colour-keyed bit-block transfers the painters are built from.
#pragma once

#include <windows.h>

// Copies min(sWidth, dWidth) x min(sHeight, dHeight) pixels; BitBlt's result.
BOOL BlitCopy(HDC destination, int dx, int dy, int dWidth, int dHeight, HDC source, int sx, int sy, int sWidth,
              int sHeight);

// As BlitCopy, but source pixels exactly equal to `key` leave the destination as
// it was. The destination DC must have a black text and a white background colour.
BOOL BlitKeyed(HDC destination, int dx, int dy, int dWidth, int dHeight, HDC source, int sx, int sy, int sWidth,
               int sHeight, COLORREF key);
