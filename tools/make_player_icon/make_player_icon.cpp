// make-player-icon OUT.ico: writes the player's program icon, a strip of film
// with a play arrow, as 32x32 and 16x16 pictures in the 16 standard colours.
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

struct Rgb {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
};

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

void PutU16(std::vector<uint8_t>* out, uint32_t v) {
  out->push_back(static_cast<uint8_t>(v));
  out->push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>* out, uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

// The image as an icon resource stores it: a bitmap header with the height of
// both masks, the palette, the 4-bit colour rows and the 1-bit AND mask, each
// bottom-up with rows padded to 4 bytes. Transparent pixels are black in the
// colour rows and set in the mask.
std::vector<uint8_t> IconImage(const char* const* rows, int side) {
  const int colourStride = (side * 4 + 31) / 32 * 4;
  const int maskStride = (side + 31) / 32 * 4;
  std::vector<uint8_t> colour(static_cast<size_t>(colourStride) * side, 0);
  std::vector<uint8_t> mask(static_cast<size_t>(maskStride) * side, 0);
  for (int y = 0; y < side; y++) {
    const int stored = side - 1 - y;
    for (int x = 0; x < side; x++) {
      const int index = ColourIndex(rows[y][x]);
      if (index < 0) {
        mask[stored * maskStride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        continue;
      }
      colour[stored * colourStride + x / 2] |= static_cast<uint8_t>(x % 2 ? index : index << 4);
    }
  }
  std::vector<uint8_t> image;
  PutU32(&image, 40);
  PutU32(&image, side);
  PutU32(&image, 2 * side);
  PutU16(&image, 1);  // planes
  PutU16(&image, 4);  // bits per pixel
  PutU32(&image, 0);  // uncompressed
  PutU32(&image, static_cast<uint32_t>(colour.size() + mask.size()));
  PutU32(&image, 0);
  PutU32(&image, 0);
  PutU32(&image, 16);
  PutU32(&image, 0);
  for (const Rgb& c : kStandardColours) image.insert(image.end(), {c.blue, c.green, c.red, 0});
  image.insert(image.end(), colour.begin(), colour.end());
  image.insert(image.end(), mask.begin(), mask.end());
  return image;
}

std::vector<uint8_t> MakeIcon() {
  const std::vector<uint8_t> images[] = {IconImage(kLarge, 32), IconImage(kSmall, 16)};
  const int sides[] = {32, 16};
  const int count = 2;
  std::vector<uint8_t> icon;
  PutU16(&icon, 0);  // reserved
  PutU16(&icon, 1);  // an icon, not a cursor
  PutU16(&icon, count);
  uint32_t offset = 6 + 16 * count;
  for (int i = 0; i < count; i++) {
    icon.push_back(static_cast<uint8_t>(sides[i]));
    icon.push_back(static_cast<uint8_t>(sides[i]));
    icon.push_back(16);  // colours
    icon.push_back(0);
    PutU16(&icon, 1);  // planes
    PutU16(&icon, 4);  // bits per pixel
    PutU32(&icon, static_cast<uint32_t>(images[i].size()));
    PutU32(&icon, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const std::vector<uint8_t>& image : images) icon.insert(icon.end(), image.begin(), image.end());
  return icon;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-player-icon OUT.ico\n");
    return 2;
  }
  const std::vector<uint8_t> icon = MakeIcon();
  FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(icon.data(), 1, icon.size(), file) == icon.size();
  if (std::fclose(file) != 0 || !written) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
