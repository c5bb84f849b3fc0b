#include "gif_flattener.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "gif_blocks.h"
#include "support/gif_writer.h"
#include "support/gif_decoders.h"
#include "support/plain_gif.h"
#include "support/scratch_dir.h"
#include "whole_file.h"

namespace {

using Picture = std::vector<uint32_t>;  // 0xRRGGBB, top row first

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// Makes `name` in `dir` with ImageMagick from the arguments that come before the
// output file.
std::string MakeGif(const ScratchDir& dir, const std::string& name, const std::string& arguments) {
  std::string path = dir.File(name);
  std::string command = std::string(IMAGEMAGICK_CONVERT) + " " + arguments + " '" + path + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return path;
}

Picture ReadPpm(const std::string& path, int width, int height) {
  std::string ppm = ReadWholeFile<std::string>(path);
  size_t at = 0;
  for (int line = 0; line < 3 && at != std::string::npos; line++) at = ppm.find('\n', at) + 1;
  Picture picture;
  if (ppm.size() - at != static_cast<size_t>(width) * height * 3) return picture;
  for (size_t i = at; i < ppm.size(); i += 3) {
    picture.push_back(static_cast<uint8_t>(ppm[i]) << 16 | static_cast<uint8_t>(ppm[i + 1]) << 8 |
                      static_cast<uint8_t>(ppm[i + 2]));
  }
  return picture;
}

// ImageMagick's coalesced frames. It leaves cleared and never covered pixels
// transparent; a viewer shows the background colour there, which is put behind.
std::vector<Picture> CoalescedByImageMagick(const std::string& gif, const std::vector<uint8_t>& bytes) {
  char background[8] = "#000000";
  const size_t index = bytes[11];
  if ((bytes[10] & kGifColourTableFlag) && index < (size_t{2} << (bytes[10] & kGifTableSizeMask))) {
    std::snprintf(background, sizeof background, "#%02x%02x%02x", bytes[13 + 3 * index], bytes[14 + 3 * index],
                  bytes[15 + 3 * index]);
  }
  ScratchDir dir;
  std::string command = std::string(IMAGEMAGICK_CONVERT) + " '" + gif + "' -coalesce -background '" + background +
                        "' -alpha remove -alpha off -depth 8 '" + dir.File("frame-%d.ppm") + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  const int width = bytes[6] | bytes[7] << 8, height = bytes[8] | bytes[9] << 8;
  std::vector<Picture> frames;
  for (size_t i = 0; i < dir.List().size(); i++) {
    frames.push_back(ReadPpm(dir.File("frame-" + std::to_string(i) + ".ppm"), width, height));
  }
  return frames;
}

// The canvas after each frame as the player composites it: opaquely through the
// global table, never cleared, black where nothing was drawn.
std::vector<Picture> ShownByPlayer(const std::vector<uint8_t>& gif) {
  DecodedGif decoded = DecodeWithPlayer(gif);
  Picture canvas(static_cast<size_t>(decoded.width) * decoded.height, 0);
  std::vector<Picture> shown;
  for (const DecodedFrame& frame : decoded.frames) {
    for (int y = 0; y < frame.height && !frame.pixels.empty(); y++) {
      for (int x = 0; x < frame.width; x++) {
        const int cx = frame.left + x, cy = frame.top + y;
        if (cx >= decoded.width || cy >= decoded.height) continue;
        const uint32_t c = decoded.colours[frame.pixels[static_cast<size_t>(y) * frame.width + x]];
        canvas[static_cast<size_t>(cy) * decoded.width + cx] = (c & 0xFF) << 16 | (c & 0xFF00) | c >> 16;
      }
    }
    shown.push_back(canvas);
  }
  return shown;
}

double MeanDistance(const std::vector<Picture>& a, const std::vector<Picture>& b) {
  double sum = 0;
  size_t count = 0;
  for (size_t f = 0; f < a.size() && f < b.size(); f++) {
    for (size_t i = 0; i < a[f].size() && i < b[f].size(); i++, count++) {
      double d2 = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        const double d = static_cast<double>(a[f][i] >> shift & 0xFF) - static_cast<double>(b[f][i] >> shift & 0xFF);
        d2 += d * d;
      }
      sum += std::sqrt(d2);
    }
  }
  return count ? sum / count : 0;
}

FlattenResult Flatten(const std::vector<uint8_t>& gif, bool dither = false, FlattenOptions options = FlattenOptions()) {
  options.dither = dither;
  return FlattenGif(gif.data(), gif.size(), options);
}

// `gif` (written by PlainGif) with every frame's disposal method set to `method`.
std::string WithDisposal(std::string gif, int method) {
  const std::string control = {static_cast<char>(kGifExtensionIntroducer), static_cast<char>(kGifGraphicControlLabel),
                               static_cast<char>(kGifGraphicControlSize)};
  for (size_t at = gif.find(control); at != std::string::npos; at = gif.find(control, at + 1)) {
    gif[at + 3] = static_cast<char>(method << kGifDisposalShift);
  }
  return gif;
}

struct Animation {
  const char* what;
  std::string arguments;
  // What the input must hold for the case to test anything.
  bool transparency, localTables, interlaced, pastTheScreen;
  std::set<int> disposals;
};

const char kCircles[] =
    "-delay 10 -loop 0 -size 60x40 xc:skyblue -fill red -draw 'circle 20,20 20,5' "
    "\\( -size 60x40 xc:skyblue -fill red -draw 'circle 30,20 30,5' \\) "
    "\\( -size 60x40 xc:skyblue -fill green -draw 'rectangle 5,5 25,25' \\) \\( -clone 2 \\) \\( -clone 0 \\) ";

std::vector<Animation> FittingAnimations(const ScratchDir& dir) {
  MakeGif(dir, "sprite.gif", "-size 20x20 xc:orange -fill navy -draw 'circle 10,10 10,4'");
  MakeGif(dir, "hole.gif", "-size 20x20 xc:none -fill purple -draw 'circle 10,10 10,4'");
  const std::string sprite = " '" + dir.File("sprite.gif") + "'", hole = " '" + dir.File("hole.gif") + "'";
  return {
      {"optimized layers", std::string(kCircles) + "-layers optimize", true, false, false, false, {3}},
      {"local tables",
       "-delay 7 -loop 0 -size 30x20 xc:red -fill blue -draw 'rectangle 3,3 12,12' "
       "\\( -size 30x20 xc:yellow -fill green -draw 'circle 15,10 15,3' \\) "
       "\\( -size 30x20 gradient:white-black -colors 40 \\)",
       false, true, false, false, {}},
      {"every disposal",
       "-delay 5 -loop 0 -dispose none -page 50x40+0+0 -size 50x40 gradient:'#204080-#a0c0e0' -colors 30 "
       "-dispose previous -page +5+5" + sprite + " -dispose background -page +25+10" + hole +
           " -dispose undefined -page +40+30" + sprite + " -dispose none -page +0+0" + hole + " -page +2+20" + sprite,
       true, true, false, true, {0, 1, 2, 3}},
      {"interlaced cartoon on a transparent background",
       "-delay 12 -loop 0 -dispose background -interlace GIF -size 64x48 xc:none -fill '#e03020' "
       "-draw 'circle 20,24 20,10' \\( -size 64x48 xc:none -fill '#e03020' -draw 'circle 34,24 34,10' \\) "
       "\\( -size 64x48 xc:none -fill '#20a0e0' -draw 'rectangle 30,10 50,30' \\)",
       true, true, true, false, {2}},
  };
}

// The rectangle where two pictures differ: left, top, width, height.
std::vector<int> DifferenceBox(const Picture& a, const Picture& b, int width) {
  int left = width, top = -1, right = -1, bottom = -1;
  for (size_t i = 0; i < a.size(); i++) {
    if (a[i] == b[i]) continue;
    const int x = static_cast<int>(i % width), y = static_cast<int>(i / width);
    left = std::min(left, x);
    right = std::max(right, x);
    if (top < 0) top = y;
    bottom = y;
  }
  if (top < 0) return {0, 0, 0, 0};
  return {left, top, right - left + 1, bottom - top + 1};
}

TEST(FlattenTest, ShowsWhatImageMagickRendersWhenTheColoursFit) {
  ScratchDir dir;
  for (const Animation& animation : FittingAnimations(dir)) {
    SCOPED_TRACE(animation.what);
    std::string path = MakeGif(dir, "anim.gif", animation.arguments);
    std::vector<uint8_t> bytes = ReadWholeFile(path);
    DecodedGif input = DecodeWithGiflib(bytes);
    ASSERT_TRUE(input.ok) << input.error;
    bool transparency = false, local = false, interlaced = false, past = false;
    std::set<int> disposals;
    for (const DecodedFrame& f : input.frames) {
      transparency |= f.transparent >= 0;
      local |= f.localTable;
      interlaced |= f.interlaced;
      past |= f.left + f.width > input.width || f.top + f.height > input.height;
      disposals.insert(f.disposal);
    }
    EXPECT_EQ(transparency, animation.transparency);
    EXPECT_EQ(local, animation.localTables);
    EXPECT_EQ(interlaced, animation.interlaced);
    EXPECT_EQ(past, animation.pastTheScreen);
    for (int d : animation.disposals) EXPECT_EQ(disposals.count(d), 1u) << "disposal " << d;

    FlattenResult result = Flatten(bytes);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_TRUE(result.exact);
    EXPECT_EQ(result.meanError, 0);
    EXPECT_EQ(result.frames, static_cast<int>(input.frames.size()));
    std::vector<Picture> expected = CoalescedByImageMagick(path, bytes);
    std::vector<Picture> shown = ShownByPlayer(result.gif);
    ASSERT_EQ(shown.size(), expected.size());
    for (size_t i = 0; i < shown.size(); i++) EXPECT_TRUE(shown[i] == expected[i]) << "frame " << i;

    // One global table, opaque frames that stay, the first the whole screen and
    // each later one just what changed, the delays kept, looping forever.
    DecodedGif output = DecodeWithGiflib(result.gif);
    ASSERT_TRUE(output.ok) << output.error;
    EXPECT_EQ(output.loopCount, 0);
    EXPECT_EQ(output.width, input.width);
    ASSERT_EQ(output.frames.size(), input.frames.size());
    for (size_t i = 0; i < output.frames.size(); i++) {
      const DecodedFrame& f = output.frames[i];
      SCOPED_TRACE("frame " + std::to_string(i));
      EXPECT_FALSE(f.localTable);
      EXPECT_EQ(f.transparent, -1);
      EXPECT_LE(f.disposal, 1);
      EXPECT_EQ(f.delay, input.frames[i].delay);
      std::vector<int> box = i == 0 ? std::vector<int>{0, 0, input.width, input.height}
                                    : DifferenceBox(expected[i - 1], expected[i], input.width);
      // An unchanged frame keeps its delay as one pixel.
      if (box[2] == 0) box = {0, 0, 1, 1};
      EXPECT_EQ((std::vector<int>{f.left, f.top, f.width, f.height}), box);
    }
  }
}

TEST(FlattenTest, ReducesManyColoursToOnePalette) {
  ScratchDir dir;
  std::string path = MakeGif(dir, "photo.gif",
                             "-delay 8 -loop 0 -seed 3 -size 120x80 plasma:fractal -seed 4 -size 120x80 plasma:fractal "
                             "-seed 5 -size 120x80 plasma:fractal");
  std::vector<uint8_t> bytes = ReadWholeFile(path);
  std::vector<Picture> expected = CoalescedByImageMagick(path, bytes);
  std::set<uint32_t> colours;
  for (const Picture& p : expected) colours.insert(p.begin(), p.end());
  ASSERT_GT(colours.size(), 256u);

  // Bounds a little above what ImageMagick's own -colors 256 reaches on these
  // frames (9.1 plain, 11.1 dithered).
  for (bool dither : {false, true}) {
    SCOPED_TRACE(dither ? "dithered" : "plain");
    FlattenResult result = Flatten(bytes, dither);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_FALSE(result.exact);
    EXPECT_EQ(result.sourceColours, static_cast<int64_t>(colours.size()));
    EXPECT_LE(result.paletteColours, 256);
    EXPECT_LT(result.meanError, dither ? 10.0 : 8.0);
    // The figure reported is the one measured against ImageMagick's rendering.
    EXPECT_NEAR(MeanDistance(ShownByPlayer(result.gif), expected), result.meanError, 1e-9);

    DecodedGif giflib = DecodeWithGiflib(result.gif), player = DecodeWithPlayer(result.gif);
    ASSERT_TRUE(giflib.ok) << giflib.error;
    EXPECT_EQ(giflib.colours, player.colours);
    ASSERT_EQ(giflib.frames.size(), 3u);
    ASSERT_EQ(player.frames.size(), 3u);
    for (size_t i = 0; i < 3; i++) {
      EXPECT_EQ(giflib.frames[i].delay, 8);
      EXPECT_EQ(giflib.frames[i].width, player.frames[i].width);
      EXPECT_EQ(giflib.frames[i].left, player.frames[i].left);
      EXPECT_TRUE(giflib.frames[i].pixels == player.frames[i].pixels) << "frame " << i;
    }
  }
}

TEST(FlattenTest, ReadsTheCornersOfTheFormat) {
  // Without a global table the canvas starts black; a frame's local table
  // colours it. Undefined disposal methods 4 to 7 leave the frame as 0 does.
  std::vector<uint32_t> local(256, 0x3080F0);  // as 0x00BBGGRR
  PlainFrame frame = SolidFrame(2, 1, 3, 2, 0, 20);
  frame.localColours = local;
  PlainFrame cover = SolidFrame(0, 0, 1, 1, 0, 30);
  cover.localColours = local;
  std::string plain = PlainGif(6, 4, {}, {frame, cover});
  FlattenResult result = Flatten(Bytes(plain));
  ASSERT_TRUE(result.ok) << result.error;
  std::vector<Picture> shown = ShownByPlayer(result.gif);
  ASSERT_EQ(shown.size(), 2u);
  Picture first(24, 0);
  for (int y = 1; y < 3; y++)
    for (int x = 2; x < 5; x++) first[y * 6 + x] = 0xF08030;
  EXPECT_TRUE(shown[0] == first);
  first[0] = 0xF08030;
  EXPECT_TRUE(shown[1] == first);

  EXPECT_EQ(Flatten(Bytes(WithDisposal(plain, 5))).gif, result.gif);

  // Image data cut short: the pixels decoded so far are drawn, the rest left.
  std::vector<uint32_t> grey(256);
  for (int i = 0; i < 256; i++) grey[i] = i * 0x010101u;
  PlainFrame ramp = SolidFrame(0, 0, 40, 30, 0, 10);
  for (size_t i = 0; i < ramp.indices.size(); i++) ramp.indices[i] = static_cast<uint8_t>(1 + i % 200);
  const PlainFrame white = SolidFrame(0, 0, 40, 30, 255, 10);
  std::string whole = PlainGif(40, 30, grey, {white, ramp});
  // Halfway through the ramp's blocks: the stream without it ends with the trailer where they begin.
  const size_t rampStart = PlainGif(40, 30, grey, {white}).size() - 1;
  std::string cut = whole.substr(0, rampStart + (whole.size() - rampStart) / 2);
  FlattenResult partial = Flatten(Bytes(cut));
  ASSERT_TRUE(partial.ok) << partial.error;
  EXPECT_TRUE(partial.truncated);
  std::vector<Picture> drawn = ShownByPlayer(partial.gif);
  ASSERT_EQ(drawn.size(), 2u);
  size_t decoded = 0;
  while (decoded < drawn[1].size() && drawn[1][decoded] == (1 + decoded % 200) * 0x010101u) decoded++;
  EXPECT_GT(decoded, 40u);
  EXPECT_LT(decoded, drawn[1].size());
  for (size_t i = decoded; i < drawn[1].size(); i++) ASSERT_EQ(drawn[1][i], 0xFFFFFFu) << i;
}

TEST(FlattenTest, RefusesOrSurvivesDamagedInput) {
  // Streams without a colour table, one of them on a screen the encoder refuses.
  auto tableless = [](int width, int height, int side) {
    GifWriter gif;
    gif.Header().Screen(width, height, -1).GraphicControl(10).Image(0, 0, IndexImage(side, side, 1)).Trailer();
    return std::string(gif.bytes().begin(), gif.bytes().end());
  };
  // An interlaced frame is decoded down to its own bottom edge, in its full width.
  GifWriter tall;
  tall.Header().Screen(16, 16, -1).Descriptor(0, 0, 65535, 4096, true).ImageData(8, {}).Trailer();
  struct Case {
    std::string bytes, reason;
  } refused[] = {
      {"GIF89a", "not a GIF"},
      {"PNG89a and more bytes", "not a GIF"},
      {tableless(0, 30, 1), "empty"},
      {tableless(65535, 65535, 4), "too large"},
      {PlainGif(40, 30, {0xFF}, {}), "no image"},
      {std::string(tall.bytes().begin(), tall.bytes().end()), "frame 0 of 65535 x 4096 is too large to decode"},
  };
  for (const Case& c : refused) {
    FlattenResult result = Flatten(Bytes(c.bytes));
    EXPECT_FALSE(result.ok) << c.reason;
    EXPECT_NE(result.error.find(c.reason), std::string::npos) << result.error;
  }
  // A frame far larger than the screen costs only its visible part.
  FlattenResult wide = Flatten(Bytes(PlainGif(8, 8, {0xFF}, {SolidFrame(4, 4, 60000, 3, 1, 10)})));
  ASSERT_TRUE(wide.ok) << wide.error;
  EXPECT_EQ(ShownByPlayer(wide.gif)[0][4 * 8 + 7], 0u);
  EXPECT_EQ(ShownByPlayer(wide.gif)[0][3 * 8 + 7], 0xFF0000u);

  // Every prefix and many corruptions of a rich animation: each is refused or
  // flattened into a stream both decoders read alike (the sanitizers watch).
  ScratchDir dir;
  std::vector<uint8_t> gif = ReadWholeFile(MakeGif(dir, "anim.gif", std::string(kCircles) + "-layers optimize"));
  ASSERT_FALSE(gif.empty());
  std::mt19937 random(7);
  for (size_t n = 0; n < gif.size() + 300; n++) {
    std::vector<uint8_t> damaged = gif;
    if (n < gif.size()) {
      damaged.resize(n);
    } else {
      for (int k = 0; k < 3; k++) damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
    }
    FlattenResult result = Flatten(damaged, n % 2 == 1);
    if (!result.ok) continue;
    DecodedGif giflib = DecodeWithGiflib(result.gif), player = DecodeWithPlayer(result.gif);
    ASSERT_TRUE(giflib.ok) << n << ": " << giflib.error;
    ASSERT_EQ(giflib.frames.size(), player.frames.size()) << n;
    for (size_t i = 0; i < giflib.frames.size(); i++) ASSERT_TRUE(giflib.frames[i].pixels == player.frames[i].pixels);
  }
}

TEST(FlattenTest, CostsWhatTheFramesChange) {
  // 65,535 frames that change nothing on a screen of 2^24 pixels: a pass over
  // the screen for each would take hours, so each must cost next to nothing.
  // Frames of 0 x 0 are written block by block: the encoder refuses them.
  GifWriter gif;
  gif.Header().Screen(4096, 4096, 7).ColourTable(7).GraphicControl(9).Image(5, 5, IndexImage(1, 1, 1));
  for (int i = 1; i < 65535; i++) gif.GraphicControl(7).Descriptor(0, 0, 0, 0, false).ImageData(8, {});
  FlattenResult result = Flatten(gif.Trailer().bytes());
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.frames, 65535);
  EXPECT_EQ(result.writtenFrames, 65535);
  EXPECT_EQ(result.sourceColours, 2);
  // giflib grows its frame list one frame at a time: the player's parser reads these.
  DecodedGif output = DecodeWithPlayer(result.gif);
  ASSERT_TRUE(output.ok) << output.error;
  ASSERT_EQ(output.frames.size(), 65535u);
  EXPECT_EQ((std::vector<int>{output.frames[0].width, output.frames[0].height, output.frames[0].delay}),
            (std::vector<int>{4096, 4096, 9}));
  for (size_t i = 1; i < output.frames.size(); i++) {
    const DecodedFrame& f = output.frames[i];
    ASSERT_EQ((std::vector<int>{f.left, f.top, f.width, f.height, f.delay}), (std::vector<int>{0, 0, 1, 1, 7})) << i;
  }

  // Changes far apart on many frames, each written as the rectangle that holds
  // them both, would ask the player for more than it holds: refused as soon as
  // the frames written pass the limit.
  std::vector<PlainFrame> corners;
  for (int i = 0; i < 20; i++) corners.push_back(SolidFrame(i % 2 ? 999 : 0, i % 2 ? 999 : 0, 1, 1, 1, 10));
  std::vector<uint8_t> apart = Bytes(WithDisposal(PlainGif(1000, 1000, {0x000000, 0xFFFFFF}, corners), 2));
  FlattenOptions limited;
  limited.playerMemoryLimit = int64_t{8} << 20;
  FlattenResult refused = Flatten(apart, false, limited);
  EXPECT_FALSE(refused.ok);
  // The canvas and 8 frames of 1000 x 1000 pass 8 MiB.
  EXPECT_EQ(refused.error, "the frames it changes would need more than 8 MB of the player's memory by frame 7 of 20");
  FlattenResult whole = Flatten(apart);
  ASSERT_TRUE(whole.ok) << whole.error;
  EXPECT_EQ(DecodeWithGiflib(whole.gif).frames[7].width, 1000);
}

TEST(FlattenTest, SplitsDelaysTheTimerCannotTake) {
  std::vector<uint32_t> grey(256);
  for (int i = 0; i < 256; i++) grey[i] = i * 0x010101u;
  std::vector<uint8_t> gif = Bytes(PlainGif(
      8, 6, grey,
      {SolidFrame(0, 0, 8, 6, 1, 10000), SolidFrame(1, 1, 2, 2, 2, 10), SolidFrame(2, 2, 2, 2, 3, 6553),
       SolidFrame(3, 3, 2, 2, 4, 6554)}));
  FlattenOptions options;
  options.longestDelay = 6553;
  FlattenResult result = Flatten(gif, false, options);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.frames, 4);
  EXPECT_EQ(result.writtenFrames, 6);
  DecodedGif output = DecodeWithGiflib(result.gif);
  ASSERT_TRUE(output.ok) << output.error;
  std::vector<int> delays;
  for (const DecodedFrame& f : output.frames) delays.push_back(f.delay);
  // No part shorter than 2 hundredths, which would stay 100 ms as browsers show it.
  EXPECT_EQ(delays, (std::vector<int>{6553, 3447, 10, 6553, 6552, 2}));
  // The frames that carry the rest change nothing the player shows.
  std::vector<Picture> shown = ShownByPlayer(result.gif);
  ASSERT_EQ(shown.size(), 6u);
  EXPECT_EQ(output.frames[1].width * output.frames[1].height, 1);
  EXPECT_TRUE(shown[1] == shown[0]);
  EXPECT_TRUE(shown[5] == shown[4]);
  EXPECT_FALSE(shown[4] == shown[3]);
  // Without the option every delay stays whole.
  EXPECT_EQ(DecodeWithGiflib(Flatten(gif).gif).frames[0].delay, 10000);
}

}  // namespace
