// Windows .ico files of 16-colour pictures, each with the AND mask that lets the
// desktop show through.
#pragma once

#include <string>
#include <vector>

#include "indexed_image.h"

// One picture of an icon: square, with 16 palette entries of which entry 0 is black.
struct IconPicture {
  IndexedImage image;
  // Row by row from the top, true where the desktop shows through. Such pixels
  // are stored as entry 0, black, as the system expects of a plain see-through
  // pixel: any other colour would be XORed onto the desktop.
  std::vector<bool> seeThrough;
};

// The see-through pixels of `image` are those of entry 0.
IconPicture SeeThroughAtEntryZero(IndexedImage image);

// One directory entry a picture, in the order given.
std::string IconFile(const std::vector<IconPicture>& pictures);
