#include "indexed_image.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <tuple>

IndexedImage IndexExactColours(int width, int height, const std::vector<Rgb>& pixels, std::vector<Rgb> leading) {
  IndexedImage image;
  image.width = width;
  image.height = height;
  image.palette = std::move(leading);
  std::map<std::tuple<int, int, int>, uint8_t> indexOf;
  for (size_t i = 0; i < image.palette.size(); ++i) {
    const Rgb& c = image.palette[i];
    indexOf.emplace(std::make_tuple(c.red, c.green, c.blue), static_cast<uint8_t>(i));
  }
  image.pixels.reserve(pixels.size());
  for (const Rgb& c : pixels) {
    auto key = std::make_tuple(c.red, c.green, c.blue);
    auto found = indexOf.find(key);
    if (found == indexOf.end()) {
      if (image.palette.size() == 256) {
        std::fprintf(stderr, "more than 256 colours in a %dx%d picture\n", width, height);
        std::exit(1);
      }
      found = indexOf.emplace(key, static_cast<uint8_t>(image.palette.size())).first;
      image.palette.push_back(c);
    }
    image.pixels.push_back(found->second);
  }
  return image;
}
