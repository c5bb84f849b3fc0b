#include "gif_inspection.h"

#include "gif_block_walker.h"
#include "gif_blocks.h"
#include "lzw_decoder.h"
#include "player_limits.h"

GifInspection InspectGif(const std::vector<uint8_t>& bytes) {
  GifInspection result;
  GifBlockWalker walker(bytes.data(), bytes.size());
  GifScreen screen;
  if (!walker.ReadScreen(&screen)) return result;
  result.signatureOk = screen.knownSignature;
  result.width = screen.width;
  result.height = screen.height;
  result.globalTable = screen.globalTable;
  if (result.globalTable && screen.globalColours == nullptr) return result;

  bool pendingTransparency = false, pendingDisposal = false;
  int delay = 0;
  GifBlock block;
  for (;;) {
    const GifBlockKind kind = walker.Next(&block);
    if (kind == GifBlockKind::kExtension) continue;
    if (kind == GifBlockKind::kGraphicControl) {
      // The player stops at a graphic control of any other shape.
      const GifGraphicControl& control = block.control;
      if (control.blockSize != kGifGraphicControlSize || !control.alone) return result;
      const int disposal = control.disposal();
      pendingTransparency = control.transparent();
      pendingDisposal = disposal == kGifRestoreBackground || disposal == kGifRestorePrevious;
      delay = control.delay;
      continue;
    }
    if (kind != GifBlockKind::kImage || !block.image.whole) return result;
    const GifImageDescriptor& image = block.image;
    const int64_t frame = result.frames++;
    if (image.localTable) {
      result.withLocalTable.Add(frame, 0);
      if (image.localColours == nullptr) return result;
    }
    if (pendingTransparency) result.withTransparency.Add(frame, 0);
    if (pendingDisposal) result.withDisposal.Add(frame, 0);
    if (delay == 0) result.withZeroDelay.Add(frame, 0);
    if (delay > kLongestFrameDelay) result.withLongDelay.Add(frame, delay);
    pendingTransparency = pendingDisposal = false;
    delay = 0;
    // The player gives a frame its pixels only when image data follows.
    GifCursor* data = walker.cursor();
    const int minCodeSize = data->Byte();
    if (minCodeSize < 0) return result;
    const int64_t pixelBytes = PlayerBitmapBytes(image.width, image.height);
    result.framePixelBytes += pixelBytes;
    if (pixelBytes > result.largestFrame.value) {
      result.largestFrame = FrameTally();
      result.largestFrame.Add(frame, pixelBytes);
    }
    if (minCodeSize < kLzwPlayerMinCodeSizeLow || minCodeSize > kLzwPlayerMinCodeSizeHigh) {
      result.withBadCodeSize.Add(frame, minCodeSize);
    }
    if (!data->SkipSubBlocks()) return result;
  }
}
