#include "gif_inspection.h"

#include <cstring>

#include "gif_cursor.h"

GifInspection InspectGif(const std::vector<uint8_t>& bytes) {
  GifInspection result;
  if (bytes.size() < 13) return result;
  result.signatureOk = std::memcmp(bytes.data(), "GIF87a", 6) == 0 || std::memcmp(bytes.data(), "GIF89a", 6) == 0;
  GifCursor cursor(bytes.data(), bytes.size());
  cursor.Skip(10);
  int packed = cursor.Byte();
  cursor.Skip(2);
  result.globalTable = (packed & 0x80) != 0;
  if (result.globalTable && !cursor.Skip(3u << ((packed & 7) + 1))) return result;

  bool pendingTransparency = false, pendingDisposal = false, pendingZeroDelay = true;
  for (;;) {
    int introducer = cursor.Byte();
    if (introducer == 0x21) {
      int label = cursor.Byte();
      if (label == 0xF9) {
        int size = cursor.Byte();
        int flags = cursor.Byte();
        int delayLow = cursor.Byte(), delayHigh = cursor.Byte();
        if (size != 4 || delayHigh < 0 || !cursor.Skip(1) || cursor.Byte() != 0) return result;
        int disposal = (flags >> 2) & 7;
        pendingTransparency = (flags & 1) != 0;
        pendingDisposal = disposal == 2 || disposal == 3;
        pendingZeroDelay = (delayLow | delayHigh << 8) == 0;
      } else if (label < 0 || !cursor.SkipSubBlocks()) {
        return result;
      }
    } else if (introducer == 0x2C) {
      if (!cursor.Skip(8)) return result;
      int flags = cursor.Byte();
      if (flags < 0) return result;
      result.frames++;
      if (flags & 0x80) {
        result.framesWithLocalTable++;
        if (!cursor.Skip(3u << ((flags & 7) + 1))) return result;
      }
      if (pendingTransparency) result.framesWithTransparency++;
      if (pendingDisposal) result.framesWithDisposal++;
      if (pendingZeroDelay) result.framesWithZeroDelay++;
      pendingTransparency = pendingDisposal = false;
      pendingZeroDelay = true;
      if (!cursor.Skip(1) || !cursor.SkipSubBlocks()) return result;
    } else {
      return result;
    }
  }
}
