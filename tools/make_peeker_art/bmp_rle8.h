// Version-3 Windows bitmaps, 8 bits a pixel, RLE8-compressed: the form the
// peeker's pictures take as resources, where they cost a fraction of their
// uncompressed size.
#pragma once

#include <string>

#include "indexed_image.h"

// The RLE8 stream of `image`, bottom row first: encoded runs, absolute runs of
// three bytes or more padded to an even length, an end-of-line after every row
// and an end-of-bitmap after the last.
std::string EncodeRle8(const IndexedImage& image);

// A whole .bmp file: file header, BITMAPINFOHEADER, the palette (only the entries
// the image has) and the RLE8 stream.
std::string BmpFileRle8(const IndexedImage& image);
