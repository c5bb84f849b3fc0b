#include "supersampled_canvas.h"

#include <array>

SupersampledCanvas::SupersampledCanvas(int width, int height, int samplesPerSide, uint8_t background)
    : width_(width),
      height_(height),
      samples_(samplesPerSide),
      grid_(static_cast<size_t>(width) * height * samplesPerSide * samplesPerSide, background) {}

void SupersampledCanvas::Fill(const Field& shape, const Paint& paint) {
  FillOutlined(shape, paint, 0, 0);
}

void SupersampledCanvas::FillOutlined(const Field& shape, const Paint& paint, uint8_t outline, double width) {
  const int gridWidth = width_ * samples_;
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      // Every sample lies within 0.71 px of the pixel's centre, so a pixel whose
      // centre is a clear pixel outside the shape has nothing to paint; this
      // spares most of the canvas for most shapes.
      if (shape({x + 0.5, y + 0.5}) > 1.0) continue;
      for (int sy = 0; sy < samples_; ++sy) {
        for (int sx = 0; sx < samples_; ++sx) {
          int gx = x * samples_ + sx;
          int gy = y * samples_ + sy;
          Point p{(gx + 0.5) / samples_, (gy + 0.5) / samples_};
          double distance = shape(p);
          if (distance >= 0) continue;
          grid_[static_cast<size_t>(gy) * gridWidth + gx] = distance > -width ? outline : paint(p);
        }
      }
    }
  }
}

IndexedImage SupersampledCanvas::Resolved(const std::vector<Rgb>& palette, uint8_t transparent, Resolve mode) const {
  IndexedImage image;
  image.width = width_;
  image.height = height_;
  image.palette = palette;
  image.pixels.resize(static_cast<size_t>(width_) * height_);
  const int gridWidth = width_ * samples_;
  const int perPixel = samples_ * samples_;
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      std::array<int, 256> counts{};
      int r = 0, g = 0, b = 0, opaque = 0;
      for (int sy = 0; sy < samples_; ++sy) {
        for (int sx = 0; sx < samples_; ++sx) {
          uint8_t index = grid_[static_cast<size_t>(y * samples_ + sy) * gridWidth + x * samples_ + sx];
          ++counts[index];
          if (index == transparent) continue;
          r += palette[index].r;
          g += palette[index].g;
          b += palette[index].b;
          ++opaque;
        }
      }
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
            long dr = palette[i].r * opaque - r, dg = palette[i].g * opaque - g, db = palette[i].b * opaque - b;
            long error = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (bestError < 0 || error < bestError) {
              bestError = error;
              chosen = static_cast<uint8_t>(i);
            }
          }
        }
      }
      image.pixels[static_cast<size_t>(y) * width_ + x] = chosen;
    }
  }
  return image;
}
