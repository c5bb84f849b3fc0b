#include "gif_block_walker.h"

#include <cstring>

#include "gif_blocks.h"

namespace {

// Passes the colour table that `packed` announces. Its entries, or null without
// a table or when the data ends inside it (the cursor then stands at the end).
const uint8_t* PassColourTable(GifCursor* cursor, int packed, bool* present, size_t* entries) {
  *present = (packed & kGifColourTableFlag) != 0;
  *entries = *present ? size_t{2} << (packed & kGifTableSizeMask) : 0;
  const uint8_t* table = cursor->Here();
  if (!*present || !cursor->Skip(3 * *entries)) return nullptr;
  return table;
}

}  // namespace

int GifGraphicControl::disposal() const { return (packed >> kGifDisposalShift) & kGifDisposalMask; }

bool GifGraphicControl::transparent() const { return (packed & kGifTransparentFlag) != 0; }

bool GifBlockWalker::ReadScreen(GifScreen* screen) {
  *screen = GifScreen();
  if (cursor_.Remaining() < static_cast<size_t>(kGifSignatureSize + kGifScreenDescriptorSize)) return false;
  const uint8_t* signature = cursor_.Here();
  screen->knownSignature = std::memcmp(signature, "GIF87a", kGifSignatureSize) == 0 ||
                           std::memcmp(signature, "GIF89a", kGifSignatureSize) == 0;
  cursor_.Skip(kGifSignatureSize);
  screen->width = cursor_.U16();
  screen->height = cursor_.U16();
  const int packed = cursor_.Byte();
  screen->backgroundIndex = cursor_.Byte();
  cursor_.Byte();  // the pixel aspect ratio
  screen->globalColours = PassColourTable(&cursor_, packed, &screen->globalTable, &screen->globalTableEntries);
  return true;
}

GifBlockKind GifBlockWalker::Next(GifBlock* block) {
  if (ended_) return GifBlockKind::kEnd;
  *block = GifBlock();
  block->offset = cursor_.Offset();
  const int introducer = cursor_.Byte();
  if (introducer == kGifTrailer) {
    ended_ = true;
    return GifBlockKind::kTrailer;
  }
  if (introducer == kGifImageIntroducer) {
    ReadImageDescriptor(&block->image);
    return GifBlockKind::kImage;
  }
  if (introducer != kGifExtensionIntroducer) return End();
  block->label = cursor_.Byte();
  if (block->label == kGifGraphicControlLabel) {
    return ReadGraphicControl(&block->control) ? GifBlockKind::kGraphicControl : End();
  }
  if (block->label < 0 || !cursor_.SkipSubBlocks()) return End();
  return GifBlockKind::kExtension;
}

GifBlockKind GifBlockWalker::End() {
  ended_ = true;
  return GifBlockKind::kEnd;
}

// Readers differ on a graphic control of another size or with more sub-blocks,
// so it is reported as it stands, with its fields when its first sub-block
// holds them.
bool GifBlockWalker::ReadGraphicControl(GifGraphicControl* control) {
  control->blockSize = cursor_.Byte();
  if (control->blockSize < 0) return false;
  if (control->blockSize == kGifBlockTerminator) return true;
  const uint8_t* fields = cursor_.Here();
  if (!cursor_.Skip(static_cast<size_t>(control->blockSize))) return false;
  if (control->blockSize >= kGifGraphicControlSize) {
    control->packed = fields[0];
    control->delay = fields[1] | fields[2] << 8;
    control->transparentIndex = fields[3];
  }
  const int next = cursor_.Byte();
  if (next < 0) return false;
  control->alone = next == kGifBlockTerminator;
  return control->alone || (cursor_.Skip(static_cast<size_t>(next)) && cursor_.SkipSubBlocks());
}

// A descriptor cut short leaves the cursor at the end and `whole` false; a local
// table cut short leaves it at the end too, with `localColours` null.
void GifBlockWalker::ReadImageDescriptor(GifImageDescriptor* image) {
  if (cursor_.Remaining() < static_cast<size_t>(kGifImageDescriptorSize)) {
    cursor_.Skip(cursor_.Remaining());
    return;
  }
  image->left = cursor_.U16();
  image->top = cursor_.U16();
  image->width = cursor_.U16();
  image->height = cursor_.U16();
  const int packed = cursor_.Byte();
  image->whole = true;
  image->interlaced = (packed & kGifInterlaceFlag) != 0;
  image->localColours = PassColourTable(&cursor_, packed, &image->localTable, &image->localTableEntries);
}
