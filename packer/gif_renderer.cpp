#include "gif_renderer.h"

#include "gif_blocks.h"

namespace {

CanvasArea ClipArea(const SourceFrame& frame) {
  CanvasArea area;
  area.left = frame.clipLeft;
  area.top = frame.clipTop;
  area.width = frame.clipWidth;
  area.height = frame.clipHeight;
  return area;
}

}  // namespace

GifRenderer::GifRenderer(const SourceGif& gif) : gif_(gif) {
  if (gif.backgroundIndex < static_cast<int32_t>(gif.globalColours.size())) {
    background_ = gif.globalColours[gif.backgroundIndex];
  }
  Restart();
}

void GifRenderer::Restart() {
  canvas_.assign(static_cast<size_t>(gif_.width) * gif_.height, background_);
  next_ = 0;
  restored_ = CanvasArea();
  drawn_ = CanvasArea();
}

void GifRenderer::FillRect(const SourceFrame& frame, uint32_t colour) {
  for (int32_t y = 0; y < frame.clipHeight; y++) {
    uint32_t* row = canvas_.data() + static_cast<size_t>(frame.clipTop + y) * gif_.width + frame.clipLeft;
    for (int32_t x = 0; x < frame.clipWidth; x++) row[x] = colour;
  }
}

void GifRenderer::CopyRect(const SourceFrame& frame, const std::vector<uint32_t>& from, std::vector<uint32_t>* to) {
  for (int32_t y = 0; y < frame.clipHeight; y++) {
    const size_t at = static_cast<size_t>(frame.clipTop + y) * gif_.width + frame.clipLeft;
    for (int32_t x = 0; x < frame.clipWidth; x++) (*to)[at + x] = from[at + x];
  }
}

bool GifRenderer::Next() {
  if (next_ >= gif_.frames.size()) return false;
  restored_ = CanvasArea();
  if (next_ > 0) {
    // Methods 0, 1 and the undefined 4 to 7 leave the frame in place.
    const SourceFrame& previous = gif_.frames[next_ - 1];
    if (previous.disposal == kGifRestoreBackground) FillRect(previous, background_);
    if (previous.disposal == kGifRestorePrevious) CopyRect(previous, saved_, &canvas_);
    if (previous.disposal == kGifRestoreBackground || previous.disposal == kGifRestorePrevious) {
      restored_ = ClipArea(previous);
    }
  }
  const SourceFrame& frame = gif_.frames[next_++];
  drawn_ = ClipArea(frame);
  if (frame.disposal == kGifRestorePrevious) {
    if (saved_.size() != canvas_.size()) saved_.resize(canvas_.size());
    CopyRect(frame, canvas_, &saved_);
  }
  const std::vector<uint32_t>& colours = frame.localColours.empty() ? gif_.globalColours : frame.localColours;
  for (int32_t y = 0; y < frame.clipHeight; y++) {
    const size_t from = static_cast<size_t>(y) * frame.clipWidth;
    uint32_t* row = canvas_.data() + static_cast<size_t>(frame.clipTop + y) * gif_.width + frame.clipLeft;
    for (int32_t x = 0; x < frame.clipWidth; x++) {
      if (!frame.present.empty() && !frame.present[from + x]) continue;
      const int index = frame.pixels[from + x];
      if (index == frame.transparent) continue;
      // An index past the table, or no table at all, shows black.
      row[x] = index < static_cast<int>(colours.size()) ? colours[index] : 0;
    }
  }
  return true;
}
