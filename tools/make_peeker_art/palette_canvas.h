// A palette canvas drawn at several samples a pixel, so curved shapes can be
// laid down by painter's order and still come out smooth once resolved.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "distance_fields.h"
#include "indexed_image.h"
#include "supersampled_canvas.h"

class PaletteCanvas {
 public:
  using Field = std::function<double(Point)>;
  using Paint = std::function<uint8_t(Point)>;

  // How mixed pixels are resolved: by the palette entry nearest their mean colour
  // (soft edges, for palettes that carry in-between shades) or by the most common
  // entry (for small fixed palettes without them).
  enum class Resolve { kBlend, kMajority };

  PaletteCanvas(int width, int height, int samplesPerSide, uint8_t background)
      : samples_(width, height, samplesPerSide, background) {}

  // Paints every sample inside `shape` (distance below zero).
  void Fill(const Field& shape, const Paint& paint);
  void Fill(const Field& shape, uint8_t index) {
    Fill(shape, [index](Point) { return index; });
  }
  // As Fill, with the band `width` pixels inside the edge in `outline`: the line
  // never grows a shape past its own edge.
  void FillOutlined(const Field& shape, const Paint& paint, uint8_t outline, double width);
  void FillOutlined(const Field& shape, uint8_t index, uint8_t outline, double width) {
    FillOutlined(shape, [index](Point) { return index; }, outline, width);
  }

  // One index a pixel. A pixel at least half `transparent` stays transparent, so
  // the see-through edge is never blended into a colour.
  IndexedImage Resolved(const std::vector<Rgb>& palette, uint8_t transparent, Resolve mode) const;

 private:
  SupersampledCanvas<uint8_t> samples_;
};
