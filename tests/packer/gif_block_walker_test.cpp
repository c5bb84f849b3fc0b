#include "gif_block_walker.h"

#include <gtest/gtest.h>

#include <vector>

#include "gif_blocks.h"
#include "support/gif_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A 4-colour screen, ready for blocks.
GifWriter Start() {
  GifWriter gif;
  gif.Header().Screen(20, 10, 1).ColourTable(1);
  return gif;
}

// A walker past the screen of `bytes`.
GifBlockWalker Past(const Bytes& bytes) {
  GifBlockWalker walker(bytes.data(), bytes.size());
  GifScreen screen;
  EXPECT_TRUE(walker.ReadScreen(&screen));
  return walker;
}

TEST(GifBlockWalker, ReadsTheScreenAndPassesItsTable) {
  GifWriter gif;
  gif.Header().Screen(300, 200, 2, 5).ColourTable(2).Trailer();
  GifBlockWalker walker(gif.bytes().data(), gif.bytes().size());
  GifScreen screen;
  ASSERT_TRUE(walker.ReadScreen(&screen));
  EXPECT_TRUE(screen.knownSignature);
  EXPECT_EQ(screen.width, 300);
  EXPECT_EQ(screen.height, 200);
  EXPECT_EQ(screen.backgroundIndex, 5);
  EXPECT_TRUE(screen.globalTable);
  EXPECT_EQ(screen.globalTableEntries, 8u);
  EXPECT_EQ(screen.globalColours, gif.bytes().data() + 13);
  EXPECT_EQ(walker.offset(), 13u + 3 * 8);
  GifBlock block;
  EXPECT_EQ(walker.Next(&block), GifBlockKind::kTrailer);
  EXPECT_EQ(walker.Next(&block), GifBlockKind::kEnd);

  // Any signature is read and reported; a screen cut short is not read at all.
  GifWriter other;
  other.Header("GIF90b").Screen(1, 1, -1);
  GifBlockWalker unknown(other.bytes().data(), other.bytes().size());
  ASSERT_TRUE(unknown.ReadScreen(&screen));
  EXPECT_FALSE(screen.knownSignature);
  EXPECT_FALSE(screen.globalTable);
  GifBlockWalker cut(other.bytes().data(), other.bytes().size() - 1);
  EXPECT_FALSE(cut.ReadScreen(&screen));
  EXPECT_EQ(cut.offset(), 0u);

  // A table cut short: no colours, and nothing after it.
  GifWriter shortTable;
  shortTable.Header().Screen(1, 1, 7).Raw({1, 2, 3, 4, 5, 6});
  GifBlockWalker table(shortTable.bytes().data(), shortTable.bytes().size());
  ASSERT_TRUE(table.ReadScreen(&screen));
  EXPECT_TRUE(screen.globalTable);
  EXPECT_EQ(screen.globalColours, nullptr);
  EXPECT_EQ(table.Next(&block), GifBlockKind::kEnd);
}

TEST(GifBlockWalker, ReportsEachBlockWithItsFieldsAndPlace) {
  GifWriter gif = Start();
  gif.Looping(0);
  const size_t control = gif.bytes().size();
  // Restore to previous, transparent index 9, 3 seconds.
  gif.Raw({kGifExtensionIntroducer, kGifGraphicControlLabel, 4, 3 << kGifDisposalShift | kGifTransparentFlag, 44, 1,
           9, 0});
  gif.Comment("a comment");
  const size_t image = gif.bytes().size();
  gif.Descriptor(2, 3, 4, 2, true, 1);
  const size_t data = gif.bytes().size();
  gif.EncodedData(2, Bytes(8, 1)).Trailer();

  GifBlockWalker walker = Past(gif.bytes());
  GifBlock block;
  ASSERT_EQ(walker.Next(&block), GifBlockKind::kExtension);
  EXPECT_EQ(block.label, kGifApplicationLabel);
  ASSERT_EQ(walker.Next(&block), GifBlockKind::kGraphicControl);
  EXPECT_EQ(block.offset, control);
  EXPECT_EQ(block.control.blockSize, 4);
  EXPECT_TRUE(block.control.alone);
  EXPECT_EQ(block.control.disposal(), kGifRestorePrevious);
  EXPECT_TRUE(block.control.transparent());
  EXPECT_EQ(block.control.transparentIndex, 9);
  EXPECT_EQ(block.control.delay, 300);
  ASSERT_EQ(walker.Next(&block), GifBlockKind::kExtension);
  EXPECT_EQ(block.label, kGifCommentLabel);
  ASSERT_EQ(walker.Next(&block), GifBlockKind::kImage);
  EXPECT_EQ(block.offset, image);
  EXPECT_TRUE(block.image.whole);
  EXPECT_EQ((std::vector<int>{block.image.left, block.image.top, block.image.width, block.image.height}),
            (std::vector<int>{2, 3, 4, 2}));
  EXPECT_TRUE(block.image.interlaced);
  EXPECT_TRUE(block.image.localTable);
  EXPECT_EQ(block.image.localTableEntries, 4u);
  EXPECT_EQ(block.image.localColours, gif.bytes().data() + image + 10);
  EXPECT_EQ(walker.offset(), data);
  EXPECT_EQ(walker.cursor()->Byte(), 2);
  EXPECT_TRUE(walker.cursor()->SkipSubBlocks());
  EXPECT_EQ(walker.Next(&block), GifBlockKind::kTrailer);
}

TEST(GifBlockWalker, GraphicControlsOfOtherShapes) {
  struct Case {
    const char* what;
    Bytes block;  // after the label
    int blockSize;
    bool alone;
    int delay;  // 0 where the fields are missing
  } cases[] = {
      {"longer", {5, 8, 10, 0, 7, 0xAA, 0}, 5, true, 10},
      {"shorter", {3, 8, 10, 0, 0}, 3, true, 0},
      {"empty", {0}, 0, false, 0},
      {"more sub-blocks", {4, 8, 10, 0, 7, 2, 1, 1, 0}, 4, false, 10},
  };
  for (const Case& c : cases) {
    GifWriter gif = Start();
    gif.Raw({kGifExtensionIntroducer, kGifGraphicControlLabel}).Raw(c.block).Trailer();
    GifBlockWalker walker = Past(gif.bytes());
    GifBlock block;
    ASSERT_EQ(walker.Next(&block), GifBlockKind::kGraphicControl) << c.what;
    EXPECT_EQ(block.control.blockSize, c.blockSize) << c.what;
    EXPECT_EQ(block.control.alone, c.alone) << c.what;
    EXPECT_EQ(block.control.delay, c.delay) << c.what;
    EXPECT_EQ(walker.Next(&block), GifBlockKind::kTrailer) << c.what;
  }
}

TEST(GifBlockWalker, DamageEndsTheWalkForGood) {
  GifBlock block;
  // A descriptor cut short is reported, without its fields, at the end of the data.
  GifWriter descriptor = Start();
  descriptor.Raw({kGifImageIntroducer, 1, 0, 2, 0});
  GifBlockWalker cutDescriptor = Past(descriptor.bytes());
  ASSERT_EQ(cutDescriptor.Next(&block), GifBlockKind::kImage);
  EXPECT_FALSE(block.image.whole);
  EXPECT_EQ(cutDescriptor.offset(), descriptor.bytes().size());
  EXPECT_EQ(cutDescriptor.Next(&block), GifBlockKind::kEnd);

  // A local table cut short: the descriptor is whole, the colours missing.
  GifWriter table = Start();
  const size_t local = table.bytes().size() + 1 + kGifImageDescriptorSize;
  table.Descriptor(0, 0, 1, 1, false, 3);
  const Bytes tableCut(table.bytes().begin(), table.bytes().begin() + static_cast<long>(local + 3));
  GifBlockWalker cutTable = Past(tableCut);
  ASSERT_EQ(cutTable.Next(&block), GifBlockKind::kImage);
  EXPECT_TRUE(block.image.whole);
  EXPECT_TRUE(block.image.localTable);
  EXPECT_EQ(block.image.localColours, nullptr);
  EXPECT_EQ(cutTable.Next(&block), GifBlockKind::kEnd);

  // An unknown introducer, an extension without its label or cut inside its
  // sub-blocks, a graphic control cut short: the end, even with blocks after it.
  for (const Bytes& damage : {Bytes{0x00}, Bytes{kGifExtensionIntroducer}, Bytes{kGifExtensionIntroducer, 0x99, 4, 1},
                              Bytes{kGifExtensionIntroducer, kGifGraphicControlLabel, 4, 8, 10}}) {
    GifWriter gif = Start();
    gif.Raw(damage);
    const size_t end = gif.bytes().size();
    if (damage.size() == 1) gif.Comment("after").Trailer();
    GifBlockWalker walker = Past(gif.bytes());
    const std::vector<uint8_t> head(gif.bytes().begin(), gif.bytes().begin() + static_cast<long>(end));
    GifBlockWalker cut = Past(head);
    EXPECT_EQ(walker.Next(&block), GifBlockKind::kEnd) << int{damage[0]} << " of " << damage.size();
    EXPECT_EQ(walker.Next(&block), GifBlockKind::kEnd) << int{damage[0]} << " of " << damage.size();
    EXPECT_EQ(cut.Next(&block), GifBlockKind::kEnd) << int{damage[0]} << " of " << damage.size();
  }
}

}  // namespace
