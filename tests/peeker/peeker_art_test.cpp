// The peeker's committed pictures, chime and icon, read back by their formats
// and, for the pixels, checked against ImageMagick's decoders as well as ours.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "peeker/art_files.h"
#include "whole_file.h"

namespace {

const Colour kGreen{0, 255, 0};
const Colour kWhite{255, 255, 255};
const char* const kFrameNames[] = {"peek_101.bmp", "peek_102.bmp", "peek_103.bmp", "peek_104.bmp"};

std::string ResPath(const std::string& name) { return std::string(PEEKER_RES_DIR) + "/" + name; }

std::string ReadRes(const std::string& name) {
  bool exists = false;
  std::string bytes = ReadWholeFile<std::string>(ResPath(name), &exists);
  EXPECT_TRUE(exists) << ResPath(name);
  return bytes;
}

// A committed bitmap with its pixels as colours, top-down.
struct Picture {
  BmpFile bmp;
  Rle8Result decoded;
  std::vector<Colour> rgb;
  int width() const { return bmp.width; }
  int height() const { return bmp.height; }
  const Colour& At(int x, int y) const { return rgb[static_cast<size_t>(y) * bmp.width + x]; }
  size_t Count(const Colour& c) const { return std::count(rgb.begin(), rgb.end(), c); }
};

Picture Load(const std::string& name) {
  Picture picture;
  picture.bmp = ParseBmp(ReadRes(name));
  EXPECT_TRUE(picture.bmp.parsed) << name << ": " << picture.bmp.error;
  if (!picture.bmp.parsed || picture.bmp.width <= 0 || picture.bmp.height <= 0) return picture;
  picture.decoded = DecodeRle8(picture.bmp.bits, picture.bmp.width, picture.bmp.height);
  EXPECT_TRUE(picture.decoded.ok) << name << ": " << picture.decoded.error;
  for (uint8_t index : picture.decoded.pixels) {
    EXPECT_LT(index, picture.bmp.palette.size()) << name;
    picture.rgb.push_back(index < picture.bmp.palette.size() ? picture.bmp.palette[index] : kGreen);
  }
  return picture;
}

int PaletteCount(const BmpFile& bmp, const Colour& colour) {
  return static_cast<int>(std::count(bmp.palette.begin(), bmp.palette.end(), colour));
}

struct BitmapCase {
  const char* name;
  int width;
  int height;
};

const BitmapCase kBitmaps[] = {
    {"peek_101.bmp", 204, 122}, {"peek_102.bmp", 204, 122}, {"peek_103.bmp", 204, 122},
    {"peek_104.bmp", 204, 122}, {"about_161.bmp", 160, 21}, {"about_162.bmp", 207, 16},
    {"about_163.bmp", 199, 18},
};

TEST(PeekerBitmaps, AreVersion3Rle8BitmapsStoredBottomUp) {
  for (const BitmapCase& expected : kBitmaps) {
    SCOPED_TRACE(expected.name);
    std::string bytes = ReadRes(expected.name);
    BmpFile bmp = ParseBmp(bytes);
    ASSERT_TRUE(bmp.parsed) << bmp.error;
    EXPECT_EQ(bmp.fileSize, bytes.size());
    EXPECT_EQ(bmp.headerSize, 40u);
    EXPECT_EQ(bmp.width, expected.width);
    EXPECT_EQ(bmp.height, expected.height);  // positive height: bottom-up
    EXPECT_EQ(bmp.planes, 1);
    EXPECT_EQ(bmp.bitCount, 8);
    EXPECT_EQ(bmp.compression, 1u);
    EXPECT_EQ(bmp.offBits, 14 + 40 + 4 * bmp.palette.size());
    EXPECT_EQ(bmp.sizeImage, bytes.size() - bmp.offBits);
  }
}

TEST(PeekerBitmaps, Rle8StreamsFillEveryPixelAndEndAtEndOfBitmap) {
  for (const BitmapCase& expected : kBitmaps) {
    SCOPED_TRACE(expected.name);
    BmpFile bmp = ParseBmp(ReadRes(expected.name));
    ASSERT_TRUE(bmp.parsed) << bmp.error;
    Rle8Result decoded = DecodeRle8(bmp.bits, bmp.width, bmp.height);
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.pixelsWritten, static_cast<size_t>(bmp.width) * bmp.height);
    EXPECT_EQ(decoded.bytesConsumed, bmp.bits.size()) << "bytes after the end-of-bitmap marker";
    for (uint8_t index : decoded.pixels) ASSERT_LT(index, bmp.palette.size());
  }
}

TEST(PeekerBitmaps, DecodeToTheSamePixelsAsImageMagick) {
  for (const BitmapCase& expected : kBitmaps) {
    SCOPED_TRACE(expected.name);
    Picture picture = Load(expected.name);
    ASSERT_FALSE(picture.rgb.empty());
    bool ok = false;
    std::string theirs = RunImageMagick("'" + ResPath(expected.name) + "' -depth 8 rgb:-", &ok);
    ASSERT_TRUE(ok) << "/usr/bin/convert failed";
    ASSERT_EQ(theirs.size(), picture.rgb.size() * 3);
    size_t mismatches = 0;
    for (size_t i = 0; i < picture.rgb.size(); ++i) {
      Colour c{static_cast<uint8_t>(theirs[3 * i]), static_cast<uint8_t>(theirs[3 * i + 1]),
               static_cast<uint8_t>(theirs[3 * i + 2])};
      if (!(c == picture.rgb[i]) && mismatches++ == 0) {
        ADD_FAILURE() << "first difference at x " << i % picture.width() << ", y " << i / picture.width();
      }
    }
    EXPECT_EQ(mismatches, 0u);
  }
}

// The key colour means "see through" to the peeker; a second pure green entry
// would be a second, hidden way to say it.
TEST(PeekerBitmaps, PalettesHoldPureGreenExactlyOnce) {
  for (const BitmapCase& expected : kBitmaps) {
    SCOPED_TRACE(expected.name);
    BmpFile bmp = ParseBmp(ReadRes(expected.name));
    ASSERT_TRUE(bmp.parsed) << bmp.error;
    EXPECT_EQ(PaletteCount(bmp, kGreen), 1);
  }
}

TEST(PeekerFrames, KeyGreenSurroundsAFigureThatGripsTheBottomEdge) {
  for (const char* name : kFrameNames) {
    SCOPED_TRACE(name);
    Picture frame = Load(name);
    ASSERT_FALSE(frame.rgb.empty());
    size_t key = frame.Count(kGreen);
    EXPECT_GT(key, frame.rgb.size() / 10) << "the figure leaves little to see through";
    EXPECT_LT(key, frame.rgb.size() * 9 / 10) << "the figure is hardly there";
    EXPECT_EQ(frame.At(0, 0), kGreen);
    EXPECT_EQ(frame.At(frame.width() - 1, 0), kGreen);
    // The bottom row is the window's edge: the figure must reach it on both
    // halves, or it would float above the window instead of holding on.
    int bottom = frame.height() - 1;
    int left = 0, right = 0;
    for (int x = 0; x < frame.width(); ++x) {
      if (frame.At(x, bottom) == kGreen) continue;
      (x < frame.width() / 2 ? left : right) += 1;
    }
    EXPECT_GT(left, 10);
    EXPECT_GT(right, 10);
  }
}

// Against an arbitrary desktop only a dark rim reads cleanly; a light pixel on the
// edge would show as a fringe, a green-tinted one as a hole in the key.
TEST(PeekerFrames, EveryEdgePixelIsDark) {
  for (const char* name : kFrameNames) {
    SCOPED_TRACE(name);
    Picture frame = Load(name);
    ASSERT_FALSE(frame.rgb.empty());
    int edge = 0;
    for (int y = 0; y < frame.height(); ++y) {
      for (int x = 0; x < frame.width(); ++x) {
        if (frame.At(x, y) == kGreen) continue;
        bool touchesKey = (x > 0 && frame.At(x - 1, y) == kGreen) || (y > 0 && frame.At(x, y - 1) == kGreen) ||
                          (x + 1 < frame.width() && frame.At(x + 1, y) == kGreen) ||
                          (y + 1 < frame.height() && frame.At(x, y + 1) == kGreen);
        if (!touchesKey) continue;
        ++edge;
        ASSERT_LT(frame.At(x, y).Luma(), 90) << "light edge pixel at " << x << ", " << y;
      }
    }
    EXPECT_GT(edge, 200);
  }
}

// The peeker swaps frames inside one window shape, so the blink may change the
// eyes but never the outline; and the frames must run from open (104) to shut
// (101), which the amount of eye white shows.
TEST(PeekerFrames, BlinkKeepsTheSilhouetteWhileTheEyesClose) {
  std::vector<Picture> frames;
  for (const char* name : kFrameNames) frames.push_back(Load(name));
  for (const Picture& frame : frames) ASSERT_EQ(frame.rgb.size(), frames[0].rgb.size());
  for (size_t f = 1; f < frames.size(); ++f) {
    SCOPED_TRACE(kFrameNames[f]);
    size_t differing = 0;
    for (size_t i = 0; i < frames[0].rgb.size(); ++i) {
      ASSERT_EQ(frames[f].rgb[i] == kGreen, frames[0].rgb[i] == kGreen) << "silhouette differs at pixel " << i;
      differing += !(frames[f].rgb[i] == frames[f - 1].rgb[i]);
    }
    EXPECT_GT(differing, 50u) << "no different from " << kFrameNames[f - 1];
    EXPECT_GT(frames[f].Count(kWhite), frames[f - 1].Count(kWhite)) << "more open than " << kFrameNames[f - 1];
  }
  EXPECT_EQ(frames[0].Count(kWhite), 0u) << "the blink frame shows eye white";
}

TEST(AboutArt, TitleIsLightLetteringOnADarkGround) {
  Picture title = Load("about_161.bmp");
  ASSERT_FALSE(title.rgb.empty());
  EXPECT_EQ(title.Count(kGreen), 0u);
  std::map<int, size_t> lumaCounts;
  for (const Colour& c : title.rgb) ++lumaCounts[c.Luma() / 32];
  EXPECT_GT(lumaCounts[0] + lumaCounts[1], title.rgb.size() * 3 / 5) << "the ground is not mostly dark";
  EXPECT_GT(lumaCounts[7], 150u) << "too little light lettering";
  // The ground runs edge to edge; nothing keyed shows through.
  for (int y = 0; y < title.height(); ++y) {
    EXPECT_LT(title.At(0, y).Luma(), 64);
    EXPECT_LT(title.At(title.width() - 1, y).Luma(), 64);
  }
}

// The dialog keys the white out, so any pale pixel left in the lettering would
// show as a halo around the letters.
TEST(AboutArt, TextLinesAreSolidDarkInkOnKeyWhite) {
  for (const char* name : {"about_162.bmp", "about_163.bmp"}) {
    SCOPED_TRACE(name);
    Picture line = Load(name);
    ASSERT_FALSE(line.rgb.empty());
    EXPECT_EQ(PaletteCount(line.bmp, kWhite), 1);
    EXPECT_EQ(line.Count(kGreen), 0u);
    size_t white = line.Count(kWhite);
    EXPECT_GT(white, line.rgb.size() / 2);
    size_t ink = 0;
    for (const Colour& c : line.rgb) {
      if (c == kWhite) continue;
      ++ink;
      ASSERT_LT(c.Luma(), 80) << "pale lettering pixel";
    }
    EXPECT_GT(ink, 150u) << "hardly any lettering";
    for (int x = 0; x < line.width(); ++x) {
      EXPECT_EQ(line.At(x, 0), kWhite) << "lettering touches the top at x " << x;
      EXPECT_EQ(line.At(x, line.height() - 1), kWhite) << "lettering touches the bottom at x " << x;
    }
  }
}

uint32_t Le(const std::string& b, size_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(b[at + i]);
  return value;
}

TEST(AboutChime, IsEightBitMonoPcmAt11025HzWith4938Samples) {
  std::string wave = ReadRes("about_165.wav");
  ASSERT_EQ(wave.size(), 44u + 4938u);
  EXPECT_EQ(wave.substr(0, 4), "RIFF");
  EXPECT_EQ(Le(wave, 4, 4), wave.size() - 8);
  EXPECT_EQ(wave.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(Le(wave, 16, 4), 16u);
  EXPECT_EQ(Le(wave, 20, 2), 1u);  // PCM
  EXPECT_EQ(Le(wave, 22, 2), 1u);  // mono
  EXPECT_EQ(Le(wave, 24, 4), 11025u);
  EXPECT_EQ(Le(wave, 28, 4), 11025u);  // bytes a second
  EXPECT_EQ(Le(wave, 32, 2), 1u);      // block align
  EXPECT_EQ(Le(wave, 34, 2), 8u);
  EXPECT_EQ(wave.substr(36, 4), "data");
  EXPECT_EQ(Le(wave, 40, 4), 4938u);
}

// Eight-bit PCM is unsigned with silence at 128: a sound that starts or stops
// away from it clicks, one that touches 0 or 255 has clipped.
TEST(AboutChime, RisesFromAndFadesToSilenceWithoutClipping) {
  std::string wave = ReadRes("about_165.wav");
  ASSERT_EQ(wave.size(), 44u + 4938u);
  std::vector<int> samples;
  for (size_t i = 44; i < wave.size(); ++i) samples.push_back(static_cast<uint8_t>(wave[i]) - 128);
  EXPECT_LE(std::abs(samples.front()), 1);
  EXPECT_LE(std::abs(samples.back()), 1);
  int loudest = 0;
  for (int s : samples) loudest = std::max(loudest, std::abs(s));
  EXPECT_GT(loudest, 48) << "too quiet to hear";
  EXPECT_LT(loudest, 127) << "clipped";
  // The onset is eased in: the first millisecond stays near silence.
  for (size_t i = 0; i < 11; ++i) EXPECT_LE(std::abs(samples[i]), loudest / 4) << "sample " << i;
}

// 32 and 16 pixels, and 64 for displays of 200%, where 64 is the 32 doubled:
// the same face, its eyes and mouth the same pixels in squares of four.
TEST(PeekerIcon, HoldsA32A16AndA64PixelImageIn16Colours) {
  IconFile icon = ParseIcon(ReadRes("glimmer.ico"));
  ASSERT_TRUE(icon.parsed) << icon.error;
  EXPECT_EQ(icon.type, 1);
  ASSERT_EQ(icon.images.size(), 3u);
  const int sides[] = {32, 16, 64};
  const IconImage &large = icon.images[0], &double_ = icon.images[2];
  // The eyes' full rows, stamped whole at both sizes.
  for (int y = 14; y < 20; ++y)
    for (int x : {6, 7, 8, 9, 10, 11, 12, 13, 18, 19, 20, 21, 22, 23, 24, 25})
      for (int corner = 0; corner < 4; ++corner)
        ASSERT_EQ(double_.indices[(2 * y + corner / 2) * 64 + 2 * x + corner % 2], large.indices[y * 32 + x])
            << x << "," << y;
  for (size_t i = 0; i < 3; ++i) {
    const IconImage& image = icon.images[i];
    SCOPED_TRACE(sides[i]);
    EXPECT_EQ(image.width, sides[i]);
    EXPECT_EQ(image.height, sides[i]);
    EXPECT_EQ(image.colourCount, 16);
    EXPECT_EQ(image.planes, 1);
    EXPECT_EQ(image.bitCount, 4);
    EXPECT_EQ(image.headerSize, 40u);
    EXPECT_EQ(image.headerWidth, sides[i]);
    EXPECT_EQ(image.headerHeight, 2 * sides[i]);  // colour bitmap and mask stacked
  }
}

// Corners see-through, the face solid, and see-through pixels black in the colour
// bitmap: anything else would be XORed onto the desktop behind the icon.
TEST(PeekerIcon, FaceIsSolidOnASeeThroughGround) {
  IconFile icon = ParseIcon(ReadRes("glimmer.ico"));
  ASSERT_TRUE(icon.parsed) << icon.error;
  for (const IconImage& image : icon.images) {
    SCOPED_TRACE(image.width);
    int side = image.width;
    EXPECT_TRUE(image.transparent[0]);
    EXPECT_TRUE(image.transparent[side - 1]);
    size_t centre = static_cast<size_t>(side / 2) * side + side / 2;
    EXPECT_FALSE(image.transparent[centre]);
    size_t see = std::count(image.transparent.begin(), image.transparent.end(), true);
    EXPECT_GT(see, image.transparent.size() / 10);
    EXPECT_LT(see, image.transparent.size() / 2);
    for (size_t i = 0; i < image.indices.size(); ++i) {
      if (image.transparent[i]) ASSERT_EQ(image.palette[image.indices[i]], (Colour{0, 0, 0})) << "pixel " << i;
    }
  }
}

TEST(PeekerIcon, DecodesLikeImageMagick) {
  IconFile icon = ParseIcon(ReadRes("glimmer.ico"));
  ASSERT_TRUE(icon.parsed) << icon.error;
  for (size_t i = 0; i < icon.images.size(); ++i) {
    const IconImage& image = icon.images[i];
    SCOPED_TRACE(image.width);
    bool ok = false;
    std::string theirs =
        RunImageMagick("'" + ResPath("glimmer.ico") + "[" + std::to_string(i) + "]' -depth 8 rgba:-", &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(theirs.size(), image.indices.size() * 4);
    for (size_t p = 0; p < image.indices.size(); ++p) {
      uint8_t alpha = static_cast<uint8_t>(theirs[4 * p + 3]);
      ASSERT_EQ(alpha, image.transparent[p] ? 0 : 255) << "pixel " << p;
      if (image.transparent[p]) continue;
      Colour c{static_cast<uint8_t>(theirs[4 * p]), static_cast<uint8_t>(theirs[4 * p + 1]),
               static_cast<uint8_t>(theirs[4 * p + 2])};
      ASSERT_EQ(c, image.palette[image.indices[p]]) << "pixel " << p;
    }
  }
}

}  // namespace
