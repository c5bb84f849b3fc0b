#include "indexed_image.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <tuple>

Rgb Mix(Rgb from, Rgb to, double amount) {
  auto channel = [amount](uint8_t a, uint8_t b) {
    return static_cast<uint8_t>(std::lround(a + (b - a) * amount));
  };
  return {channel(from.r, to.r), channel(from.g, to.g), channel(from.b, to.b)};
}

IndexedImage IndexExactColours(int width, int height, const std::vector<Rgb>& pixels, std::vector<Rgb> leading) {
  IndexedImage image;
  image.width = width;
  image.height = height;
  image.palette = std::move(leading);
  std::map<std::tuple<int, int, int>, uint8_t> indexOf;
  for (size_t i = 0; i < image.palette.size(); ++i) {
    const Rgb& c = image.palette[i];
    indexOf.emplace(std::make_tuple(c.r, c.g, c.b), static_cast<uint8_t>(i));
  }
  image.pixels.reserve(pixels.size());
  for (const Rgb& c : pixels) {
    auto key = std::make_tuple(c.r, c.g, c.b);
    auto found = indexOf.find(key);
    if (found == indexOf.end()) {
      if (image.palette.size() == 256) {
        std::fprintf(stderr, "make-peeker-art: more than 256 colours in a %dx%d picture\n", width, height);
        std::exit(1);
      }
      found = indexOf.emplace(key, static_cast<uint8_t>(image.palette.size())).first;
      image.palette.push_back(c);
    }
    image.pixels.push_back(found->second);
  }
  return image;
}
