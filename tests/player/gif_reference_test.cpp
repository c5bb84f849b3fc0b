// The parser and decoder against giflib over a corpus written by ImageMagick and
// giflib's own tools. Native builds ask giflib directly; Windows builds read the
// dumps that the native build's corpus step wrote beside each file.
#include "gif_reference.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "gif_block_walker.h"
#include "gif_parser.h"
#include "support/parsed_gif.h"
#include "whole_file.h"

#ifdef GIF_REFERENCE_GIFLIB
#include "support/gif_writer.h"
#include "support/scratch_dir.h"
#endif

namespace {

const std::string kCorpusDir = GIF_CORPUS_DIR;

std::string CorpusFile(const std::string& name) { return kCorpusDir + "/" + name; }

std::vector<std::string> CorpusNames() {
  bool ok = false;
  const std::vector<uint8_t> list = ReadWholeFile(CorpusFile("names.txt"), &ok);
  std::vector<std::string> names;
  std::string name;
  for (uint8_t c : list) {
    if (c == '\n' || c == '\r') {
      if (!name.empty()) names.push_back(name);
      name.clear();
    } else {
      name += static_cast<char>(c);
    }
  }
  if (!name.empty()) names.push_back(name);
  return names;
}

bool LoadReference(const std::string& name, ReferenceGif* gif, std::string* error) {
#ifdef GIF_REFERENCE_GIFLIB
  return LoadWithGiflib(CorpusFile(name + ".gif"), gif, error);
#else
  *error = "no readable dump " + CorpusFile(name + ".idx");
  return ReadDump(CorpusFile(name + ".idx"), gif);
#endif
}

// The minimum code size and local colour table flag of each image, found by
// walking the blocks.
struct ImageHeader {
  int minCodeSize;
  bool localTable;
};

std::vector<ImageHeader> ImageHeaders(const std::vector<uint8_t>& b) {
  std::vector<ImageHeader> images;
  GifBlockWalker walker(b.data(), b.size());
  GifScreen screen;
  if (!walker.ReadScreen(&screen)) return images;
  GifBlock block;
  for (GifBlockKind kind = walker.Next(&block); kind != GifBlockKind::kEnd; kind = walker.Next(&block)) {
    if (kind != GifBlockKind::kImage) continue;
    GifCursor* data = walker.cursor();
    const int minCodeSize = data->Byte();
    if (minCodeSize < 0) break;
    images.push_back({minCodeSize, block.image.localTable});
    if (!data->SkipSubBlocks()) break;
  }
  return images;
}

TEST(GifReference, EveryFrameMatchesGiflib) {
  const std::vector<std::string> names = CorpusNames();
  ASSERT_FALSE(names.empty()) << "no corpus in " << kCorpusDir << " (it is written by the native build)";
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    bool ok = false;
    const std::vector<uint8_t> bytes = ReadWholeFile(CorpusFile(name + ".gif"), &ok);
    ASSERT_TRUE(ok);
    ReferenceGif reference;
    std::string error;
    ASSERT_TRUE(LoadReference(name, &reference, &error)) << error;

    ParsedGif parsed(bytes);
    const GifAnimation& a = parsed.animation;
    EXPECT_EQ(a.width, reference.width);
    EXPECT_EQ(a.height, reference.height);
    ASSERT_EQ(a.colourCount, static_cast<int32_t>(reference.colours.size()));
    for (int32_t i = 0; i < a.colourCount; i++) EXPECT_EQ(a.colours[i], reference.colours[i]) << "colour " << i;
    ASSERT_EQ(parsed.frameCount(), static_cast<int32_t>(reference.frames.size()));
    for (int32_t i = 0; i < parsed.frameCount(); i++) {
      const GifFrame& frame = parsed.frame(i);
      const ReferenceFrame& expected = reference.frames[i];
      EXPECT_EQ(frame.left, expected.left) << "frame " << i;
      EXPECT_EQ(frame.top, expected.top) << "frame " << i;
      ASSERT_EQ(frame.width, expected.width) << "frame " << i;
      ASSERT_EQ(frame.height, expected.height) << "frame " << i;
      EXPECT_EQ(frame.interlaced, expected.interlaced ? 0x40 : 0) << "frame " << i;
      EXPECT_EQ(frame.delay, expected.delay) << "frame " << i;
      ASSERT_NE(frame.bitmap.pixels, nullptr) << "frame " << i;
      for (int32_t y = 0; y < frame.height; y++) {
        const auto row = expected.indices.begin() + static_cast<std::ptrdiff_t>(y) * expected.width;
        ASSERT_EQ(parsed.Row(i, y), std::vector<uint8_t>(row, row + expected.width)) << "frame " << i << " row " << y;
      }
    }
  }
}

// Without this the comparison above could pass over a corpus that lost the
// shapes it is there for.
TEST(GifReference, CorpusHoldsTheShapesItIsFor) {
  std::set<int> codeSizes;
  bool localTable = false, interlaced = false, offset = false, tiny = false, large = false, manyFrames = false;
  std::set<int> interlacedHeights;
  for (const std::string& name : CorpusNames()) {
    bool ok = false;
    const std::vector<uint8_t> bytes = ReadWholeFile(CorpusFile(name + ".gif"), &ok);
    ASSERT_TRUE(ok) << name;
    for (const ImageHeader& image : ImageHeaders(bytes)) {
      codeSizes.insert(image.minCodeSize);
      localTable = localTable || image.localTable;
    }
    ReferenceGif reference;
    std::string error;
    ASSERT_TRUE(LoadReference(name, &reference, &error)) << name << ": " << error;
    tiny = tiny || (reference.width == 1 && reference.height == 1);
    large = large || reference.width * reference.height >= 1000 * 800;
    manyFrames = manyFrames || reference.frames.size() >= 40;
    for (const ReferenceFrame& frame : reference.frames) {
      if (frame.interlaced) {
        interlaced = true;
        interlacedHeights.insert(frame.height);
      }
      offset = offset || ((frame.left > 0 || frame.top > 0) && frame.width < reference.width);
    }
  }
  EXPECT_EQ(codeSizes, (std::set<int>{2, 3, 4, 5, 6, 7, 8}));
  EXPECT_TRUE(localTable);
  EXPECT_TRUE(interlaced);
  for (int h : {1, 2, 3, 4, 5, 8, 9}) EXPECT_EQ(interlacedHeights.count(h), 1u) << "interlaced height " << h;
  EXPECT_TRUE(offset);
  EXPECT_TRUE(tiny);
  EXPECT_TRUE(large);
  EXPECT_TRUE(manyFrames);
}

#ifdef GIF_REFERENCE_GIFLIB
// The image data the tests write, checked by giflib: the encoder's, which clears
// a full table, and the writer's code lists, which keep using it.
TEST(GifReference, GiflibReadsWhatTheTestWriterEncodes) {
  ScratchDir dir;
  for (bool clearWhenFull : {true, false}) {
    for (int minCodeSize : {2, 5, 8}) {
      const int colours = 1 << minCodeSize;
      const IndexImage image = PatternImage(211, 97, colours, static_cast<uint32_t>(minCodeSize));
      const std::vector<uint8_t> rows = StreamOrder(image, true);
      GifWriter gif;
      gif.Header().Screen(image.width, image.height, minCodeSize - 1).ColourTable(minCodeSize - 1);
      gif.Descriptor(0, 0, image.width, image.height, true);
      if (clearWhenFull) {
        gif.EncodedData(minCodeSize, rows);
      } else {
        gif.ImageData(minCodeSize, LzwCodeList(rows, minCodeSize), {255});
      }
      gif.Trailer();
      const std::string path = dir.File("written.gif");
      ASSERT_TRUE(WriteWholeFile(path, gif.bytes()));

      ReferenceGif reference;
      std::string error;
      ASSERT_TRUE(LoadWithGiflib(path, &reference, &error)) << error << " minimum " << minCodeSize;
      ASSERT_EQ(reference.frames.size(), 1u);
      EXPECT_EQ(reference.frames[0].indices, image.pixels) << "minimum " << minCodeSize << " clear " << clearWhenFull;
    }
  }
}
#endif

}  // namespace
