#include "gif_inspection.h"

#include <cstring>

#include "gif_cursor.h"
#include "player_limits.h"

GifInspection InspectGif(const std::vector<uint8_t>& bytes) {
  GifInspection result;
  if (bytes.size() < 13) return result;
  result.signatureOk = std::memcmp(bytes.data(), "GIF87a", 6) == 0 || std::memcmp(bytes.data(), "GIF89a", 6) == 0;
  GifCursor cursor(bytes.data(), bytes.size());
  cursor.Skip(6);
  result.width = cursor.U16();
  result.height = cursor.U16();
  int packed = cursor.Byte();
  cursor.Skip(2);
  result.globalTable = (packed & 0x80) != 0;
  if (result.globalTable && !cursor.Skip(3u << ((packed & 7) + 1))) return result;

  bool pendingTransparency = false, pendingDisposal = false;
  int delay = 0;
  for (;;) {
    int introducer = cursor.Byte();
    if (introducer == 0x21) {
      int label = cursor.Byte();
      if (label == 0xF9) {
        int size = cursor.Byte();
        int flags = cursor.Byte();
        int pendingDelay = cursor.U16();
        if (size != 4 || pendingDelay < 0 || !cursor.Skip(1) || cursor.Byte() != 0) return result;
        int disposal = (flags >> 2) & 7;
        pendingTransparency = (flags & 1) != 0;
        pendingDisposal = disposal == 2 || disposal == 3;
        delay = pendingDelay;
      } else if (label < 0 || !cursor.SkipSubBlocks()) {
        return result;
      }
    } else if (introducer == 0x2C) {
      if (!cursor.Skip(4)) return result;
      const int width = cursor.U16(), height = cursor.U16();
      const int flags = cursor.Byte();
      if (flags < 0) return result;
      const int64_t frame = result.frames++;
      if (flags & 0x80) {
        result.withLocalTable.Add(frame, 0);
        if (!cursor.Skip(3u << ((flags & 7) + 1))) return result;
      }
      if (pendingTransparency) result.withTransparency.Add(frame, 0);
      if (pendingDisposal) result.withDisposal.Add(frame, 0);
      if (delay == 0) result.withZeroDelay.Add(frame, 0);
      if (delay > kLongestFrameDelay) result.withLongDelay.Add(frame, delay);
      pendingTransparency = pendingDisposal = false;
      delay = 0;
      // The player gives a frame its pixels only when image data follows.
      const int minCodeSize = cursor.Byte();
      if (minCodeSize < 0) return result;
      const int64_t pixelBytes = PlayerBitmapBytes(width, height);
      result.framePixelBytes += pixelBytes;
      if (pixelBytes > result.largestFrame.value) {
        result.largestFrame = FrameTally();
        result.largestFrame.Add(frame, pixelBytes);
      }
      if (minCodeSize < kPlayerMinCodeSizeLow || minCodeSize > kPlayerMinCodeSizeHigh) {
        result.withBadCodeSize.Add(frame, minCodeSize);
      }
      if (!cursor.SkipSubBlocks()) return result;
    } else {
      return result;
    }
  }
}
