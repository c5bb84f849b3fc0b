// What a greeting may ask of the 32-bit player process that plays it: memory,
// file size, timer and decoder. The packing checks and --flatten hold every
// greeting to these, so that what is packed plays to the end of its loop.
#pragma once

#include <cstdint>
#include <string>

// The memory the player may need at once: the GIF section it reads, every
// frame's pixels and record, and the canvas. A 32-bit process gets about
// 1.8 GiB in 1 MiB blocks under Wine.
const int64_t kPlayerMemoryLimit = int64_t{1024} << 20;
// The largest single block the player may need (canvas, one frame, the GIF
// section or the song): the largest free areas of a 32-bit process with the
// player's libraries loaded are about 560, 509 and 477 MiB under Wine, so a
// block of 1 GiB is never granted, and a few of 256 MiB always fit.
const int64_t kPlayerBlockLimit = int64_t{256} << 20;
// The player counts the bytes of its own file it has scanned in a signed
// 32-bit number.
const int64_t kGreetingSizeLimit = INT32_MAX;
// The longest frame delay in hundredths of a second: the timer service refuses
// a one-shot delay above 65,535 ms, and the animation would stop there for good.
const int32_t kLongestFrameDelay = 6553;
// The minimum code sizes the player's LZW decoder takes are its own
// (kLzwPlayerMinCodeSizeLow and High, lzw_decoder.h).
// What each frame costs the 32-bit player beside its pixels: its record
// (GifFrame) and its pointer in the frame array.
const int64_t kPlayerFrameRecordBytes = 600 + 4;
// A section's marker, its 4-byte length, then its data.
const int64_t kGifSectionHeaderBytes = 1 + 15 + 1 + 4;
const int64_t kMidiSectionHeaderBytes = 1 + 16 + 1 + 4;

// The bytes of a width x height picture as the player holds it: rows padded to
// 4 bytes, no block for a side of 0.
inline int64_t PlayerBitmapBytes(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return 0;
  return ((static_cast<int64_t>(width) + 3) & ~int64_t{3}) * height;
}

// Bytes as the messages about these limits give them: "1,640 MB", in units of
// 2^20 bytes, rounded up.
inline std::string Megabytes(int64_t bytes) {
  std::string digits = std::to_string((bytes + (int64_t{1} << 20) - 1) >> 20);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<size_t>(at), ",");
  return digits + " MB";
}
