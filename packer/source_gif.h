// A GIF87a/89a stream read in full, as a viewer needs it: colour tables global
// and local, graphic control (delay, disposal, transparent index) and every
// image, de-interlaced and clipped to the logical screen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Limits that keep a hostile file from asking for more memory than an animation
// on screen can use; they hold on a 32-bit system.
const int64_t kMaxScreenPixels = int64_t{1} << 24;
const int64_t kMaxStoredFramePixels = int64_t{1} << 27;  // all frames' on-screen parts together
// One frame's rows as decoded: its full width, down to the screen's bottom edge.
const int64_t kMaxDecodedFramePixels = int64_t{1} << 27;
const int32_t kMaxSourceFrames = 65535;

struct SourceFrame {
  // The image as declared, in screen coordinates.
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool interlaced = false;
  int32_t delay = 0;         // hundredths of a second
  int32_t disposal = 0;      // the graphic control's method, 0 to 7
  int32_t transparent = -1;  // the transparent index, or -1
  std::vector<uint32_t> localColours;  // 0xRRGGBB; empty without a local table

  // The part of the image on the screen; empty when it lies wholly outside.
  int32_t clipLeft = 0;
  int32_t clipTop = 0;
  int32_t clipWidth = 0;
  int32_t clipHeight = 0;
  std::vector<uint8_t> pixels;   // clipWidth x clipHeight indices, top row first
  std::vector<uint8_t> present;  // empty when every pixel was decoded; else 1 per decoded pixel
};

struct SourceGif {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> globalColours;  // 0xRRGGBB; empty without a global table
  int32_t backgroundIndex = 0;
  std::vector<SourceFrame> frames;
  // The stream broke off or went wrong after the frames kept (no trailer, a
  // damaged block, image data cut short).
  bool truncated = false;
};

// Reads the whole stream. False, with `error` set, when the header or the
// logical screen is unusable, a limit is passed, or no image is found; damage
// after the first image keeps the frames read so far and sets `truncated`.
bool ReadSourceGif(const uint8_t* data, size_t size, SourceGif* gif, std::string* error);
