#include "palette_canvas.h"

#include <array>

void PaletteCanvas::Fill(const Field& shape, const Paint& paint) { FillOutlined(shape, paint, 0, 0); }

void PaletteCanvas::FillOutlined(const Field& shape, const Paint& paint, uint8_t outline, double width) {
  for (int y = 0; y < samples_.height(); ++y) {
    for (int x = 0; x < samples_.width(); ++x) {
      // Every sample lies within 0.71 px of the pixel's centre, so a pixel whose
      // centre is a clear pixel outside the shape has nothing to paint; this
      // spares most of the canvas for most shapes.
      if (shape({x + 0.5, y + 0.5}) > 1.0) continue;
      samples_.ForEachSampleOf(x, y, [&](uint8_t& sample, int sx, int sy) {
        Point p{samples_.SampleCentre<double>(sx), samples_.SampleCentre<double>(sy)};
        double distance = shape(p);
        if (distance >= 0) return;
        sample = distance > -width ? outline : paint(p);
      });
    }
  }
}

IndexedImage PaletteCanvas::Resolved(const std::vector<Rgb>& palette, uint8_t transparent, Resolve mode) const {
  IndexedImage image;
  image.width = samples_.width();
  image.height = samples_.height();
  image.palette = palette;
  image.pixels.resize(static_cast<size_t>(image.width) * image.height);
  const int perPixel = samples_.samplesPerSide() * samples_.samplesPerSide();
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      std::array<int, 256> counts{};
      int r = 0, g = 0, b = 0, opaque = 0;
      samples_.ForEachSampleOf(x, y, [&](uint8_t index, int, int) {
        ++counts[index];
        if (index == transparent) return;
        r += palette[index].red;
        g += palette[index].green;
        b += palette[index].blue;
        ++opaque;
      });
      uint8_t chosen = transparent;
      if (counts[transparent] * 2 <= perPixel) {
        int best = -1;
        for (int i = 0; i < 256; ++i) {
          if (i == transparent || counts[i] == 0) continue;
          if (best < 0 || counts[i] > counts[best]) best = i;
        }
        chosen = static_cast<uint8_t>(best);
        if (mode == Resolve::kBlend && counts[best] != opaque) {
          // Weighted towards green the way the eye is, so edges keep their lightness.
          long bestError = -1;
          for (size_t i = 0; i < palette.size(); ++i) {
            if (i == transparent) continue;
            long dr = palette[i].red * opaque - r, dg = palette[i].green * opaque - g,
                 db = palette[i].blue * opaque - b;
            long error = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (bestError < 0 || error < bestError) {
              bestError = error;
              chosen = static_cast<uint8_t>(i);
            }
          }
        }
      }
      image.pixels[static_cast<size_t>(y) * image.width + x] = chosen;
    }
  }
  return image;
}
