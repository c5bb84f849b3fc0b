// make-player-icon OUT.ico: writes the player's program icon, a strip of film
// with a play arrow, as 32x32 and 16x16 pictures in the 16 standard colours.
#include <cstdint>
#include <cstdio>
#include <iterator>

#include "icon_file.h"
#include "whole_file.h"

namespace {

// The 16 colours every display of the time could show without dithering.
const Rgb kStandardColours[16] = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};

// One letter per pixel: '.' is transparent, the others name standard colours.
int ColourIndex(char c) {
  switch (c) {
    case 'K': return 0;   // black
    case 'O': return 3;   // olive
    case 'B': return 12;  // blue
    case 'Y': return 11;  // yellow
    case 'W': return 15;  // white
    default: return -1;
  }
}

const char* const kLarge[32] = {
    "................................",
    "................................",
    "................................",
    ".KKKKKKKKKKKKKKKKKKKKKKKKKKKKKK.",
    "KWWKKWWKKWWKKWWKKWWKKWWKKWWKKWWK",
    "KWWKKWWKKWWKKWWKKWWKKWWKKWWKKWWK",
    "KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK",
    "KKKBBBBBBBBBBBBBBBBBBBBBBBBBBKKK",
    "KKBBBBBBBBBBBBBBBBBBBBBBBBBBBBKK",
    "KKBBBBBBBBBYBBBBBBBBBBBBBBBBBBKK",
    "KKBBBBBBBBBYYOBBBBBBBBBBBBBBBBKK",
    "KKBBBBBBBBBYYYYOBBBBBBBBBBBBBBKK",
    "KKBBBBBBBBBYYYYYYOBBBBBBBBBBBBKK",
    "KKBBBBBBBBBYYYYYYYYOBBBBBBBBBBKK",
    "KKBBBBBBBBBYYYYYYYYYYOBBBBBBBBKK",
    "KKBBBBBBBBBYYYYYYYYYYYYOBBBBBBKK",
    "KKBBBBBBBBBYYYYYYYYYYYYOBBBBBBKK",
    "KKBBBBBBBBBYYYYYYYYYYOBBBBBBBBKK",
    "KKBBBBBBBBBYYYYYYYYOBBBBBBBBBBKK",
    "KKBBBBBBBBBYYYYYYOBBBBBBBBBBBBKK",
    "KKBBBBBBBBBYYYYOBBBBBBBBBBBBBBKK",
    "KKBBBBBBBBBYYOBBBBBBBBBBBBBBBBKK",
    "KKBBBBBBBBBYBBBBBBBBBBBBBBBBBBKK",
    "KKBBBBBBBBBBBBBBBBBBBBBBBBBBBBKK",
    "KKKBBBBBBBBBBBBBBBBBBBBBBBBBBKKK",
    "KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK",
    "KWWKKWWKKWWKKWWKKWWKKWWKKWWKKWWK",
    "KWWKKWWKKWWKKWWKKWWKKWWKKWWKKWWK",
    ".KKKKKKKKKKKKKKKKKKKKKKKKKKKKKK.",
    "................................",
    "................................",
    "................................",
};

const char* const kSmall[16] = {
    "................",
    "KKKKKKKKKKKKKKKK",
    "KWKKWKKWKKWKKWKK",
    "KKKKKKKKKKKKKKKK",
    "KBBBBBBBBBBBBBBK",
    "KBBBBBYBBBBBBBBK",
    "KBBBBBYYOBBBBBBK",
    "KBBBBBYYYYOBBBBK",
    "KBBBBBYYYYOBBBBK",
    "KBBBBBYYOBBBBBBK",
    "KBBBBBYBBBBBBBBK",
    "KBBBBBBBBBBBBBBK",
    "KKKKKKKKKKKKKKKK",
    "KWKKWKKWKKWKKWKK",
    "KKKKKKKKKKKKKKKK",
    "................",
};

// The picture drawn by `rows`, `side` pixels square.
IconPicture Picture(const char* const* rows, int side) {
  IconPicture picture;
  picture.image.width = picture.image.height = side;
  picture.image.palette.assign(std::begin(kStandardColours), std::end(kStandardColours));
  for (int y = 0; y < side; y++) {
    for (int x = 0; x < side; x++) {
      const int index = ColourIndex(rows[y][x]);
      picture.image.pixels.push_back(static_cast<uint8_t>(index < 0 ? 0 : index));
      picture.seeThrough.push_back(index < 0);
    }
  }
  return picture;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-player-icon OUT.ico\n");
    return 2;
  }
  if (!WriteWholeFile(argv[1], IconFile({Picture(kLarge, 32), Picture(kSmall, 16)}))) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
