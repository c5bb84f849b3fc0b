#include "gif_encoder.h"

#include <gtest/gtest.h>

#include <random>

#include "gif_blocks.h"
#include "support/gif_decoders.h"

namespace {

std::vector<GifColour> MakePalette(int count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<GifColour> palette(count);
  for (GifColour& c : palette) {
    uint32_t v = random();
    c = GifColour{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16)};
  }
  return palette;
}

uint32_t Pack(const GifColour& c) { return c.red | c.green << 8 | static_cast<uint32_t>(c.blue) << 16; }

enum class Pattern { kNoise, kRuns, kSingleColour, kGradient };

// Indices below `colours` in a mix that stresses different paths of the string
// table: noise makes many short strings and fills the table fast, runs and a
// single colour make the long self-referencing strings, gradients repeat rows.
std::vector<uint8_t> MakeIndices(int width, int height, int colours, Pattern pattern, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
  uint8_t current = 0;
  for (size_t i = 0; i < pixels.size(); i++) {
    switch (pattern) {
      case Pattern::kNoise:
        pixels[i] = static_cast<uint8_t>(random() % colours);
        break;
      case Pattern::kRuns:
        if (random() % 23 == 0) current = static_cast<uint8_t>(random() % colours);
        pixels[i] = current;
        break;
      case Pattern::kSingleColour:
        pixels[i] = static_cast<uint8_t>(colours - 1);
        break;
      case Pattern::kGradient:
        pixels[i] = static_cast<uint8_t>((i % width + i / width / 3) % colours);
        break;
    }
  }
  return pixels;
}

struct FrameData {
  GifFrameImage image;
  std::vector<uint8_t> pixels;
};

// Both decoders must give back the screen, the padded table, and every frame's
// rectangle, delay and indices exactly as they were encoded.
void ExpectRoundTrip(int screenWidth, int screenHeight, const std::vector<GifColour>& palette,
                     const std::vector<FrameData>& frames) {
  GifEncoder encoder;
  ASSERT_TRUE(encoder.Begin(screenWidth, screenHeight, palette)) << encoder.error();
  for (const FrameData& frame : frames) ASSERT_TRUE(encoder.AddFrame(frame.image)) << encoder.error();
  ASSERT_TRUE(encoder.Finish());

  size_t tableSize = 2;
  while (tableSize < palette.size()) tableSize *= 2;
  std::vector<uint32_t> expectedColours(tableSize, 0);
  for (size_t i = 0; i < palette.size(); i++) expectedColours[i] = Pack(palette[i]);

  for (const DecodedGif& decoded : {DecodeWithGiflib(encoder.bytes()), DecodeWithPlayer(encoder.bytes())}) {
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.width, screenWidth);
    EXPECT_EQ(decoded.height, screenHeight);
    EXPECT_EQ(decoded.colours, expectedColours);
    ASSERT_EQ(decoded.frames.size(), frames.size());
    for (size_t i = 0; i < frames.size(); i++) {
      const GifFrameImage& in = frames[i].image;
      const DecodedFrame& out = decoded.frames[i];
      SCOPED_TRACE("frame " + std::to_string(i) + " " + std::to_string(in.width) + "x" + std::to_string(in.height));
      EXPECT_EQ(out.left, in.left);
      EXPECT_EQ(out.top, in.top);
      EXPECT_EQ(out.width, in.width);
      EXPECT_EQ(out.height, in.height);
      EXPECT_EQ(out.delay, in.delay);
      EXPECT_FALSE(out.localTable);
      EXPECT_FALSE(out.interlaced);
      EXPECT_TRUE(out.pixels == frames[i].pixels) << "pixels differ";
    }
  }
}

FrameData OneFrame(int width, int height, int colours, Pattern pattern, uint32_t seed) {
  FrameData frame;
  frame.pixels = MakeIndices(width, height, colours, pattern, seed);
  frame.image.width = width;
  frame.image.height = height;
  frame.image.pixels = frame.pixels.data();
  frame.image.delay = static_cast<int32_t>(seed % 100);
  return frame;
}

// Returns the LZW data of the first image: the stream has the fixed layout the
// encoder writes (header, screen, table, looping extension, control, descriptor).
struct ImageData {
  int minCodeSize = 0;
  std::vector<int> subBlockLengths;
  std::vector<uint8_t> codes;  // the sub-blocks joined
};

ImageData FirstImageData(const std::vector<uint8_t>& gif) {
  ImageData data;
  size_t pos = 13 + 3 * (size_t{2} << (gif[10] & kGifTableSizeMask));
  while (gif[pos] == kGifExtensionIntroducer) {
    pos += 2;
    while (gif[pos] != 0) pos += gif[pos] + 1;
    pos++;
  }
  EXPECT_EQ(gif[pos], kGifImageIntroducer);
  EXPECT_EQ(gif[pos + 9] & kGifColourTableFlag, 0) << "local colour table";
  pos += 10;
  data.minCodeSize = gif[pos++];
  while (gif[pos] != 0) {
    data.subBlockLengths.push_back(gif[pos]);
    data.codes.insert(data.codes.end(), gif.begin() + pos + 1, gif.begin() + pos + 1 + gif[pos]);
    pos += gif[pos] + 1;
  }
  return data;
}

// Walks the codes as a decoder sizes them and counts the table entries it would
// add. Returns the number of clear codes; fails when a code is read without a
// clear in front of it or an entry would go past code 4095.
int CountClearsCheckingTable(const ImageData& data) {
  const int clear = 1 << data.minCodeSize;
  const int end = clear + 1;
  int size = data.minCodeSize + 1;
  int next = clear + 2;
  bool sinceClear = false;  // a code has been read since the last clear
  int clears = 0;
  size_t bit = 0;
  const size_t totalBits = data.codes.size() * 8;
  for (bool first = true;; first = false) {
    if (bit + size > totalBits) {
      ADD_FAILURE() << "no end code";
      return clears;
    }
    int code = 0;
    for (int b = 0; b < size; b++, bit++) code |= ((data.codes[bit / 8] >> (bit % 8)) & 1) << b;
    if (first) EXPECT_EQ(code, clear) << "the stream must open with a clear code";
    if (code == end) return clears;
    if (code == clear) {
      clears++;
      size = data.minCodeSize + 1;
      next = clear + 2;
      sinceClear = false;
      continue;
    }
    EXPECT_LE(code, next) << "code beyond the table";
    if (sinceClear) {
      if (next >= 4096) {
        ADD_FAILURE() << "the table overflowed without a clear";
        return clears;
      }
      next++;
      if (next == (1 << size) && size < 12) size++;
    }
    sinceClear = true;
  }
}

TEST(GifEncoder, RoundTripsSizesPalettesAndPatterns) {
  const int sizes[][2] = {{1, 1}, {2, 1}, {1, 2}, {3, 5}, {17, 13}, {64, 64}, {2048, 3}, {301, 97}};
  const int paletteSizes[] = {1, 2, 3, 4, 5, 16, 17, 128, 255, 256};
  const Pattern patterns[] = {Pattern::kNoise, Pattern::kRuns, Pattern::kSingleColour, Pattern::kGradient};
  uint32_t seed = 1;
  for (int colours : paletteSizes) {
    for (const auto& size : sizes) {
      for (Pattern pattern : patterns) {
        SCOPED_TRACE(std::to_string(colours) + " colours, pattern " + std::to_string(static_cast<int>(pattern)));
        std::vector<FrameData> frames;
        frames.push_back(OneFrame(size[0], size[1], colours, pattern, seed++));
        ExpectRoundTrip(size[0], size[1], MakePalette(colours, seed), frames);
        if (HasFatalFailure()) return;
      }
    }
  }
}

TEST(GifEncoder, RoundTripsDataThatFillsTheTableManyTimes) {
  const std::pair<int, Pattern> cases[] = {
      {4, Pattern::kNoise}, {16, Pattern::kNoise}, {256, Pattern::kNoise}, {256, Pattern::kRuns}};
  for (const auto& c : cases) {
    const int colours = c.first;
    SCOPED_TRACE(std::to_string(colours) + " colours, pattern " + std::to_string(static_cast<int>(c.second)));
    std::vector<FrameData> frames;
    frames.push_back(OneFrame(512, 384, colours, c.second, 77 + colours));
    ExpectRoundTrip(512, 384, MakePalette(colours, 5), frames);

    GifEncoder encoder;
    ASSERT_TRUE(encoder.Begin(512, 384, MakePalette(colours, 5)));
    ASSERT_TRUE(encoder.AddFrame(frames[0].image));
    EXPECT_GE(CountClearsCheckingTable(FirstImageData(encoder.bytes())), 5)
        << "the data should refill the table several times";
  }
}

TEST(GifEncoder, LongRunsOfOneIndexBuildSelfReferencingStrings) {
  // A run of n equal indices takes about sqrt(2n) codes, each one the string
  // just added: the case a decoder resolves from its previous code.
  std::vector<FrameData> frames;
  frames.push_back(OneFrame(1000, 1000, 2, Pattern::kSingleColour, 3));
  ExpectRoundTrip(1000, 1000, MakePalette(2, 1), frames);
}

TEST(GifEncoder, RoundTripsFramesOfTheWidestSize) {
  std::vector<FrameData> frames;
  frames.push_back(OneFrame(kGifMaxSide, 2, 256, Pattern::kNoise, 11));
  frames.push_back(OneFrame(1, 700, 7, Pattern::kNoise, 12));
  ExpectRoundTrip(kGifMaxSide, 700, MakePalette(256, 2), frames);
}

TEST(GifEncoder, RoundTripsMultiFrameAnimations) {
  std::vector<FrameData> frames;
  frames.push_back(OneFrame(200, 150, 64, Pattern::kGradient, 20));
  const int rects[][4] = {{10, 20, 30, 40}, {0, 0, 200, 150}, {199, 149, 1, 1}, {50, 0, 150, 1}, {0, 75, 1, 75}};
  uint32_t seed = 21;
  for (const auto& r : rects) {
    FrameData frame = OneFrame(r[2], r[3], 64, seed % 2 ? Pattern::kNoise : Pattern::kRuns, seed);
    frame.image.left = r[0];
    frame.image.top = r[1];
    seed++;
    frames.push_back(std::move(frame));
  }
  for (FrameData& frame : frames) frame.image.pixels = frame.pixels.data();
  ExpectRoundTrip(200, 150, MakePalette(64, 9), frames);
}

TEST(GifEncoder, WritesControlLoopingAndTableLayout) {
  GifEncoder encoder;
  ASSERT_TRUE(encoder.Begin(40, 30, MakePalette(5, 4), 3));
  EXPECT_EQ(encoder.tableSize(), 8);
  FrameData first = OneFrame(40, 30, 5, Pattern::kNoise, 8);
  first.image.delay = 12;
  FrameData second = OneFrame(4, 3, 5, Pattern::kRuns, 9);
  second.image.delay = 65535;
  second.image.disposal = 2;
  ASSERT_TRUE(encoder.AddFrame(first.image));
  ASSERT_TRUE(encoder.AddFrame(second.image));
  ASSERT_TRUE(encoder.Finish());
  const std::vector<uint8_t>& gif = encoder.bytes();
  ASSERT_GE(gif.size(), 13u);
  EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
  EXPECT_EQ(gif[10], 0x80 | 0x70 | 2) << "global table of 8 entries";
  EXPECT_EQ(gif.back(), 0x3B);

  DecodedGif decoded = DecodeWithGiflib(gif);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.loopCount, 3);
  ASSERT_EQ(decoded.frames.size(), 2u);
  EXPECT_EQ(decoded.frames[0].delay, 12);
  EXPECT_EQ(decoded.frames[0].disposal, 0);
  EXPECT_EQ(decoded.frames[0].transparent, -1);
  EXPECT_EQ(decoded.frames[1].delay, 65535);
  EXPECT_EQ(decoded.frames[1].disposal, 2);
  EXPECT_EQ(decoded.frames[1].transparent, -1);

  GifEncoder looping;
  GifEncoder quiet;
  ASSERT_TRUE(looping.Begin(40, 30, MakePalette(5, 4), 0));
  ASSERT_TRUE(quiet.Begin(40, 30, MakePalette(5, 4), -1));
  ASSERT_TRUE(looping.AddFrame(first.image));
  ASSERT_TRUE(quiet.AddFrame(first.image));
  ASSERT_TRUE(looping.Finish());
  ASSERT_TRUE(quiet.Finish());
  EXPECT_EQ(DecodeWithGiflib(looping.bytes()).loopCount, 0);
  EXPECT_EQ(DecodeWithGiflib(quiet.bytes()).loopCount, -1);
  // The looping extension is all that differs: 19 bytes after the 8-entry table.
  std::vector<uint8_t> withoutLoop = looping.bytes();
  const size_t tableEnd = 13 + 3 * 8;
  withoutLoop.erase(withoutLoop.begin() + tableEnd, withoutLoop.begin() + tableEnd + 19);
  EXPECT_EQ(withoutLoop, quiet.bytes());
}

TEST(GifEncoder, RoundTripsLocalTablesAndInterlacing) {
  // Interlaced frames of heights that leave passes empty or end them early, with
  // and without local tables, in streams with and without a global table.
  for (bool global : {true, false}) {
    SCOPED_TRACE(global ? "global table" : "no global table");
    GifEncoder encoder;
    const std::vector<GifColour> palette = MakePalette(16, 70);
    ASSERT_TRUE(global ? encoder.Begin(40, 40, palette) : encoder.BeginWithoutGlobalTable(40, 40));
    std::vector<FrameData> frames;
    for (int height : {1, 2, 3, 4, 5, 8, 9, 17, 40}) {
      const int colours = global && height % 2 ? 16 : 3 + height * 6;
      FrameData frame = OneFrame(37, height, colours, Pattern::kNoise, static_cast<uint32_t>(height));
      frame.image.interlaced = height > 1;
      if (!global || height % 2 == 0) frame.image.localPalette = MakePalette(colours, static_cast<uint32_t>(height));
      frames.push_back(std::move(frame));
    }
    for (FrameData& frame : frames) {
      frame.image.pixels = frame.pixels.data();
      ASSERT_TRUE(encoder.AddFrame(frame.image)) << encoder.error();
    }
    ASSERT_TRUE(encoder.Finish());

    const DecodedGif giflib = DecodeWithGiflib(encoder.bytes());
    const DecodedGif player = DecodeWithPlayer(encoder.bytes());
    ASSERT_TRUE(giflib.ok) << giflib.error;
    EXPECT_EQ(giflib.colours.size(), global ? 16u : 0u);
    EXPECT_EQ(player.colours.size(), global ? 16u : 0u);
    ASSERT_EQ(giflib.frames.size(), frames.size());
    ASSERT_EQ(player.frames.size(), frames.size());
    for (size_t i = 0; i < frames.size(); i++) {
      const GifFrameImage& in = frames[i].image;
      SCOPED_TRACE("frame " + std::to_string(i) + " of height " + std::to_string(in.height));
      size_t tableSize = 2;
      while (tableSize < in.localPalette.size()) tableSize *= 2;
      std::vector<uint32_t> expectedColours(in.localPalette.empty() ? 0 : tableSize, 0);
      for (size_t c = 0; c < in.localPalette.size(); c++) expectedColours[c] = Pack(in.localPalette[c]);
      EXPECT_EQ(giflib.frames[i].localTable, !in.localPalette.empty());
      EXPECT_EQ(giflib.frames[i].localColours, expectedColours);
      EXPECT_EQ(giflib.frames[i].interlaced, in.interlaced);
      EXPECT_EQ(player.frames[i].interlaced, in.interlaced);
      EXPECT_TRUE(giflib.frames[i].pixels == frames[i].pixels) << "giflib's pixels differ";
      EXPECT_TRUE(player.frames[i].pixels == frames[i].pixels) << "the player's pixels differ";
    }
  }
}

TEST(GifEncoder, ChoosesTheMinimumCodeSizeFromThePalette) {
  const int cases[][2] = {{1, 2},  {2, 2},  {4, 2},   {5, 3},   {8, 3},  {9, 4},
                          {16, 4}, {17, 5}, {128, 7}, {129, 8}, {256, 8}};
  for (const auto& c : cases) {
    GifEncoder encoder;
    ASSERT_TRUE(encoder.Begin(9, 9, MakePalette(c[0], 1)));
    ASSERT_TRUE(encoder.AddFrame(OneFrame(9, 9, c[0], Pattern::kNoise, 2).image));
    EXPECT_EQ(FirstImageData(encoder.bytes()).minCodeSize, c[1]) << c[0] << " colours";

    // A frame's local palette decides its own code size, whatever the global one.
    FrameData local = OneFrame(9, 9, c[0], Pattern::kNoise, 3);
    local.image.localPalette = MakePalette(c[0], 4);
    GifEncoder other;
    ASSERT_TRUE(other.Begin(9, 9, MakePalette(c[0] == 256 ? 1 : 256, 1)));
    ASSERT_TRUE(other.AddFrame(local.image)) << other.error();
    std::vector<uint8_t> data;
    AppendLzwImageData(local.pixels.data(), local.pixels.size(), c[1], &data);
    const size_t offset = other.bytes().size() - data.size();
    EXPECT_TRUE(std::equal(data.begin(), data.end(), other.bytes().begin() + offset)) << c[0] << " local colours";
  }
}

TEST(GifEncoder, FillsSubBlocksToTheLimit) {
  FrameData frame = OneFrame(300, 300, 256, Pattern::kNoise, 30);
  GifEncoder encoder;
  ASSERT_TRUE(encoder.Begin(300, 300, MakePalette(256, 1)));
  ASSERT_TRUE(encoder.AddFrame(frame.image));
  ImageData data = FirstImageData(encoder.bytes());
  ASSERT_GT(data.subBlockLengths.size(), 2u);
  for (size_t i = 0; i + 1 < data.subBlockLengths.size(); i++) ASSERT_EQ(data.subBlockLengths[i], 255) << i;
  EXPECT_GE(data.subBlockLengths.back(), 1);

  // Shorter sub-blocks carry the same codes.
  std::vector<uint8_t> shorter;
  AppendLzwImageData(frame.pixels.data(), frame.pixels.size(), data.minCodeSize, &shorter, 7);
  std::vector<uint8_t> codes;
  size_t pos = 1;
  for (; pos < shorter.size() && shorter[pos] != 0; pos += shorter[pos] + 1u) {
    if (pos + shorter[pos] + 1u < shorter.size() && shorter[pos + shorter[pos] + 1u] != 0) {
      ASSERT_EQ(shorter[pos], 7) << "sub-block at " << pos;
    }
    codes.insert(codes.end(), shorter.begin() + pos + 1, shorter.begin() + pos + 1 + shorter[pos]);
  }
  EXPECT_EQ(pos, shorter.size() - 1) << "the terminator ends the data";
  EXPECT_EQ(codes, data.codes);
}

TEST(GifEncoder, ReadsRowsThroughAnyStride) {
  const int width = 37;
  const int height = 11;
  FrameData frame = OneFrame(width, height, 16, Pattern::kNoise, 40);
  // The same picture stored bottom-up with padded rows, as a DIB holds it.
  const int stride = 40;
  std::vector<uint8_t> bottomUp(static_cast<size_t>(stride) * height, 0xEE);
  for (int y = 0; y < height; y++) {
    std::copy_n(frame.pixels.begin() + y * width, width, bottomUp.begin() + (height - 1 - y) * stride);
  }
  GifFrameImage flipped = frame.image;
  flipped.pixels = bottomUp.data() + (height - 1) * stride;
  flipped.stride = -stride;

  GifEncoder plain;
  GifEncoder strided;
  ASSERT_TRUE(plain.Begin(width, height, MakePalette(16, 3)));
  ASSERT_TRUE(strided.Begin(width, height, MakePalette(16, 3)));
  ASSERT_TRUE(plain.AddFrame(frame.image));
  ASSERT_TRUE(strided.AddFrame(flipped)) << strided.error();
  EXPECT_EQ(plain.bytes(), strided.bytes());
}

TEST(GifEncoder, RejectsBadArgumentsWithoutWriting) {
  GifEncoder encoder;
  FrameData frame = OneFrame(4, 4, 3, Pattern::kNoise, 50);
  EXPECT_FALSE(encoder.AddFrame(frame.image)) << "before Begin";
  EXPECT_FALSE(encoder.Begin(0, 10, MakePalette(3, 1)));
  EXPECT_FALSE(encoder.Begin(10, 65536, MakePalette(3, 1)));
  EXPECT_FALSE(encoder.Begin(10, 10, {}));
  EXPECT_FALSE(encoder.Begin(10, 10, MakePalette(257, 1)));
  EXPECT_FALSE(encoder.error().empty());
  EXPECT_TRUE(encoder.bytes().empty());

  ASSERT_TRUE(encoder.Begin(10, 10, MakePalette(3, 1)));
  const size_t begun = encoder.bytes().size();
  auto rejects = [&](GifFrameImage image, const char* what) {
    EXPECT_FALSE(encoder.AddFrame(image)) << what;
    EXPECT_EQ(encoder.bytes().size(), begun) << what;
  };
  GifFrameImage bad = frame.image;
  bad.width = 0;
  rejects(bad, "zero width");
  bad = frame.image;
  bad.height = 65536;
  rejects(bad, "height past 65535");
  bad = frame.image;
  bad.left = -1;
  rejects(bad, "negative position");
  bad = frame.image;
  bad.delay = 65536;
  rejects(bad, "delay past 65535");
  bad = frame.image;
  bad.disposal = 8;
  rejects(bad, "disposal past 7");
  bad = frame.image;
  bad.pixels = nullptr;
  rejects(bad, "no pixels");
  std::vector<uint8_t> outside = frame.pixels;
  outside[15] = 3;  // the table is padded to 4 entries, but only 3 are colours
  bad = frame.image;
  bad.pixels = outside.data();
  rejects(bad, "index outside the palette");

  bad = frame.image;
  bad.localPalette = MakePalette(257, 1);
  rejects(bad, "local palette past 256 colours");
  bad = frame.image;
  bad.localPalette = MakePalette(2, 1);
  rejects(bad, "index outside the local palette");

  ASSERT_TRUE(encoder.AddFrame(frame.image));
  ASSERT_TRUE(encoder.Finish());
  EXPECT_FALSE(encoder.Finish());
  EXPECT_FALSE(encoder.AddFrame(frame.image)) << "after Finish";
  EXPECT_EQ(encoder.bytes().back(), 0x3B);

  // Without a global table every frame must bring its own.
  GifEncoder tableless;
  ASSERT_TRUE(tableless.BeginWithoutGlobalTable(10, 10));
  const size_t screen = tableless.bytes().size();
  EXPECT_FALSE(tableless.AddFrame(frame.image));
  EXPECT_EQ(tableless.bytes().size(), screen);
}

TEST(GifEncoder, FreeFunctionMatchesTheFramesImageData) {
  FrameData frame = OneFrame(123, 45, 32, Pattern::kRuns, 60);
  GifEncoder encoder;
  ASSERT_TRUE(encoder.Begin(123, 45, MakePalette(32, 1), -1));
  ASSERT_TRUE(encoder.AddFrame(frame.image));
  std::vector<uint8_t> data;
  AppendLzwImageData(frame.pixels.data(), frame.pixels.size(), GifMinCodeSize(32), &data);
  // Header, screen, table, control extension and descriptor come first.
  const size_t offset = 13 + 3 * 32 + 8 + 10;
  ASSERT_EQ(encoder.bytes().size(), offset + data.size());
  EXPECT_TRUE(std::equal(data.begin(), data.end(), encoder.bytes().begin() + offset));
}

}  // namespace
