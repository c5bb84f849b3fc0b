// Windows .ico files with 16-colour images and AND masks.
#pragma once

#include <string>
#include <vector>

#include "indexed_image.h"

// One entry per image, in the order given. Each image must be square with a
// 16-entry palette; its index 0 pixels become transparent (mask bit set, colour
// black, as the system expects for a plain see-through pixel).
std::string IconFile(const std::vector<IndexedImage>& images);
