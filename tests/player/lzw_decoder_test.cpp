#include "lzw_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "support/gif_writer.h"
#include "support/parsed_gif.h"
#include "support/reference_lzw_decoder.h"

namespace {

// Every byte of a fresh bitmap, padding included, starts as this; no stream in
// these tests carries it as a pixel. Pixels the data never reaches must come out
// as 0, never as this.
const uint8_t kUnwritten = 0xEE;

using Bytes = std::vector<uint8_t>;

// The outcome of decoding one image's data into a fresh bitmap.
struct Decoded {
  int16_t status = 0;
  int32_t pos = 0;          // where the decoder left the reader
  std::vector<Bytes> rows;  // display rows, top first
  int paddingWritten = 0;   // bytes beyond the width of a stored row that are neither untouched nor 0
  Bytes storedRow0;         // the first row in memory
};

using Decoder = int16_t (*)(ByteReader*, IndexedBitmap*, int32_t, int32_t);

Decoded DecodeWith(Decoder decoder, const Bytes& data, int32_t width, int32_t height, int32_t interlaced,
                   int32_t rowLength) {
  IndexedBitmap bitmap;
  CreateIndexedBitmap(&bitmap, width, height);
  if (bitmap.pixels) std::memset(bitmap.pixels, kUnwritten, static_cast<size_t>(bitmap.stride) * height);
  ExactBytes input(data);
  ByteReader reader = input.Reader();
  Decoded result;
  result.status = decoder(&reader, &bitmap, interlaced, rowLength < 0 ? width : rowLength);
  result.pos = reader.pos;
  if (bitmap.pixels) {
    for (int32_t y = 0; y < height; y++) result.rows.push_back(DisplayRow(bitmap, y));
    for (int32_t r = 0; r < height; r++) {
      for (int32_t x = width; x < bitmap.stride; x++) {
        const uint8_t padding = *BitmapRowAddress(&bitmap, x, r);
        result.paddingWritten += padding != kUnwritten && padding != 0;
      }
    }
    result.storedRow0.assign(bitmap.pixels, bitmap.pixels + width);
  }
  ReleaseIndexedBitmap(&bitmap);
  return result;
}

// The player's decoder, checked on every stream against the plain reference
// decoder: the same status, the same place in the data, the same pixels.
Decoded Decode(const Bytes& data, int32_t width, int32_t height, int32_t interlaced = 0, int32_t rowLength = -1) {
  Decoded result = DecodeWith(DecodeLzwImage, data, width, height, interlaced, rowLength);
  Decoded reference = DecodeWith(ReferenceDecodeLzwImage, data, width, height, interlaced, rowLength);
  EXPECT_EQ(result.status, reference.status) << "the reference decoder disagrees";
  EXPECT_EQ(result.pos, reference.pos) << "the reference decoder disagrees";
  EXPECT_EQ(result.rows, reference.rows) << "the reference decoder disagrees";
  return result;
}

// The minimum code size byte and the codes in sub-blocks.
Bytes Data(int minCodeSize, const std::vector<LzwCode>& codes, const std::vector<int>& sizes = {255},
           bool terminate = true) {
  Bytes out{static_cast<uint8_t>(minCodeSize)};
  Bytes blocks = SubBlocks(PackCodes(codes), sizes, terminate);
  out.insert(out.end(), blocks.begin(), blocks.end());
  return out;
}

// The encoder's image data for `indices`.
Bytes Encoded(const Bytes& indices, int minCodeSize) {
  Bytes out;
  AppendLzwImageData(indices.data(), indices.size(), minCodeSize, &out);
  return out;
}

// Each code at the same width.
std::vector<LzwCode> At(int width, std::initializer_list<int> codes) {
  std::vector<LzwCode> out;
  for (int c : codes) out.push_back({c, width});
  return out;
}

std::vector<LzwCode> Join(std::initializer_list<std::vector<LzwCode>> parts) {
  std::vector<LzwCode> out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// The pixels, then 0 up to the width: what the data never reached.
Bytes Row(std::initializer_list<int> pixels, int width) {
  Bytes row(width, 0);
  int x = 0;
  for (int p : pixels) row[x++] = static_cast<uint8_t>(p);
  return row;
}

Bytes Unreached(int width) { return Bytes(width, 0); }

// Sets the decoder's interlace mode for NextImageRow and restores it afterwards.
struct InterlaceMode {
  explicit InterlaceMode(int32_t mode) { lzwDecoder.interlaced = mode; }
  ~InterlaceMode() { lzwDecoder.interlaced = 0; }
};

std::vector<int> RowOrder(int32_t height) {
  std::vector<int> rows;
  for (int32_t r = 0; r < height && rows.size() <= static_cast<size_t>(height); r = NextImageRow(r, height)) {
    rows.push_back(r);
  }
  return rows;
}

// ---------------------------------------------------------------------------
// Code sizes

TEST(LzwCodeSizes, ClearEndAndFirstFreeCodes) {
  // Minimum code size 2: clear 4, end 5, first table entry 6, codes 3 bits wide.
  // 1, 3 defines entry 6 = "1 3"; entry 7 = "3 1" takes the table to 8 entries,
  // so the end code that follows is 4 bits wide.
  Decoded small = Decode(Data(2, Join({At(3, {4, 1, 3, 6}), At(4, {5})})), 6, 1);
  EXPECT_EQ(small.status, 0);
  EXPECT_EQ(small.rows[0], Row({1, 3, 1, 3}, 6));

  // Minimum code size 8: clear 256, end 257, first entry 258, codes 9 bits wide.
  Decoded large = Decode(Data(8, At(9, {256, 65, 66, 258, 259, 257})), 8, 1);
  EXPECT_EQ(large.status, 0);
  EXPECT_EQ(large.rows[0], Row({65, 66, 65, 66, 66, 65}, 8));
}

// After a clear code, codes that are roots only each add one table entry, so the
// code width follows the table's growth alone: worked out here from the number
// of entries, independently of the decoder.
struct WidthSchedule {
  int minCodeSize;
  // How many codes after the clear are read at minimum + 1 bits, + 2 bits, ...
  // up to 11 bits; every later code is 12 bits wide.
  std::vector<int> codesPerWidth;

  int WidthOf(int k) const {  // k counts codes after the clear from 1
    int width = minCodeSize + 1;
    for (int count : codesPerWidth) {
      if (k <= count) return width;
      k -= count;
      width++;
    }
    return 12;
  }
  // Codes read before the table holds its last entry, 4095.
  int CodesToFullTable() const { return 4095 - ((1 << minCodeSize) + 2) + 2; }
};

TEST(LzwCodeSizes, WidthsGrowToTwelveBitsAndStayThere) {
  // Entry e is defined by the code after the clear numbered e - first free + 2.
  // Minimum 2: 3 codes at 3 bits (the first adds nothing; entries 6, 7), 8 at 4
  // bits (entries 8..15), then doubling up to 1024 at 11 bits (1024..2047).
  // Minimum 8: 255 codes at 9 bits (entries 258..511), 512 at 10, 1024 at 11.
  for (const WidthSchedule& schedule :
       {WidthSchedule{2, {3, 8, 16, 32, 64, 128, 256, 512, 1024}}, WidthSchedule{8, {255, 512, 1024}}}) {
    const int m = schedule.minCodeSize;
    const int clear = 1 << m;
    const int firstFree = clear + 2;
    auto root = [m](int k) { return (k * 7 + k / 5) % (1 << m); };
    const int roots = schedule.CodesToFullTable() + 300;  // 300 codes past a full table

    std::vector<LzwCode> codes{{clear, m + 1}};
    Bytes expected;
    int k = 1;
    for (; k <= roots; k++) {
      codes.push_back({root(k), schedule.WidthOf(k)});
      expected.push_back(static_cast<uint8_t>(root(k)));
    }
    EXPECT_EQ(schedule.WidthOf(schedule.CodesToFullTable() + 1), 12);
    // The last entry and the first 12-bit one: two-byte strings of the roots
    // read just before the code that defined them and by it.
    for (int entry : {4095, 2048}) {
      const int definedBy = entry - firstFree + 2;
      codes.push_back({entry, 12});
      expected.push_back(static_cast<uint8_t>(root(definedBy - 1)));
      expected.push_back(static_cast<uint8_t>(root(definedBy)));
    }
    // A clear code starts over at minimum + 1 bits with an empty table.
    codes.push_back({clear, 12});
    codes.push_back({1, schedule.WidthOf(1)});
    codes.push_back({2, schedule.WidthOf(2)});
    codes.push_back({firstFree, schedule.WidthOf(3)});
    codes.push_back({clear + 1, schedule.WidthOf(4)});
    expected.insert(expected.end(), {1, 2, 1, 2});
    // One pixel more than the stream holds: only an end code read at the right
    // width leaves it unreached, and so 0.
    const int width = static_cast<int>(expected.size()) + 1;
    expected.push_back(0);

    Decoded decoded = Decode(Data(m, codes), width, 1);
    EXPECT_EQ(decoded.status, 0) << "minimum " << m;
    ASSERT_EQ(decoded.rows.size(), 1u);
    EXPECT_EQ(decoded.rows[0], expected) << "minimum " << m;
  }
}

TEST(LzwCodeSizes, NineBitMinimumKeepsTheLowByteOfRoots) {
  // Clear 512, end 513, codes 10 bits wide. Entry 514 = "300 511".
  Decoded decoded = Decode(Data(9, At(10, {512, 300, 511, 44, 514, 513})), 6, 1);
  EXPECT_EQ(decoded.status, 0);
  EXPECT_EQ(decoded.rows[0], Row({300 & 0xFF, 511 & 0xFF, 44, 300 & 0xFF, 511 & 0xFF}, 6));
}

TEST(LzwCodeSizes, MinimumOutsideTwoToNineIsRefused) {
  for (int m : {0, 1, 10, 11, 255}) {
    Decoded decoded = Decode({static_cast<uint8_t>(m), 3, 0x04, 0x00, 0x00, 0}, 4, 2);
    EXPECT_EQ(decoded.status, kLzwBadCodeSize) << "minimum " << m;
    EXPECT_EQ(decoded.pos, 1) << "minimum " << m;
    EXPECT_EQ(decoded.rows[0], Unreached(4)) << "minimum " << m;
  }
  Decoded empty = Decode({}, 4, 2);
  EXPECT_EQ(empty.status, kLzwNoData);
  EXPECT_EQ(empty.pos, 0);
}

// ---------------------------------------------------------------------------
// Clear codes and table codes

TEST(LzwCodes, ClearCodeRunsAndOddFirstCodes) {
  // Clear, clear, root 7 (minimum 3: clear 8, end 9, first entry 10): one pixel
  // and no entry, so code 10 next is the next free code: "7 7".
  Decoded clears = Decode(Data(3, At(4, {8, 8, 7, 10, 9})), 4, 1);
  EXPECT_EQ(clears.rows[0], Row({7, 7, 7}, 4));

  // A first code at or above the next free code after a clear is taken as 0.
  Decoded beyond = Decode(Data(2, Join({At(3, {4, 7, 1, 6}), At(4, {5})})), 5, 1);
  EXPECT_EQ(beyond.rows[0], Row({0, 1, 0, 1}, 5));

  // A clear in mid-stream empties the table and narrows the codes again: entry 6
  // is "1 2" before it and "3 3" after it.
  Decoded again = Decode(Data(2, Join({At(3, {4, 1, 2, 3}), At(4, {6, 4}), At(3, {3, 3, 6}), At(4, {5})})), 10, 1);
  EXPECT_EQ(again.rows[0], Row({1, 2, 3, 1, 2, 3, 3, 3, 3}, 10));

  // A stream without a leading clear starts as after one: its first code adds no
  // entry, so 6 next is the next free code, "1 1"; the root 2 then defines 7,
  // "1 1 2", the eighth code, and the codes grow to 4 bits only there.
  Decoded unopened = Decode(Data(2, Join({At(3, {1, 6, 2}), At(4, {7, 5})})), 8, 1);
  EXPECT_EQ(unopened.status, 0);
  EXPECT_EQ(unopened.rows[0], Row({1, 1, 1, 2, 1, 1, 2}, 8));
}

TEST(LzwCodes, CodeEqualToNextFreeRepeatsThePreviousStringsFirstByte) {
  // 1; 6 = "1 1"; 7 = "1 1 1"; 2; 8 = "1 1 1 2"; 10 = "1 1 1 2" + "1".
  Decoded decoded = Decode(Data(2, Join({At(3, {4, 1, 6, 7}), At(4, {2, 8, 10, 5})})), 17, 1);
  EXPECT_EQ(decoded.status, 0);
  EXPECT_EQ(decoded.rows[0], Row({1, 1, 1, 1, 1, 1, 2, 1, 1, 1, 2, 1, 1, 1, 2, 1}, 17));
}

TEST(LzwCodes, CodeAboveNextFreeIsTakenAsNextFree) {
  // 7 while the next free code is 6 reads as 6 = "1 1"; 6 afterwards is that entry.
  Decoded decoded = Decode(Data(2, Join({At(3, {4, 1, 7, 2}), At(4, {6, 5})})), 7, 1);
  EXPECT_EQ(decoded.status, 0);
  EXPECT_EQ(decoded.rows[0], Row({1, 1, 1, 2, 1, 1}, 7));
}

TEST(LzwCodes, CodeAboveNextFreeChainsTheNextEntryToTheEntryItDefined) {
  // 7 read while the next free code is 6 defines 6 = "1 1" and stands for it, so
  // the root 2 after it defines 7 = "1 1 2": never a chain to a slot this image
  // has not defined (which could hold another image's strings, or loop).
  Decoded decoded = Decode(Data(2, Join({At(3, {4, 1, 7, 2}), At(4, {7, 1, 5})})), 2, 4);
  EXPECT_EQ(decoded.status, 0);
  EXPECT_EQ(decoded.rows[0], Row({1, 1}, 2));
  EXPECT_EQ(decoded.rows[1], Row({1, 2}, 2));
  EXPECT_EQ(decoded.rows[2], Row({1, 1}, 2));
  EXPECT_EQ(decoded.rows[3], Row({2, 1}, 2));
}

TEST(LzwCodes, TableThatFillsWithoutAClearKeepsDecoding) {
  const IndexImage image = PatternImage(160, 120, 256, 99);
  const std::vector<LzwCode> codes = LzwCodeList(image.pixels, 8);
  // The premise: one clear code only, and many codes read after the table is full.
  const auto clears = std::count_if(codes.begin(), codes.end(), [](const LzwCode& c) { return c.code == 256; });
  ASSERT_EQ(clears, 1);
  ASSERT_GT(codes.size(), 4096u + 500u);

  Decoded decoded = Decode(Data(8, codes), image.width, image.height);
  EXPECT_EQ(decoded.status, 0);
  for (int y = 0; y < image.height; y++) ASSERT_EQ(decoded.rows[y], image.Row(y)) << "row " << y;
}

TEST(LzwCodes, RealStreamsDecodeToTheirIndices) {
  // Several palettes and sizes, with the table filled and cleared many times in
  // the larger ones. Frames of more than 65,536 pixels are decoded in their own
  // block and their rows moved in place: every padding (widths 401 and 1027,
  // 256, and 3 in a tall narrow frame) and an odd and an even height.
  struct Case {
    int width, height, colours, minCodeSize;
  };
  for (const Case& c : {Case{1, 1, 2, 2}, Case{5, 3, 4, 2}, Case{31, 17, 8, 3}, Case{64, 64, 16, 4},
                        Case{200, 150, 64, 6}, Case{300, 200, 256, 8}, Case{77, 33, 256, 9},
                        Case{401, 301, 256, 8}, Case{1027, 70, 32, 5}, Case{256, 300, 4, 2}, Case{3, 30001, 8, 3}}) {
    const IndexImage image = PatternImage(c.width, c.height, c.colours, static_cast<uint32_t>(c.width));
    Decoded decoded = Decode(Encoded(image.pixels, c.minCodeSize), c.width, c.height);
    EXPECT_EQ(decoded.status, 0);
    for (int y = 0; y < c.height; y++) {
      ASSERT_EQ(decoded.rows[y], image.Row(y)) << c.width << "x" << c.height << " row " << y;
    }
  }
}

// ---------------------------------------------------------------------------
// Rows. With minimum code size 7 every code is 8 bits wide for the first 126
// entries, so these streams are written byte by byte: clear 128, end 129.

TEST(LzwRows, RowsGoToTheBitmapTopRowLast) {
  Decoded decoded = Decode({7, 8, 128, 1, 2, 3, 4, 5, 6, 129, 0}, 2, 3);
  EXPECT_EQ(decoded.rows[0], Row({1, 2}, 2));
  EXPECT_EQ(decoded.rows[1], Row({3, 4}, 2));
  EXPECT_EQ(decoded.rows[2], Row({5, 6}, 2));
  EXPECT_EQ(decoded.storedRow0, Row({5, 6}, 2));  // bottom-up storage
  EXPECT_EQ(decoded.paddingWritten, 0);
}

TEST(LzwRows, EndCodeInsideARowStoresThePartialRow) {
  // An end code after 2 pixels of a 10-pixel row: those 2 pixels start the next
  // display row; the rest of it and the rows after it are 0.
  Bytes plain{7, 14, 128, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 129, 0};
  Decoded decoded = Decode(plain, 10, 3);
  EXPECT_EQ(decoded.status, 0);
  EXPECT_EQ(decoded.rows[0], Row({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 10));
  EXPECT_EQ(decoded.rows[1], Row({11, 12}, 10));
  EXPECT_EQ(decoded.rows[2], Unreached(10));

  // Interlaced, the next display row after row 0 of 9 is row 8.
  Decoded interlaced = Decode(plain, 10, 9, 0x40);
  EXPECT_EQ(interlaced.rows[0], Row({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 10));
  EXPECT_EQ(interlaced.rows[8], Row({11, 12}, 10));
  for (int y = 1; y < 8; y++) EXPECT_EQ(interlaced.rows[y], Unreached(10)) << "row " << y;

  // An end code right after a complete row stores nothing more.
  Decoded whole = Decode({7, 5, 128, 1, 2, 3, 129, 0}, 3, 2);
  EXPECT_EQ(whole.rows[0], Row({1, 2, 3}, 3));
  EXPECT_EQ(whole.rows[1], Unreached(3));
}

TEST(LzwRows, DataEndingBeforeTheLastRow) {
  // No end code, the terminator after two and a half rows: the whole rows stay,
  // the partial one is dropped, and the reader stops on the terminator.
  Decoded terminated = Decode({7, 11, 128, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0}, 4, 3);
  EXPECT_EQ(terminated.status, 0);
  EXPECT_EQ(terminated.pos, 13);
  EXPECT_EQ(terminated.rows[0], Row({1, 2, 3, 4}, 4));
  EXPECT_EQ(terminated.rows[1], Row({5, 6, 7, 8}, 4));
  EXPECT_EQ(terminated.rows[2], Unreached(4));

  // A zero-length sub-block while codes still need bits ends the image on that
  // byte, even with more sub-blocks behind it.
  Decoded zero = Decode({7, 7, 128, 1, 2, 3, 4, 5, 6, 0, 3, 7, 8, 129, 0}, 4, 3);
  EXPECT_EQ(zero.status, 0);
  EXPECT_EQ(zero.pos, 9);
  EXPECT_EQ(zero.rows[0], Row({1, 2, 3, 4}, 4));
  EXPECT_EQ(zero.rows[1], Unreached(4));

  // A sub-block cut short by the end of the data is not used at all.
  Decoded cut = Decode({7, 5, 128, 1, 2, 3, 4, 10, 5, 6, 7, 8}, 4, 3);
  EXPECT_EQ(cut.status, 0);
  EXPECT_EQ(cut.pos, 12);
  EXPECT_EQ(cut.rows[0], Row({1, 2, 3, 4}, 4));
  EXPECT_EQ(cut.rows[1], Unreached(4));

  // Data that ends right after the minimum code size.
  Decoded bare = Decode({7}, 4, 1);
  EXPECT_EQ(bare.status, 0);
  EXPECT_EQ(bare.pos, 1);
  EXPECT_EQ(bare.rows[0], Unreached(4));
}

TEST(LzwRows, DecodingStopsOnceTheLastRowIsStored) {
  // Surplus codes in the sub-block of the last row are dropped; the reader is left
  // at the next length byte.
  Decoded surplus = Decode({7, 10, 128, 1, 2, 3, 4, 5, 6, 7, 8, 129, 0}, 2, 2);
  EXPECT_EQ(surplus.status, 0);
  EXPECT_EQ(surplus.pos, 12);
  EXPECT_EQ(surplus.rows[0], Row({1, 2}, 2));
  EXPECT_EQ(surplus.rows[1], Row({3, 4}, 2));
  EXPECT_EQ(surplus.paddingWritten, 0);

  // No end code, more sub-blocks after the last row: they are not fetched.
  Decoded unended = Decode({7, 5, 128, 1, 2, 3, 4, 3, 9, 9, 9, 0}, 2, 2);
  EXPECT_EQ(unended.status, 0);
  EXPECT_EQ(unended.pos, 7);
  EXPECT_EQ(unended.rows[1], Row({3, 4}, 2));

  // The end code in a sub-block of its own after the last row: left for the parser.
  Decoded own = Decode({7, 5, 128, 1, 2, 3, 4, 1, 129, 0}, 2, 2);
  EXPECT_EQ(own.status, 0);
  EXPECT_EQ(own.pos, 7);
  EXPECT_EQ(own.rows[0], Row({1, 2}, 2));
}

TEST(LzwRows, RowLengthAndBitmapWidthDiffer) {
  // Rows of 5 into a bitmap 3 wide (stride 4): 3 bytes each, padding untouched.
  Decoded longer = Decode({7, 12, 128, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 129, 0}, 3, 2, 0, 5);
  EXPECT_EQ(longer.rows[0], Row({1, 2, 3}, 3));
  EXPECT_EQ(longer.rows[1], Row({6, 7, 8}, 3));
  EXPECT_EQ(longer.paddingWritten, 0);

  // Rows of 2 into a bitmap 3 wide: the third column is never reached, so 0.
  Decoded shorter = Decode({7, 6, 128, 1, 2, 3, 4, 129, 0}, 3, 2, 0, 2);
  EXPECT_EQ(shorter.rows[0], Row({1, 2}, 3));
  EXPECT_EQ(shorter.rows[1], Row({3, 4}, 3));
}

TEST(LzwRows, InterlacedRowOrder) {
  InterlaceMode interlaced(0x40);
  EXPECT_EQ(RowOrder(1), (std::vector<int>{0}));
  EXPECT_EQ(RowOrder(2), (std::vector<int>{0, 1}));
  EXPECT_EQ(RowOrder(3), (std::vector<int>{0, 2, 1}));
  EXPECT_EQ(RowOrder(4), (std::vector<int>{0, 2, 1, 3}));
  EXPECT_EQ(RowOrder(5), (std::vector<int>{0, 4, 2, 1, 3}));
  EXPECT_EQ(RowOrder(8), (std::vector<int>{0, 4, 2, 6, 1, 3, 5, 7}));
  EXPECT_EQ(RowOrder(9), (std::vector<int>{0, 8, 4, 2, 6, 1, 3, 5, 7}));
  // Every other height up to a few passes' worth, against the four passes.
  for (int h = 1; h <= 40; h++) {
    EXPECT_EQ(RowOrder(h), InterlacedRows(h)) << "height " << h;
    const std::vector<int> rows = InterlacedRows(h);
    for (int i = 0; i < h; i++) ASSERT_EQ(StreamRowOf(rows[i], h, 1), i) << "height " << h;
  }
}

TEST(LzwRows, InterlacedImagesLandOnTheirDisplayRows) {
  // Small frames, and large ones whose rows are put in order in their own block.
  for (auto [width, height] : {std::pair{7, 1}, {7, 2}, {7, 3}, {7, 4}, {7, 5}, {7, 8}, {7, 9}, {7, 17}, {7, 33},
                               {301, 259}, {97, 1001}}) {
    const IndexImage image = PatternImage(width, height, 16, static_cast<uint32_t>(height));
    Decoded decoded = Decode(Encoded(StreamOrder(image, true), 4), width, height, 0x40);
    EXPECT_EQ(decoded.status, 0);
    for (int y = 0; y < height; y++) ASSERT_EQ(decoded.rows[y], image.Row(y)) << "height " << height << " row " << y;
  }
}

TEST(LzwRows, LargeFramesCutShort) {
  // Data that ends partway through a frame decoded in its own block: the rows
  // reached, and 0 from the dropped partial row on (checked against the
  // reference decoder by Decode, plain and interlaced).
  const IndexImage image = PatternImage(399, 250, 64, 5);
  for (int32_t interlaced : {0, 0x40}) {
    Bytes data = Encoded(StreamOrder(image, interlaced != 0), 6);
    data.resize(data.size() / 2);
    Decoded decoded = Decode(data, image.width, image.height, interlaced);
    EXPECT_EQ(decoded.status, 0);
    EXPECT_EQ(decoded.pos, static_cast<int32_t>(data.size()));
    int reached = 0;
    for (int y = 0; y < image.height; y++) reached += decoded.rows[y] == image.Row(y);
    EXPECT_GT(reached, 10);
    EXPECT_LT(reached, image.height);
    EXPECT_EQ(decoded.rows[interlaced ? 1 : image.height - 1], Unreached(image.width));
  }
}

// ---------------------------------------------------------------------------
// Frame sizes

// ---------------------------------------------------------------------------
// The viewers' reading of damaged data

int16_t DecodeAsViewer(ByteReader* reader, IndexedBitmap* target, int32_t interlaced, int32_t rowLength) {
  return DecodeLzwImageAs(reader, target, interlaced, rowLength, LzwReading::kViewer);
}

TEST(LzwViewerReading, DamageEndsTheImageAndEveryPixelDecodedStays) {
  struct Case {
    const char* what;
    Bytes data;
    int width;
    std::vector<Bytes> rows;
    int32_t written;
    int16_t status;
  } cases[] = {
      {"a first code that is no root", Data(2, Join({At(3, {4, 7, 1, 6}), At(4, {5})})), 5, {Unreached(5)}, 0, 0},
      {"a code above the next free code", Data(2, Join({At(3, {4, 1, 7, 2}), At(4, {6, 5})})), 7,
       {Row({1}, 7)}, 1, 0},
      {"a sub-block cut short gives its bytes", {7, 5, 128, 1, 2, 3, 4, 10, 5, 6}, 4,
       {Row({1, 2, 3, 4}, 4), Row({5, 6}, 4)}, 6, 0},
      {"a terminator keeps the partial row", {7, 7, 128, 1, 2, 3, 4, 5, 6, 0}, 4,
       {Row({1, 2, 3, 4}, 4), Row({5, 6}, 4)}, 6, 0},
      {"minimum code size 1", Data(1, At(2, {2, 1, 0, 1, 3})), 4, {Row({1, 0, 1}, 4)}, 3, 0},
      {"minimum code size 9", Data(9, At(10, {512, 1, 513})), 4, {Unreached(4)}, 0, kLzwBadCodeSize},
  };
  for (const Case& c : cases) {
    const int height = static_cast<int>(c.rows.size());
    Decoded decoded = DecodeWith(DecodeAsViewer, c.data, c.width, height, 0, c.width);
    EXPECT_EQ(decoded.status, c.status) << c.what;
    EXPECT_EQ(decoded.rows, c.rows) << c.what;
    EXPECT_EQ(lzwDecoder.written, c.written) << c.what;
  }
}

TEST(LzwFrameSizes, WideFramesDecode) {
  for (int width : {2049, 3000, 65535}) {
    const int height = width > 4000 ? 1 : 2;
    const IndexImage image = PatternImage(width, height, 256, static_cast<uint32_t>(width));
    Decoded decoded = Decode(Encoded(image.pixels, 8), width, height);
    EXPECT_EQ(decoded.status, 0);
    for (int y = 0; y < height; y++) EXPECT_EQ(decoded.rows[y], image.Row(y)) << "width " << width;
  }
}

TEST(LzwFrameSizes, EmptyAndPixellessFramesWriteNothing) {
  const Bytes data = Encoded(PatternImage(4, 4, 256, 1).pixels, 8);
  // Width 0: nothing past the minimum code size is read.
  Decoded narrow = Decode(data, 0, 4);
  EXPECT_EQ(narrow.status, 0);
  EXPECT_EQ(narrow.pos, 1);

  // Height 0 or a side too large for a pixel block: the codes are decoded and the
  // rows dropped (AddressSanitizer watches for any write).
  for (auto [width, height] : {std::pair{4, 0}, std::pair{65535, 65535}}) {
    Decoded decoded = Decode(data, width, height, 0, 4);
    EXPECT_EQ(decoded.status, 0) << width << "x" << height;
    EXPECT_TRUE(decoded.rows.empty()) << width << "x" << height;
  }
}

}  // namespace
