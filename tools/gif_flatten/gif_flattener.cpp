#include "gif_flattener.h"

#include <algorithm>
#include <cmath>

#include "colour_histogram.h"
#include "colour_quantizer.h"
#include "gif_encoder.h"
#include "gif_renderer.h"
#include "nearest_colour.h"
#include "source_gif.h"

namespace {

const int kPaletteSize = 256;
// Every frame stays where it is drawn, which is how the player treats them all.
const int32_t kDoNotDispose = 1;

struct Rect {
  int32_t left, top, width, height;
};

// The smallest rectangle holding every pixel that differs; width 0 when none.
Rect ChangedRect(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after, int32_t width, int32_t height) {
  int32_t top = -1, bottom = -1, left = width, right = -1;
  for (int32_t y = 0; y < height; y++) {
    const uint8_t* a = before.data() + static_cast<size_t>(y) * width;
    const uint8_t* b = after.data() + static_cast<size_t>(y) * width;
    int32_t first = 0;
    while (first < width && a[first] == b[first]) first++;
    if (first == width) continue;
    int32_t last = width - 1;
    while (a[last] == b[last]) last--;
    if (top < 0) top = y;
    bottom = y;
    left = std::min(left, first);
    right = std::max(right, last);
  }
  if (top < 0) return Rect{0, 0, 0, 0};
  return Rect{left, top, right - left + 1, bottom - top + 1};
}

// Maps rendered frames to palette indices, one frame after another, and adds up
// the distance between each pixel and the colour chosen for it.
class FrameMapper {
 public:
  FrameMapper(const std::vector<uint32_t>& palette, bool dither, int32_t width, int32_t height)
      : palette_(palette), nearest_(palette), dither_(dither), width_(width), height_(height) {
    if (dither_) {
      errors_[0].assign(3 * (static_cast<size_t>(width) + 2), 0);
      errors_[1].assign(3 * (static_cast<size_t>(width) + 2), 0);
    }
  }

  void Map(const std::vector<uint32_t>& canvas, std::vector<uint8_t>* indices) {
    if (dither_) {
      Diffuse(canvas, indices);
    } else {
      for (size_t i = 0; i < canvas.size(); i++) (*indices)[i] = static_cast<uint8_t>(nearest_.Find(canvas[i]));
    }
    for (size_t i = 0; i < canvas.size(); i++) {
      const int distance = ColourDistance2(canvas[i], palette_[(*indices)[i]]);
      if (distance > 0) errorSum_ += std::sqrt(static_cast<double>(distance));
    }
    previousCanvas_ = canvas;
    previousIndices_ = *indices;
  }

  double errorSum() const { return errorSum_; }

 private:
  // Floyd-Steinberg, rows in alternating directions, errors in sixteenths. A
  // pixel whose rendered colour is the same as in the previous frame keeps its
  // index and passes on only its own error, so still areas do not shimmer and
  // the changed rectangles stay small.
  void Diffuse(const std::vector<uint32_t>& canvas, std::vector<uint8_t>* indices) {
    const bool steady = previousCanvas_.size() == canvas.size();
    std::fill(errors_[0].begin(), errors_[0].end(), 0);
    for (int32_t y = 0; y < height_; y++) {
      std::vector<int>& here = errors_[y & 1];
      std::vector<int>& below = errors_[(y + 1) & 1];
      std::fill(below.begin(), below.end(), 0);
      const bool forward = (y & 1) == 0;
      const int step = forward ? 1 : -1;
      for (int32_t i = 0; i < width_; i++) {
        const int32_t x = forward ? i : width_ - 1 - i;
        const size_t at = static_cast<size_t>(y) * width_ + x;
        const uint32_t original = canvas[at];
        int channel[3], error[3];
        int index;
        if (steady && previousCanvas_[at] == original) {
          index = previousIndices_[at];
          for (int c = 0; c < 3; c++) {
            channel[c] = static_cast<int>(original >> (16 - 8 * c) & 0xFF);
          }
        } else {
          for (int c = 0; c < 3; c++) {
            const int wanted = static_cast<int>(original >> (16 - 8 * c) & 0xFF) + Sixteenths(here[3 * (x + 1) + c]);
            channel[c] = std::min(255, std::max(0, wanted));
          }
          index = nearest_.Find(static_cast<uint32_t>(channel[0]) << 16 | channel[1] << 8 | channel[2]);
        }
        (*indices)[at] = static_cast<uint8_t>(index);
        for (int c = 0; c < 3; c++) {
          error[c] = channel[c] - static_cast<int>(palette_[index] >> (16 - 8 * c) & 0xFF);
        }
        // Columns are offset by one so the neighbours of both edges exist.
        const size_t ahead = 3 * static_cast<size_t>(x + 1 + step);
        const size_t behind = 3 * static_cast<size_t>(x + 1 - step);
        const size_t under = 3 * static_cast<size_t>(x + 1);
        for (int c = 0; c < 3; c++) {
          here[ahead + c] += 7 * error[c];
          below[behind + c] += 3 * error[c];
          below[under + c] += 5 * error[c];
          below[ahead + c] += error[c];
        }
      }
    }
  }

  // Rounds sixteenths to the nearest whole step, halves away from zero.
  static int Sixteenths(int value) { return value >= 0 ? (value + 8) / 16 : -((-value + 8) / 16); }

  const std::vector<uint32_t>& palette_;
  NearestColour nearest_;
  const bool dither_;
  const int32_t width_, height_;
  std::vector<int> errors_[2];
  std::vector<uint32_t> previousCanvas_;
  std::vector<uint8_t> previousIndices_;
  double errorSum_ = 0;
};

FlattenResult Failed(const std::string& error) {
  FlattenResult result;
  result.error = error;
  return result;
}

}  // namespace

FlattenResult FlattenGif(const uint8_t* data, size_t size, const FlattenOptions& options) {
  SourceGif source;
  std::string error;
  if (!ReadSourceGif(data, size, &source, &error)) return Failed(error);

  FlattenResult result;
  result.width = source.width;
  result.height = source.height;
  result.frames = static_cast<int32_t>(source.frames.size());
  result.truncated = source.truncated;

  GifRenderer renderer(source);
  ColourHistogram histogram;
  while (renderer.Next()) histogram.Add(renderer.canvas().data(), renderer.canvas().size());
  result.sourceColours = static_cast<int64_t>(histogram.size());
  std::vector<uint32_t> palette;
  result.exact = histogram.size() <= static_cast<size_t>(kPaletteSize);
  if (result.exact) {
    for (const ColourCount& colour : histogram.Colours()) palette.push_back(colour.rgb);
  } else {
    palette = QuantizeColours(histogram.Colours(), kPaletteSize);
  }
  result.paletteColours = static_cast<int32_t>(palette.size());

  std::vector<GifColour> table;
  for (uint32_t rgb : palette) {
    table.push_back(
        GifColour{static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb)});
  }
  GifEncoder encoder;
  if (!encoder.Begin(source.width, source.height, table, 0)) return Failed(encoder.error());

  FrameMapper mapper(palette, options.dither && !result.exact, source.width, source.height);
  const size_t pixels = static_cast<size_t>(source.width) * source.height;
  std::vector<uint8_t> indices(pixels), shown(pixels);
  renderer.Restart();
  for (size_t i = 0; renderer.Next(); i++) {
    mapper.Map(renderer.canvas(), &indices);
    Rect rect{0, 0, source.width, source.height};
    if (i > 0) {
      rect = ChangedRect(shown, indices, source.width, source.height);
      // A frame of no pixels would stop the player; one unchanged pixel keeps the delay.
      if (rect.width == 0) rect = Rect{0, 0, 1, 1};
    }
    GifFrameImage image;
    image.left = rect.left;
    image.top = rect.top;
    image.width = rect.width;
    image.height = rect.height;
    image.pixels = indices.data() + static_cast<size_t>(rect.top) * source.width + rect.left;
    image.stride = source.width;
    image.delay = source.frames[i].delay;
    image.disposal = kDoNotDispose;
    if (!encoder.AddFrame(image)) return Failed(encoder.error());
    shown.swap(indices);
  }
  if (!encoder.Finish()) return Failed(encoder.error());
  result.meanError = mapper.errorSum() / (static_cast<double>(pixels) * result.frames);
  result.gif = encoder.TakeBytes();
  result.ok = true;
  return result;
}
