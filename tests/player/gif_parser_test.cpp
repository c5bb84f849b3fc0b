#include "gif_parser.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/gif_writer.h"
#include "support/parsed_gif.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A screen with a 4-colour global table, as most malformed streams here start.
GifWriter Start(int width = 8, int height = 6) {
  GifWriter gif;
  gif.Header().Screen(width, height, 1).ColourTable(1);
  return gif;
}

// The encoder's stream of `frames` on a screen with the writer's table colours.
Bytes Encode(int width, int height, int entries, const std::vector<GifFrameImage>& frames) {
  GifEncoder encoder;
  EXPECT_TRUE(encoder.Begin(width, height, TablePalette(entries), -1)) << encoder.error();
  for (const GifFrameImage& frame : frames) EXPECT_TRUE(encoder.AddFrame(frame)) << encoder.error();
  EXPECT_TRUE(encoder.Finish());
  return encoder.TakeBytes();
}

// Expects frame i to hold exactly `image`.
void ExpectFrame(const ParsedGif& parsed, int32_t i, const IndexImage& image) {
  ASSERT_LT(i, parsed.frameCount());
  const GifFrame& frame = parsed.frame(i);
  ASSERT_EQ(frame.width, image.width) << "frame " << i;
  ASSERT_EQ(frame.height, image.height) << "frame " << i;
  ASSERT_NE(frame.bitmap.pixels, nullptr) << "frame " << i;
  for (int y = 0; y < image.height; y++) EXPECT_EQ(parsed.Row(i, y), image.Row(y)) << "frame " << i << " row " << y;
}

std::vector<int32_t> Delays(const ParsedGif& parsed) {
  std::vector<int32_t> delays;
  for (int32_t i = 0; i < parsed.frameCount(); i++) delays.push_back(parsed.frame(i).delay);
  return delays;
}

const IndexImage kA = PatternImage(3, 2, 4, 1);
const IndexImage kB = PatternImage(5, 4, 4, 2);
const IndexImage kC = PatternImage(4, 3, 4, 3);

// ---------------------------------------------------------------------------
// Logical screen and global colour table

TEST(GifScreen, HeaderWithoutBlocks) {
  GifWriter bare;
  bare.Header().Screen(300, 200, -1);
  ASSERT_EQ(bare.size(), 13);
  ParsedGif parsed(bare.bytes());
  EXPECT_EQ(parsed.animation.width, 300);
  EXPECT_EQ(parsed.animation.height, 200);
  EXPECT_EQ(parsed.animation.colourCount, 0);
  EXPECT_EQ(parsed.frameCount(), 0);
  EXPECT_NE(parsed.animation.frames, nullptr);

  // The table flag, but the data ends before the table.
  GifWriter flagged;
  flagged.Header().Screen(300, 200, 7);
  ParsedGif noTable(flagged.bytes());
  EXPECT_EQ(noTable.animation.colourCount, 0);
  EXPECT_EQ(noTable.frameCount(), 0);

  // The data ends inside the table: nothing of it is kept.
  GifWriter cut;
  cut.Header().Screen(300, 200, 3).Raw({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  ParsedGif cutTable(cut.bytes());
  EXPECT_EQ(cutTable.animation.colourCount, 0);
  EXPECT_EQ(cutTable.frameCount(), 0);
}

TEST(GifScreen, GlobalColourTableOfEverySize) {
  for (int n = 0; n < 8; n++) {
    GifEncoder gif;
    const int entries = 1 << (n + 1);
    ASSERT_TRUE(gif.Begin(10, 10, TablePalette(entries), -1));
    ASSERT_EQ(gif.bytes().size(), 13u + 3 * entries);
    if (n == 5) {
      EXPECT_EQ(gif.bytes()[10], 0xF5);
      EXPECT_EQ(gif.bytes().size(), 205u);  // the first block follows 64 entries
    }
    const IndexImage image = PatternImage(2, 2, entries, static_cast<uint32_t>(n));
    ASSERT_TRUE(gif.AddFrame(FrameOf(image)));
    ASSERT_TRUE(gif.Finish());
    ParsedGif parsed(gif.bytes());
    EXPECT_EQ(parsed.animation.colourCount, entries);
    for (int i = 0; i < entries; i++)
      EXPECT_EQ(parsed.animation.colours[i], TableColour(i)) << "n " << n << " entry " << i;
    ExpectFrame(parsed, 0, image);
  }

  // Red is the low byte of a colour word, blue the third.
  GifWriter rgb;
  rgb.Header().Screen(1, 1, 0).Raw({0x12, 0x34, 0x56, 0xAB, 0xCD, 0xEF}).Trailer();
  ParsedGif words(rgb.bytes());
  EXPECT_EQ(words.animation.colours[0], 0x00563412u);
  EXPECT_EQ(words.animation.colours[1], 0x00EFCDABu);
}

TEST(GifScreen, NoGlobalTableAndAnySignature) {
  GifWriter noTable;
  noTable.Header().Screen(8, 6, -1).Image(0, 0, kA).Trailer();
  ParsedGif parsed(noTable.bytes());
  EXPECT_EQ(parsed.animation.colourCount, 0);
  ExpectFrame(parsed, 0, kA);

  // The signature and version are not examined.
  for (const char* signature : {"GIF87a", "NOTGIF"}) {
    GifWriter gif;
    gif.Header(signature).Screen(8, 6, 1).ColourTable(1).Image(0, 0, kA).Trailer();
    ParsedGif other(gif.bytes());
    EXPECT_EQ(other.animation.colourCount, 4) << signature;
    EXPECT_EQ(other.frameCount(), 1) << signature;
  }
}

// ---------------------------------------------------------------------------
// Blocks between frames

TEST(GifBlocks, OtherExtensionsAreSkipped) {
  GifWriter gif = Start();
  gif.Looping(0).Image(0, 0, kA);
  gif.Comment(std::string(600, 'c')).PlainText("hello").Raw({0x21, 0x99, 2, 0x2C, 0x3B, 1, 0x21, 0});
  gif.Image(0, 0, kB).Comment("").Looping(3).Image(0, 0, kC).Trailer();
  ParsedGif parsed(gif.bytes());
  ASSERT_EQ(parsed.frameCount(), 3);
  ExpectFrame(parsed, 0, kA);
  ExpectFrame(parsed, 1, kB);
  ExpectFrame(parsed, 2, kC);
  EXPECT_EQ(parsed.endPos, gif.size());
}

TEST(GifBlocks, DelayComesFromTheLastGraphicControlBeforeTheImage) {
  GifWriter gif = Start();
  gif.Image(0, 0, kA);  // none before it: 0
  for (int i = 0; i < 6; i++) gif.GraphicControl(i % 2 ? 10 : 30).Image(0, 0, kA);
  gif.Image(0, 0, kA);                                        // none: 0
  gif.GraphicControl(7).GraphicControl(55).Image(0, 0, kA);   // the second one
  gif.GraphicControl(40).Comment("between").Image(0, 0, kA);  // through other blocks
  gif.GraphicControl(65535).Image(0, 0, kA);
  gif.GraphicControl(99).Trailer();  // after the last image: no effect
  ParsedGif parsed(gif.bytes());
  EXPECT_EQ(Delays(parsed), (std::vector<int32_t>{0, 30, 10, 30, 10, 30, 10, 0, 55, 40, 65535}));
}

TEST(GifBlocks, MalformedGraphicControlEndsTheParse) {
  for (auto [blockSize, terminator] : {std::pair{5, 0}, std::pair{3, 0}, std::pair{4, 1}, std::pair{4, 0x2C}}) {
    GifWriter gif = Start();
    gif.GraphicControl(20).Image(0, 0, kA).GraphicControl(30, blockSize, terminator).Image(0, 0, kB).Trailer();
    ParsedGif parsed(gif.bytes());
    EXPECT_EQ(parsed.frameCount(), 1) << blockSize << " " << terminator;
    EXPECT_EQ(Delays(parsed), std::vector<int32_t>{20}) << blockSize << " " << terminator;
  }
}

TEST(GifBlocks, TrailerOrAnyOtherIntroducerEndsTheParse) {
  for (int introducer : {0x3B, 0x00, 0x2D, 0x20, 0xF9, 0xFF}) {
    GifWriter gif = Start();
    gif.Image(0, 0, kA);
    const int32_t end = gif.size() + 1;
    gif.Raw({introducer}).Image(0, 0, kB).Trailer();
    ParsedGif parsed(gif.bytes());
    EXPECT_EQ(parsed.frameCount(), 1) << introducer;
    EXPECT_EQ(parsed.endPos, end) << introducer;
  }
}

// ---------------------------------------------------------------------------
// Frames

TEST(GifFrames, DescriptorFieldsAndFrameRect) {
  const IndexImage tall = PatternImage(4, 11, 4, 9);
  GifFrameImage interlaced = FrameOf(tall, 1, 5);
  interlaced.interlaced = true;
  ParsedGif parsed(Encode(20, 16, 4, {FrameOf(kB, 3, 2), interlaced}));
  ASSERT_EQ(parsed.frameCount(), 2);
  const GifFrame& plain = parsed.frame(0);
  EXPECT_EQ(plain.left, 3);
  EXPECT_EQ(plain.top, 2);
  EXPECT_EQ(plain.interlaced, 0);
  ExpectFrame(parsed, 0, kB);
  EXPECT_EQ(parsed.frame(1).interlaced, 0x40);
  ExpectFrame(parsed, 1, tall);

  RECT rect{};
  EXPECT_EQ(GetFrameRect(parsed.animation.frames[0], &rect), &parsed.animation.frames[0]->bitmap);
  EXPECT_EQ(rect.left, 3);
  EXPECT_EQ(rect.top, 2);
  EXPECT_EQ(rect.right, 8);
  EXPECT_EQ(rect.bottom, 6);
}

TEST(GifFrames, FrameArrayGrowsByAHundred) {
  for (auto [count, capacity] : {std::pair{100, 100}, std::pair{101, 200}, std::pair{200, 200}, std::pair{201, 300}}) {
    std::vector<IndexImage> dots;
    for (int i = 0; i < count; i++) dots.emplace_back(1, 1, static_cast<uint8_t>(i));
    std::vector<GifFrameImage> frames;
    for (int i = 0; i < count; i++) {
      frames.push_back(FrameOf(dots[i]));
      frames.back().delay = i;
    }
    ParsedGif parsed(Encode(1, 1, 256, frames));
    ASSERT_EQ(parsed.frameCount(), count);
    EXPECT_EQ(parsed.animation.capacity, capacity);
    for (int i = 0; i < count; i++) {
      EXPECT_EQ(parsed.frame(i).delay, i) << "frame " << i;
      EXPECT_EQ(parsed.Row(i, 0), Bytes{static_cast<uint8_t>(i)}) << "frame " << i;
    }
  }
}

TEST(GifFrames, LocalColourTableIsSkipped) {
  // Local colours distinct from the global table, so a decoder that used them would show.
  auto local = [](int entries) {
    std::vector<GifColour> colours;
    for (int i = 0; i < entries; i++) colours.push_back({0xA0, static_cast<uint8_t>(i), 0x0A});
    return colours;
  };
  GifFrameImage small = FrameOf(kA);
  small.localPalette = local(8);
  GifFrameImage interlaced = FrameOf(kC);
  interlaced.localPalette = local(256);
  interlaced.interlaced = true;
  ParsedGif parsed(Encode(8, 6, 4, {small, FrameOf(kB), interlaced}));
  ASSERT_EQ(parsed.frameCount(), 3);
  ExpectFrame(parsed, 0, kA);
  ExpectFrame(parsed, 1, kB);
  ExpectFrame(parsed, 2, kC);
  EXPECT_EQ(parsed.animation.colourCount, 4);
  for (int i = 0; i < 4; i++) EXPECT_EQ(parsed.animation.colours[i], TableColour(i));
}

// Image data shapes that end a frame early or late. The frame after each must
// still be read from its own first byte.
TEST(GifFrames, OddImageDataLeavesTheNextFrameReadable) {
  struct Shape {
    const char* name;
    int width, height;
    Bytes data;               // minimum code size and sub-blocks, as written
    std::vector<Bytes> rows;  // every display row afterwards; what the data never reached is 0
  };
  const std::vector<Shape> shapes = {
      {"end code in a sub-block of its own", 2, 2, {7, 5, 128, 1, 2, 3, 4, 1, 129, 0}, {{1, 2}, {3, 4}}},
      {"no end code, surplus sub-blocks", 2, 2, {7, 5, 128, 1, 2, 3, 4, 3, 9, 9, 9, 2, 9, 9, 0}, {{1, 2}, {3, 4}}},
      {"surplus codes after the last row", 2, 2, {7, 10, 128, 1, 2, 3, 4, 5, 6, 7, 8, 129, 0}, {{1, 2}, {3, 4}}},
      {"terminator while a code needs bits", 4, 3, {7, 7, 128, 1, 2, 3, 4, 5, 6, 0}, {{1, 2, 3, 4}, {0, 0, 0, 0}, {0, 0, 0, 0}}},
      {"end code inside the first row", 4, 2, {7, 4, 128, 1, 2, 129, 0}, {{1, 2, 0, 0}, {0, 0, 0, 0}}},
      {"minimum code size 1", 2, 2, {1, 3, 4, 1, 5, 0}, {{0, 0}, {0, 0}}},
      {"minimum code size 10", 2, 2, {10, 3, 0, 4, 1, 2, 9, 9, 0}, {{0, 0}, {0, 0}}},
      {"width 0", 0, 3, {7, 4, 128, 1, 2, 129, 0}, {}},
      {"height 0", 3, 0, {7, 6, 128, 1, 2, 3, 4, 129, 0}, {}},
      {"no sub-blocks", 2, 2, {7, 0}, {{0, 0}, {0, 0}}},
  };
  for (const Shape& shape : shapes) {
    GifWriter gif = Start();
    gif.GraphicControl(4).Descriptor(0, 0, shape.width, shape.height, false).Raw(shape.data);
    gif.GraphicControl(8).Image(1, 1, kB).Trailer();
    ParsedGif parsed(gif.bytes());
    ASSERT_EQ(parsed.frameCount(), 2) << shape.name;
    EXPECT_EQ(Delays(parsed), (std::vector<int32_t>{4, 8})) << shape.name;
    for (size_t y = 0; y < shape.rows.size(); y++)
      EXPECT_EQ(parsed.Row(0, static_cast<int32_t>(y)), shape.rows[y]) << shape.name;
    ExpectFrame(parsed, 1, kB);
    EXPECT_EQ(parsed.endPos, gif.size()) << shape.name;
  }
}

// ---------------------------------------------------------------------------
// Malformed input. Natively these run under AddressSanitizer, which turns any
// read or write outside the input or a pixel block into a failure.

TEST(GifMalformed, FramesOffTheScreenAndIndexesBeyondTheTable) {
  const IndexImage wide = PatternImage(20, 3, 4, 5);
  IndexImage beyond(3, 2);
  beyond.pixels = {4, 200, 255, 17, 4, 4};
  GifWriter gif;
  gif.Header().Screen(8, 6, 1, 200).ColourTable(1);  // background index 200 of 4
  gif.Image(0, 0, wide).Image(65000, 60000, kA).Image(7, 5, beyond).Trailer();
  ParsedGif parsed(gif.bytes());
  ASSERT_EQ(parsed.frameCount(), 3);
  ExpectFrame(parsed, 0, wide);
  ExpectFrame(parsed, 1, kA);
  ExpectFrame(parsed, 2, beyond);
  RECT rect{};
  ASSERT_NE(GetFrameRect(parsed.animation.frames[1], &rect), nullptr);
  EXPECT_EQ(rect.left, 65000);
  EXPECT_EQ(rect.top, 60000);
  EXPECT_EQ(rect.right, 65003);
  EXPECT_EQ(rect.bottom, 60002);
}

TEST(GifMalformed, HugeDeclaredSizes) {
  // 30 bytes declaring a 65535 x 65535 screen and frame: the frame is kept
  // without pixels.
  GifWriter huge;
  huge.Header().Screen(65535, 65535, -1).Descriptor(0, 0, 65535, 65535, false).Raw({8, 5, 0, 1, 2, 3, 4});
  ASSERT_EQ(huge.size(), 30);
  ParsedGif parsed(huge.bytes());
  EXPECT_EQ(parsed.animation.width, 65535);
  EXPECT_EQ(parsed.animation.height, 65535);
  ASSERT_EQ(parsed.frameCount(), 1);
  EXPECT_EQ(parsed.frame(0).width, 65535);
  EXPECT_EQ(parsed.frame(0).height, 65535);
  EXPECT_EQ(parsed.frame(0).bitmap.pixels, nullptr);
  RECT rect{};
  EXPECT_EQ(GetFrameRect(parsed.animation.frames[0], &rect), nullptr);
  EXPECT_EQ(parsed.endPos, 30);

  // The widest frame there is still decodes.
  const IndexImage line = PatternImage(65535, 1, 256, 3);
  ParsedGif widest(Encode(65535, 1, 256, {FrameOf(line)}));
  ExpectFrame(widest, 0, line);
}

TEST(GifMalformed, RandomCodeStreamsLeaveTheNextFrameIntact) {
  // Codes of any value at any width: undefined codes, codes above the next free
  // one, prefix loops and stray clear and end codes, in well-formed sub-blocks.
  std::mt19937 random(12345);
  for (int trial = 0; trial < 300; trial++) {
    const int minCodeSize = 2 + static_cast<int>(random() % 8);
    const int width = 1 + static_cast<int>(random() % 40);
    const int height = 1 + static_cast<int>(random() % 40);
    std::vector<LzwCode> codes;
    const int count = static_cast<int>(random() % 600);
    for (int i = 0; i < count; i++) {
      const int bits = minCodeSize + 1 + static_cast<int>(random() % static_cast<uint32_t>(12 - minCodeSize));
      codes.push_back({static_cast<int>(random() % (1u << bits)), bits});
    }
    GifWriter gif = Start();
    gif.Descriptor(0, 0, width, height, random() % 2 == 0);
    gif.ImageData(minCodeSize, codes, {1 + static_cast<int>(random() % 255)});
    gif.Image(0, 0, kB).Trailer();
    ParsedGif parsed(gif.bytes());
    ASSERT_EQ(parsed.frameCount(), 2) << "trial " << trial;
    ExpectFrame(parsed, 1, kB);
  }
}

TEST(GifMalformed, TruncatedAtEveryLength) {
  // A small animation with every kind of block; where each frame's descriptor and
  // data end decides what a cut-off copy of it must still hold.
  const IndexImage first = PatternImage(10, 8, 4, 11);
  const IndexImage second = PatternImage(6, 5, 4, 12);
  const IndexImage third = PatternImage(3, 3, 4, 13);
  const IndexImage* images[3] = {&first, &second, &third};
  const int32_t delays[3] = {5, 9, 0};
  int32_t appendedFrom[3], pixelsFrom[3], completeFrom[3];

  GifWriter gif = Start(10, 8);
  gif.Looping(0).GraphicControl(5);
  appendedFrom[0] = gif.size() + 10;
  pixelsFrom[0] = appendedFrom[0] + 1;
  gif.Image(0, 0, first, false, 2, 7);
  completeFrom[0] = gif.size();
  gif.Comment("between").GraphicControl(9);
  appendedFrom[1] = gif.size() + 10;
  pixelsFrom[1] = appendedFrom[1] + 1;
  gif.Image(2, 1, second, true, 3);
  completeFrom[1] = gif.size();
  gif.PlainText("x");
  appendedFrom[2] = gif.size() + 10;
  pixelsFrom[2] = appendedFrom[2] + 3 * 4 + 1;  // behind a 4-entry local table
  gif.Descriptor(0, 0, 3, 3, false, 1).EncodedData(2, third.pixels, 2);
  completeFrom[2] = gif.size();
  gif.Trailer();

  for (int32_t length = 0; length <= gif.size(); length++) {
    ParsedGif parsed(gif.bytes(), static_cast<size_t>(length));
    EXPECT_EQ(parsed.animation.width, length >= 8 ? 10 : 0) << "length " << length;
    EXPECT_EQ(parsed.animation.colourCount, length >= 13 + 12 ? 4 : 0) << "length " << length;
    int expectedFrames = 0;
    for (int k = 0; k < 3; k++) expectedFrames += length >= appendedFrom[k];
    ASSERT_EQ(parsed.frameCount(), expectedFrames) << "length " << length;
    for (int k = 0; k < expectedFrames; k++) {
      EXPECT_EQ(parsed.frame(k).delay, delays[k]) << "length " << length << " frame " << k;
      EXPECT_EQ(parsed.frame(k).bitmap.pixels != nullptr, length >= pixelsFrom[k])
          << "length " << length << " frame " << k;
      if (length >= completeFrom[k]) {
        for (int y = 0; y < images[k]->height; y++) {
          EXPECT_EQ(parsed.Row(k, y), images[k]->Row(y)) << "length " << length << " frame " << k << " row " << y;
        }
      }
    }
  }
}

}  // namespace
