// Plays a SourceGif onto an RGB canvas frame by frame, as GIF89a viewers do:
// the canvas starts as the background colour, transparent pixels leave it, and
// each frame's disposal method is applied before the next frame is drawn.
#pragma once

#include <cstdint>
#include <vector>

#include "source_gif.h"

// A rectangle of the canvas; empty when either side is 0.
struct CanvasArea {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool empty() const { return width <= 0 || height <= 0; }
};

class GifRenderer {
 public:
  explicit GifRenderer(const SourceGif& gif);
  GifRenderer(const GifRenderer&) = delete;
  GifRenderer& operator=(const GifRenderer&) = delete;

  // Starts again from the empty canvas.
  void Restart();
  // Draws the next frame; false after the last one.
  bool Next();

  // The canvas after the frame Next drew, 0xRRGGBB, top row first.
  const std::vector<uint32_t>& canvas() const { return canvas_; }
  int32_t width() const { return gif_.width; }
  int32_t height() const { return gif_.height; }

  // Where the latest Next can have changed the canvas: the previous frame's area
  // when its disposal restored it, and the area of the frame drawn. Everything
  // else is as the frame before left it, so callers can follow a long animation
  // at the cost of what it changes.
  const CanvasArea& restored() const { return restored_; }
  const CanvasArea& drawn() const { return drawn_; }

 private:
  void FillRect(const SourceFrame& frame, uint32_t colour);
  void CopyRect(const SourceFrame& frame, const std::vector<uint32_t>& from, std::vector<uint32_t>* to);

  const SourceGif& gif_;
  uint32_t background_ = 0;  // the global table's background colour; black without one
  std::vector<uint32_t> canvas_;
  std::vector<uint32_t> saved_;  // the canvas under a frame that restores it afterwards
  size_t next_ = 0;
  CanvasArea restored_;
  CanvasArea drawn_;
};
