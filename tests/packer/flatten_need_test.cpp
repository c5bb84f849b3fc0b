// When a program that flattens on its own must flatten: the GIFs are made here
// with each feature the player cannot show, one at a time, and the packer's own
// checks give the verdict on them as they are.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "flatten_need.h"
#include "gif_parser.h"
#include "support/gif_writer.h"
#include "greeting_rules.h"
#include "support/plain_gif.h"

namespace {

std::vector<uint32_t> Palette() {
  std::vector<uint32_t> colours(256);
  for (int i = 0; i < 256; i++) colours[i] = static_cast<uint32_t>(i * 0x030507) & 0xFFFFFF;
  return colours;
}

std::string Gif(const std::vector<PlainFrame>& frames) { return PlainGif(40, 30, Palette(), frames); }

// Shapes the encoder never writes, block by block: a screen without a colour
// table, and a first frame of 0 x 4 pixels.
std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string WithoutColourTables() {
  GifWriter gif;
  gif.Header().Screen(40, 30, -1).GraphicControl(10).Image(0, 0, IndexImage(40, 30, 1)).Trailer();
  return Text(gif.bytes());
}

// `followed`: with a frame of pixels after it.
std::string FirstFrameWithoutPixels(bool followed) {
  GifWriter gif;
  gif.Header().Screen(40, 30, 7).ColourTable(7);
  gif.GraphicControl(10).Descriptor(0, 0, 0, 4, false).EncodedData(8, {});
  if (followed) gif.GraphicControl(10).Image(0, 0, IndexImage(40, 30, 1));
  return Text(gif.Trailer().bytes());
}

std::vector<PlainFrame> TwoFrames() { return {SolidFrame(0, 0, 40, 30, 1, 10), SolidFrame(4, 4, 8, 8, 2, 10)}; }

// `gif` with the last graphic control extension's flags set.
std::string WithControlFlags(std::string gif, int flags) {
  size_t at = gif.rfind(std::string("\x21\xF9\x04", 3));
  gif[at + 3] = static_cast<char>(flags);
  return gif;
}

const int kTransparent = 0x01, kRestorePrevious = 3 << 2;

FlattenNeed NeedOf(const std::string& path, const std::string& bytes) {
  std::vector<uint8_t> gif(bytes.begin(), bytes.end());
  Verdict asIs;
  static GifAnimation animation;
  CheckAnimation(path, gif, false, &animation, &asIs);
  FreeGifAnimation(&animation);
  return FindFlattenNeed(asIs);
}

std::string Joined(const FlattenNeed& need) {
  std::string text;
  for (const std::string& cure : need.cures) text += (text.empty() ? "" : "; ") + cure;
  return text;
}

TEST(FlattenNeed, WhatThePlayerShowsAsItIsGoesInUnchanged) {
  PlainFrame still = SolidFrame(0, 0, 40, 30, 1, 0);
  struct Case {
    const char* what;
    std::string path, bytes;
  } cases[] = {
      {"opaque frames through the global table", "anim.gif", Gif(TwoFrames())},
      // The player shows a delay of 0 for 100 ms, as browsers do; flattening keeps the delay.
      {"delays of 0", "anim.gif", Gif({still, SolidFrame(2, 2, 4, 4, 3, 0)})},
      // Its warning, which flattening does not cure, names the file.
      {"a file named after the option", "my--flatten.gif", Gif({still, SolidFrame(2, 2, 4, 4, 3, 0)})},
      // Refusals that flattening does not cure: the file is refused as it is.
      {"not a GIF", "anim.gif", "PNG and then some"},
      {"no frame", "anim.gif", Gif({})},
  };
  for (const Case& c : cases) {
    FlattenNeed need = NeedOf(c.path, c.bytes);
    EXPECT_FALSE(need.needed) << c.what << ": " << Joined(need);
    EXPECT_TRUE(need.cures.empty()) << c.what;
  }
}

TEST(FlattenNeed, EachFeatureThePlayerIgnoresOrRefusesIsNamed) {
  PlainFrame local = SolidFrame(0, 0, 10, 10, 3, 10);
  local.localColours = Palette();
  std::string codeSize = Gif(TwoFrames());
  // The second frame's LZW minimum code size: its control, its descriptor, then the size.
  codeSize[codeSize.rfind(std::string("\x21\xF9\x04", 3)) + 8 + 10] = 10;
  struct Case {
    const char* what;
    std::string bytes;
    std::string cures;
  } cases[] = {
      {"transparency", WithControlFlags(Gif(TwoFrames()), kTransparent),
       "transparency rendered as a web browser shows it"},
      {"disposal", WithControlFlags(Gif(TwoFrames()), kRestorePrevious), "disposal rendered as a web browser shows it"},
      {"both", WithControlFlags(Gif(TwoFrames()), kRestorePrevious | kTransparent),
       "transparency and disposal rendered as a web browser shows them"},
      {"a local table", Gif({SolidFrame(0, 0, 40, 30, 1, 10), local}),
       "1 local colour table merged with the global one"},
      {"local tables only", PlainGif(40, 30, {}, {local, local}), "2 local colour tables merged into one"},
      {"no table at all", WithoutColourTables(), "a colour table made for the player"},
      {"a code size", codeSize, "1 frame the player cannot decode written again"},
      {"a long delay", Gif({SolidFrame(0, 0, 40, 30, 1, 10), SolidFrame(2, 2, 4, 4, 2, 20000)}),
       "delays longer than the player's timer takes split"},
      {"a frame without pixels", FirstFrameWithoutPixels(true),
       "frames written again so that the player can show them all"},
      // Flattening shows the blank screen a browser shows.
      {"only a frame without pixels", FirstFrameWithoutPixels(false),
       "frames written again so that the player can show them all"},
  };
  for (const Case& c : cases) {
    FlattenNeed need = NeedOf("anim.gif", c.bytes);
    EXPECT_TRUE(need.needed) << c.what;
    EXPECT_EQ(Joined(need), c.cures) << c.what;
  }
}

}  // namespace
