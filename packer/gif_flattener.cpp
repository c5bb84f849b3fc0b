#include "gif_flattener.h"

#include "frame_step.h"

#include <algorithm>
#include <cmath>

#include "colour_histogram.h"
#include "colour_quantizer.h"
#include "frame_step.h"
#include "gif_blocks.h"
#include "gif_encoder.h"
#include "gif_renderer.h"
#include "nearest_colour.h"
#include "player_limits.h"
#include "source_gif.h"

namespace {

const int kPaletteSize = 256;

struct Rect {
  int32_t left, top, width, height;
};

// Columns left to right - 1 of one row.
struct Span {
  int32_t left, right;
};

// Calls visit(y, spans, count) for each row that `a` or `b` covers, top to
// bottom, with the one or two spans they cover on it, left first, merged where
// they overlap. Rows that neither covers cost nothing.
template <typename Visit>
void ForEachRow(const CanvasArea& a, const CanvasArea& b, Visit visit) {
  const CanvasArea* areas[2];
  int n = 0;
  if (!a.empty()) areas[n++] = &a;
  if (!b.empty()) areas[n++] = &b;
  if (n == 0) return;
  int32_t y = areas[0]->top, end = areas[0]->top + areas[0]->height;
  if (n == 2) {
    y = std::min(y, areas[1]->top);
    end = std::max(end, areas[1]->top + areas[1]->height);
  }
  while (y < end) {
    Span spans[2];
    int count = 0;
    int32_t nextTop = end;
    for (int i = 0; i < n; i++) {
      const CanvasArea& area = *areas[i];
      if (y >= area.top && y < area.top + area.height) {
        spans[count++] = Span{area.left, area.left + area.width};
      } else if (area.top > y) {
        nextTop = std::min(nextTop, area.top);
      }
    }
    if (count == 0) {
      y = nextTop;
      continue;
    }
    if (count == 2) {
      if (spans[1].left < spans[0].left) std::swap(spans[0], spans[1]);
      if (spans[1].left <= spans[0].right) {
        spans[0].right = std::max(spans[0].right, spans[1].right);
        count = 1;
      }
    }
    visit(y, spans, count);
    y++;
  }
}

// Counts the colours of every rendered frame, each pixel once per frame it shows
// in. A pixel that takes a new colour at frame f moves the frames from f on from
// its old colour to the new one, so a frame costs what it changes.
void CountColours(GifRenderer* renderer, uint64_t frames, ColourHistogram* histogram) {
  const size_t width = static_cast<size_t>(renderer->width());
  std::vector<uint32_t> shown;  // the canvas as the frame before left it
  for (uint64_t f = 0; renderer->Next(); f++) {
    const std::vector<uint32_t>& canvas = renderer->canvas();
    const uint64_t remaining = frames - f;
    if (f == 0) {
      histogram->Add(canvas.data(), canvas.size(), remaining);
      shown = canvas;
      continue;
    }
    // Runs of one change (old colour to new) cost one look-up of each.
    uint32_t from = 0, to = 0;
    uint64_t run = 0;
    auto flush = [&]() {
      if (run == 0) return;
      histogram->Remove(from, run * remaining);
      histogram->Add(to, run * remaining);
      run = 0;
    };
    ForEachRow(renderer->restored(), renderer->drawn(), [&](int32_t y, const Span* spans, int count) {
      for (int s = 0; s < count; s++) {
        const size_t row = static_cast<size_t>(y) * width;
        for (size_t at = row + spans[s].left; at < row + spans[s].right; at++) {
          if (shown[at] == canvas[at]) continue;
          if (run == 0 || shown[at] != from || canvas[at] != to) {
            flush();
            from = shown[at];
            to = canvas[at];
          }
          run++;
          shown[at] = canvas[at];
        }
      }
    });
    flush();
  }
}

// Maps rendered frames to palette indices, one frame after another, and adds up
// the distance between each pixel and the colour chosen for it. Only pixels
// whose rendered colour changed are mapped again: the rest keep their index, so
// still areas do not shimmer, the changed rectangles stay small, and a frame
// costs what it changes.
class FrameMapper {
 public:
  FrameMapper(const std::vector<uint32_t>& palette, bool dither, int32_t width, int32_t height, uint64_t frames)
      : palette_(palette),
        nearest_(palette),
        dither_(dither),
        width_(width),
        height_(height),
        frames_(frames),
        shown_(static_cast<size_t>(width) * height),
        indices_(static_cast<size_t>(width) * height) {
    if (dither_) {
      for (int i = 0; i < 2; i++) {
        errors_[i].assign(3 * static_cast<size_t>(width), 0);
        keys_[i].assign(static_cast<size_t>(width), 0);
      }
    }
  }

  // Brings the indices up to the renderer's canvas after its latest frame.
  // Returns where indices changed: the whole screen for the first frame, width
  // 0 when nothing did.
  Rect Map(const GifRenderer& renderer) {
    const uint32_t* canvas = renderer.canvas().data();
    const bool first = frame_ == 0;
    left_ = width_;
    right_ = -1;
    top_ = -1;
    bottom_ = -1;
    auto visit = [&](int32_t y, const Span* spans, int count) {
      if ((y & 1) == 0) {
        for (int s = 0; s < count; s++) {
          for (int32_t x = spans[s].left; x < spans[s].right; x++) MapPixel(x, y, canvas, first);
        }
      } else {
        for (int s = count - 1; s >= 0; s--) {
          for (int32_t x = spans[s].right - 1; x >= spans[s].left; x--) MapPixel(x, y, canvas, first);
        }
      }
    };
    if (first) {
      CanvasArea screen;
      screen.width = width_;
      screen.height = height_;
      ForEachRow(screen, CanvasArea(), visit);
    } else {
      ForEachRow(renderer.restored(), renderer.drawn(), visit);
    }
    frame_++;
    if (first) return Rect{0, 0, width_, height_};
    if (top_ < 0) return Rect{0, 0, 0, 0};
    return Rect{left_, top_, right_ - left_ + 1, bottom_ - top_ + 1};
  }

  const std::vector<uint8_t>& indices() const { return indices_; }

  // The distances summed over every frame mapped so far, `frames` in all.
  double ErrorSum() const {
    double sum = 0;
    for (size_t d = 1; d < distances_.size(); d++) {
      if (distances_[d] != 0) sum += static_cast<double>(distances_[d]) * std::sqrt(static_cast<double>(d));
    }
    return sum;
  }

 private:
  void MapPixel(int32_t x, int32_t y, const uint32_t* canvas, bool first) {
    const size_t at = static_cast<size_t>(y) * width_ + x;
    const uint32_t colour = canvas[at];
    if (!first && shown_[at] == colour) return;
    int index;
    if (dither_) {
      int incoming[3], channel[3];
      Incoming(x, y, incoming);
      for (int c = 0; c < 3; c++) {
        const int wanted = static_cast<int>(colour >> (16 - 8 * c) & 0xFF) + Sixteenths(incoming[c]);
        channel[c] = std::min(255, std::max(0, wanted));
      }
      index = nearest_.Find(static_cast<uint32_t>(channel[0]) << 16 | channel[1] << 8 | channel[2]);
      int* error = &errors_[y & 1][3 * static_cast<size_t>(x)];
      for (int c = 0; c < 3; c++) error[c] = channel[c] - static_cast<int>(palette_[index] >> (16 - 8 * c) & 0xFF);
      keys_[y & 1][x] = Key(y);
    } else {
      index = nearest_.Find(colour);
    }
    // Each distance is counted once for every frame from this one to the end;
    // the old one gives back the frames it will no longer show in.
    const uint64_t remaining = frames_ - frame_;
    if (!first) distances_[ColourDistance2(shown_[at], palette_[indices_[at]])] -= remaining;
    const size_t distance = static_cast<size_t>(ColourDistance2(colour, palette_[index]));
    // Sized to the largest distance met, which is small for most palettes.
    if (distance >= distances_.size()) distances_.resize(distance + 1, 0);
    distances_[distance] += remaining;
    if (first || index != indices_[at]) {
      left_ = std::min(left_, x);
      right_ = std::max(right_, x);
      if (top_ < 0) top_ = y;
      bottom_ = y;
    }
    indices_[at] = static_cast<uint8_t>(index);
    shown_[at] = colour;
  }

  // Floyd-Steinberg, rows in alternating directions, errors in sixteenths: the
  // error that the pixels before (x, y) in scan order pass on to it.
  void Incoming(int32_t x, int32_t y, int sum[3]) const {
    sum[0] = sum[1] = sum[2] = 0;
    const int32_t step = (y & 1) == 0 ? 1 : -1;
    AddError(x - step, y, 7, sum);
    if (y > 0) {
      // The row above ran the other way.
      AddError(x - step, y - 1, 3, sum);
      AddError(x, y - 1, 5, sum);
      AddError(x + step, y - 1, 1, sum);
    }
  }

  // A pixel mapped again in this frame passes on its diffused error; any other
  // keeps its index and passes on only its own.
  void AddError(int32_t x, int32_t y, int weight, int sum[3]) const {
    if (x < 0 || x >= width_) return;
    if (keys_[y & 1][x] == Key(y)) {
      const int* error = &errors_[y & 1][3 * static_cast<size_t>(x)];
      for (int c = 0; c < 3; c++) sum[c] += weight * error[c];
      return;
    }
    const size_t at = static_cast<size_t>(y) * width_ + x;
    const uint32_t colour = shown_[at], chosen = palette_[indices_[at]];
    for (int c = 0; c < 3; c++) {
      const int shift = 16 - 8 * c;
      sum[c] += weight * (static_cast<int>(colour >> shift & 0xFF) - static_cast<int>(chosen >> shift & 0xFF));
    }
  }

  // Names a row of one frame; never 0, which no row of the buffers holds at first.
  uint64_t Key(int32_t y) const { return (frame_ << 16 | static_cast<uint64_t>(y)) + 1; }

  // Rounds sixteenths to the nearest whole step, halves away from zero.
  static int Sixteenths(int value) { return value >= 0 ? (value + 8) / 16 : -((-value + 8) / 16); }

  const std::vector<uint32_t>& palette_;
  NearestColour nearest_;
  const bool dither_;
  const int32_t width_, height_;
  const uint64_t frames_;
  uint64_t frame_ = 0;
  std::vector<uint32_t> shown_;  // each pixel's colour when it was last mapped
  std::vector<uint8_t> indices_;
  // The diffused errors of the pixels mapped in the latest two rows, by row
  // parity, and the key of the row each was mapped in.
  std::vector<int> errors_[2];
  std::vector<uint64_t> keys_[2];
  // For each squared distance, the pixel-frames at it.
  std::vector<uint64_t> distances_ = std::vector<uint64_t>(1, 0);
  // The rectangle of changed indices in the latest frame.
  int32_t left_ = 0, right_ = 0, top_ = 0, bottom_ = 0;
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
  CountColours(&renderer, source.frames.size(), &histogram);
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

  FrameMapper mapper(palette, options.dither && !result.exact, source.width, source.height, source.frames.size());
  int64_t playerBytes = PlayerBitmapBytes(source.width, source.height);
  renderer.Restart();
  for (size_t i = 0; renderer.Next(); i++) {
    Rect rect = mapper.Map(renderer);
    // A frame of no pixels would stop the player; one unchanged pixel keeps the delay.
    if (rect.width == 0) rect = Rect{0, 0, 1, 1};
    int32_t delay = source.frames[i].delay;
    do {
      GifFrameImage image;
      image.left = rect.left;
      image.top = rect.top;
      image.width = rect.width;
      image.height = rect.height;
      image.pixels = mapper.indices().data() + static_cast<size_t>(rect.top) * source.width + rect.left;
      image.stride = source.width;
      image.delay = options.longestDelay > 0 ? std::min(delay, options.longestDelay) : delay;
      // A last part of 1 would stay as long as a browser shows such a frame,
      // 100 ms: the part before leaves it the shortest that keeps its time.
      if (delay - image.delay > 0 && delay - image.delay < kBrowsersShortestDelay)
        image.delay = delay - kBrowsersShortestDelay;
      // Every frame stays where it is drawn, which is how the player treats them all.
      image.disposal = kGifDoNotDispose;
      if (!encoder.AddFrame(image)) return Failed(encoder.error());
      result.writtenFrames++;
      delay -= image.delay;
      playerBytes += PlayerBitmapBytes(rect.width, rect.height);
      if (options.playerMemoryLimit > 0 &&
          playerBytes + static_cast<int64_t>(encoder.bytes().size()) > options.playerMemoryLimit) {
        return Failed("the frames it changes would need more than " + Megabytes(options.playerMemoryLimit) +
                      " of the player's memory by frame " + std::to_string(i) + " of " +
                      std::to_string(result.frames));
      }
      rect = Rect{0, 0, 1, 1};
    } while (delay > 0);
  }
  if (!encoder.Finish()) return Failed(encoder.error());
  const double pixels = static_cast<double>(source.width) * source.height;
  result.meanError = mapper.ErrorSum() / (pixels * result.frames);
  result.gif = encoder.TakeBytes();
  result.ok = true;
  return result;
}
