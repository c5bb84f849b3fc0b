#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "payload_locator.h"
#include "support/plain_gif.h"
#include "support/scratch_dir.h"

namespace {

const std::string kPlayer = std::string("MZ\x90\0", 4) + " a stand-in for the player's executable image";
const std::string kSong = std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x04\0\xFF\x2F\0", 26);

struct Outcome {
  int status;
  std::string out, err;
};

// Runs a command line through the shell, capturing both streams.
Outcome Shell(const ScratchDir& dir, const std::string& command) {
  std::string out = dir.File("stdout.txt"), err = dir.File("stderr.txt");
  int raw = std::system((command + " >'" + out + "' 2>'" + err + "'").c_str());
  Outcome run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadBytes(out), ReadBytes(err)};
  std::remove(out.c_str());
  std::remove(err.c_str());
  return run;
}

std::vector<uint32_t> Palette() {
  std::vector<uint32_t> colours(256);
  for (int i = 0; i < 256; i++) colours[i] = static_cast<uint32_t>(i * 0x010203 + 0x102030) & 0xFFFFFF;
  return colours;
}

class PackerTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteBytes(dir_.File("player.exe"), kPlayer); }
  std::string Put(const std::string& name, const std::string& bytes) {
    WriteBytes(dir_.File(name), bytes);
    return dir_.File(name);
  }
  Outcome Pack(const std::string& arguments) {
    return Shell(dir_, std::string(LOOPVUE_PACK) + " --player '" + dir_.File("player.exe") + "' " + arguments);
  }
  std::string Gif(const std::vector<PlainFrame>& frames) { return PlainGif(40, 30, Palette(), frames); }
  // Files in the directory other than the inputs: what a run left behind.
  std::vector<std::string> Outputs(std::vector<std::string> inputs) {
    std::vector<std::string> left;
    for (const std::string& name : dir_.List()) {
      bool input = name == "player.exe";
      for (const std::string& in : inputs) input = input || name == in;
      if (!input) left.push_back(name);
    }
    return left;
  }

  ScratchDir dir_;
};

TEST_F(PackerTest, AppendsTheSectionsThePlayerLooksFor) {
  std::string gif = Gif({SolidFrame(0, 0, 40, 30, 1, 10), SolidFrame(5, 5, 10, 10, 2, 20)});
  std::string anim = Put("anim.gif", gif), song = Put("song.mid", kSong);
  Outcome run = Pack("--midi '" + song + "' '" + anim + "' -o '" + dir_.File("greeting.exe") + "'");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");

  std::string greeting = ReadBytes(dir_.File("greeting.exe"));
  EXPECT_EQ(greeting.substr(0, kPlayer.size()), kPlayer);
  // The player's own locator finds both sections with their bytes.
  std::string path = dir_.File("greeting.exe");
  int32_t length = FindSection(path.c_str(), GIF_SECTION_MARKER);
  ASSERT_EQ(length, static_cast<int32_t>(gif.size()));
  {
    SectionBlock block(length);
    ASSERT_TRUE(ReadSection(&block.reader));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.reader.data), length), gif);
  }
  ClosePayloadFile();
  EXPECT_EQ(FindSection(path.c_str(), MIDI_SECTION_MARKER), static_cast<int32_t>(kSong.size()));
  ClosePayloadFile();
  EXPECT_EQ(greeting.size(), kPlayer.size() + 21 + gif.size() + 22 + kSong.size());
  EXPECT_EQ(Outputs({"anim.gif", "song.mid"}), std::vector<std::string>{"greeting.exe"});
}

TEST_F(PackerTest, RefusesWhatThePlayerCannotShow) {
  PlainFrame local = SolidFrame(0, 0, 10, 10, 3, 10);
  local.localColours = Palette();
  struct Case {
    const char* what;
    std::string file, bytes, reason;
    bool asSong;
  } cases[] = {
      {"not a GIF", "notes.gif", "just some text, not a picture", "not a GIF file", false},
      {"no global table", "bare.gif", PlainGif(40, 30, {}, {SolidFrame(0, 0, 40, 30, 1, 10)}), "no global colour table",
       false},
      {"no frames", "empty.gif", PlainGif(40, 30, Palette(), {}), "no frame with pixels", false},
      {"local table", "local.gif", Gif({SolidFrame(0, 0, 40, 30, 1, 10), local}), "local colour table", false},
      {"huge screen", "huge.gif", PlainGif(65535, 65535, Palette(), {SolidFrame(0, 0, 4, 4, 1, 10)}),
       "too large for the player", false},
      {"not a song", "song.mid", "RIFF....WAVEfmt ", "not a Standard MIDI File", true},
  };
  for (const Case& c : cases) {
    std::string anim = c.asSong ? Put("anim.gif", Gif({SolidFrame(0, 0, 40, 30, 1, 10)})) : Put(c.file, c.bytes);
    std::string args = "'" + anim + "' -o '" + dir_.File("greeting.exe") + "'";
    if (c.asSong) args = "--midi '" + Put(c.file, c.bytes) + "' " + args;
    Outcome run = Pack(args);
    EXPECT_NE(run.status, 0) << c.what;
    // One line that names the file and the reason.
    EXPECT_NE(run.err.find(dir_.File(c.file) + ": "), std::string::npos) << c.what << ": " << run.err;
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << c.what << ": " << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << c.what << ": " << run.err;
    EXPECT_TRUE(Outputs({c.file, "anim.gif"}).empty()) << c.what;
    std::remove(dir_.File(c.file).c_str());
    std::remove(dir_.File("anim.gif").c_str());
  }
}

TEST_F(PackerTest, RefusesAPlayerThatAlreadyHoldsAnAnimation) {
  std::string anim = Put("anim.gif", Gif({SolidFrame(0, 0, 40, 30, 1, 10)}));
  ASSERT_EQ(Pack("'" + anim + "' -o '" + dir_.File("first.exe") + "'").status, 0);
  Outcome again = Shell(dir_, std::string(LOOPVUE_PACK) + " --player '" + dir_.File("first.exe") + "' '" + anim +
                              "' -o '" + dir_.File("second.exe") + "'");
  EXPECT_NE(again.status, 0);
  EXPECT_NE(again.err.find("already holds an animation"), std::string::npos) << again.err;
  EXPECT_FALSE(FileExists(dir_.File("second.exe")));
}

TEST_F(PackerTest, LeavesNoPartialGreetingBehind) {
  std::string anim = Put("anim.gif", Gif({SolidFrame(0, 0, 40, 30, 1, 10)}));
  // An output in a directory that does not exist cannot be written.
  Outcome run = Pack("'" + anim + "' -o '" + dir_.File("missing-dir/greeting.exe") + "'");
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.err.find("missing-dir/greeting.exe"), std::string::npos) << run.err;
  // A refused input leaves an existing greeting untouched.
  Put("greeting.exe", "the old greeting");
  EXPECT_NE(Pack("'" + Put("bad.gif", "GIF89a") + "' -o '" + dir_.File("greeting.exe") + "'").status, 0);
  EXPECT_EQ(ReadBytes(dir_.File("greeting.exe")), "the old greeting");
  EXPECT_EQ(Outputs({"anim.gif", "bad.gif"}), std::vector<std::string>{"greeting.exe"});
}

TEST_F(PackerTest, WarnsAboutWhatThePlayerIgnores) {
  // A graphic control extension with the transparent flag, disposal 2 and delay 0.
  std::string gif = Gif({SolidFrame(0, 0, 40, 30, 1, 0)});
  size_t control = gif.find(std::string("\x21\xF9\x04", 3));
  ASSERT_NE(control, std::string::npos);
  gif[control + 3] = static_cast<char>(0x08 | 0x01);
  std::string anim = Put("anim.gif", gif);
  Outcome run = Pack("'" + anim + "' -o '" + dir_.File("greeting.exe") + "'");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("transparent"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("disposal"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("delay of 0"), std::string::npos) << run.err;
  EXPECT_TRUE(FileExists(dir_.File("greeting.exe")));
}

TEST_F(PackerTest, PreviewMatchesImageMagicksCoalescedFrames) {
  // Opaque frames with no disposal: ImageMagick's coalescing is then exactly the
  // player's compositing. The frames are offset, and one reaches past the screen.
  auto pattern = [](int left, int top, int width, int height, int seed) {
    PlainFrame frame = SolidFrame(left, top, width, height, 0, 7);
    for (int i = 0; i < width * height; i++) frame.indices[i] = static_cast<uint8_t>(seed + (i % width) * 3 + i / width);
    return frame;
  };
  std::string anim = Put("anim.gif", PlainGif(48, 32, Palette(), {pattern(0, 0, 48, 32, 0), pattern(5, 4, 20, 12, 90),
                                                                  pattern(30, 25, 30, 10, 160), SolidFrame(0, 0, 8, 8, 255, 7)}));
  ScratchDir preview;
  Outcome run = Pack("--preview '" + preview.path() + "' '" + anim + "' -o '" + dir_.File("greeting.exe") + "'");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("frame 1: at 5,4 size 20x12 delay 7"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("frame 2: at 30,25 size 30x10 delay 7"), std::string::npos) << run.out;

  ScratchDir reference;
  ASSERT_EQ(Shell(reference, std::string(IMAGEMAGICK_CONVERT) + " '" + anim + "' -coalesce -depth 8 '" +
                                 reference.File("frame-%d.ppm") + "'").status, 0);
  for (int i = 0; i < 4; i++) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%04d.ppm", i);
    std::string ours = ReadBytes(preview.File(name));
    std::string theirs = ReadBytes(reference.File("frame-" + std::to_string(i) + ".ppm"));
    ASSERT_FALSE(theirs.empty()) << i;
    // Both are binary PPMs; compare the pixels after the three header lines.
    auto pixels = [](const std::string& ppm) {
      size_t at = 0;
      for (int line = 0; line < 3; line++) at = ppm.find('\n', at) + 1;
      return ppm.substr(at);
    };
    EXPECT_TRUE(pixels(ours) == pixels(theirs)) << "frame " << i;
    EXPECT_EQ(ours.substr(0, 12), "P6\n48 32\n255") << "frame " << i;
  }
}

// The pixels of a binary PPM, after its three header lines.
std::string PpmPixels(const std::string& ppm) {
  size_t at = 0;
  for (int line = 0; line < 3 && at != std::string::npos; line++) at = ppm.find('\n', at) + 1;
  return at == std::string::npos ? std::string() : ppm.substr(at);
}

TEST_F(PackerTest, RefusalsAndWarningsPointToFlatten) {
  PlainFrame local = SolidFrame(0, 0, 10, 10, 3, 10);
  local.localColours = Palette();
  std::string control = Gif({SolidFrame(0, 0, 40, 30, 1, 10), SolidFrame(4, 4, 8, 8, 2, 10)});
  size_t at = control.rfind(std::string("\x21\xF9\x04", 3));
  ASSERT_NE(at, std::string::npos);
  control[at + 3] = static_cast<char>(0x0C | 0x01);  // restore the previous canvas, transparent index
  struct Case {
    const char* what;
    std::string bytes;
    bool refused;
  } cases[] = {
      {"no global table", PlainGif(40, 30, {}, {local, local}), true},
      {"local table", Gif({SolidFrame(0, 0, 40, 30, 1, 10), local}), true},
      {"transparency and disposal", control, false},
  };
  for (const Case& c : cases) {
    std::string anim = Put("anim.gif", c.bytes);
    Outcome plain = Pack("'" + anim + "' -o '" + dir_.File("greeting.exe") + "'");
    EXPECT_EQ(plain.status != 0, c.refused) << c.what;
    EXPECT_NE(plain.err.find("--flatten"), std::string::npos) << c.what << ": " << plain.err;
    Outcome flat = Pack("--flatten '" + anim + "' -o '" + dir_.File("greeting.exe") + "'");
    EXPECT_EQ(flat.status, 0) << c.what << ": " << flat.err;
    EXPECT_EQ(flat.err, "") << c.what;
    EXPECT_NE(flat.out.find("flattened " + anim + ": 2 frame(s) of 40 x 30"), std::string::npos) << flat.out;
    EXPECT_NE(flat.out.find("exact"), std::string::npos) << flat.out;
  }
  // The flattened animation still meets the player's limits.
  std::string huge = Put("huge.gif", PlainGif(65535, 65535, Palette(), {SolidFrame(0, 0, 4, 4, 1, 10)}));
  Outcome tooLarge = Pack("--flatten '" + huge + "' -o '" + dir_.File("huge.exe") + "'");
  EXPECT_NE(tooLarge.status, 0);
  EXPECT_NE(tooLarge.err.find(huge + ": cannot flatten it: logical screen of 65535 x 65535 is too large"),
            std::string::npos) << tooLarge.err;
  EXPECT_FALSE(FileExists(dir_.File("huge.exe")));
  Outcome ditherAlone = Pack("--dither '" + Put("anim.gif", control) + "' -o '" + dir_.File("d.exe") + "'");
  EXPECT_NE(ditherAlone.status, 0);
  EXPECT_NE(ditherAlone.err.find("--dither works only with --flatten"), std::string::npos) << ditherAlone.err;
}

TEST_F(PackerTest, FlattenedGreetingShowsWhatImageMagickRenders) {
  // Sprites on a transparent background, cleared after each frame, interlaced,
  // with one frame through a local table.
  std::string anim = dir_.File("anim.gif");
  ASSERT_EQ(Shell(dir_, std::string(IMAGEMAGICK_CONVERT) +
                            " -delay 12 -loop 0 -dispose background -interlace GIF -size 64x48 xc:none "
                            "-fill '#e03020' -draw 'circle 20,24 20,10' \\( -size 64x48 xc:none -fill '#e03020' "
                            "-draw 'circle 34,24 34,10' \\) \\( -size 64x48 xc:none -fill '#20a0e0' "
                            "-draw 'rectangle 30,10 50,30' \\) '" + anim + "'").status, 0);
  ScratchDir preview;
  Outcome run =
      Pack("--flatten --preview '" + preview.path() + "' '" + anim + "' -o '" + dir_.File("greeting.exe") + "'");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_NE(run.out.find("3 frame(s) of 64 x 48"), std::string::npos) << run.out;

  // The background colour shows where ImageMagick leaves pixels transparent.
  std::string gif = ReadBytes(anim);
  char background[8];
  const size_t entry = 13 + 3 * static_cast<uint8_t>(gif[11]);
  std::snprintf(background, sizeof background, "#%02x%02x%02x", static_cast<uint8_t>(gif[entry]),
                static_cast<uint8_t>(gif[entry + 1]), static_cast<uint8_t>(gif[entry + 2]));
  ScratchDir reference;
  ASSERT_EQ(Shell(reference, std::string(IMAGEMAGICK_CONVERT) + " '" + anim + "' -coalesce -background '" +
                                 background + "' -alpha remove -alpha off -depth 8 '" +
                                 reference.File("frame-%d.ppm") + "'").status, 0);

  // The greeting's own GIF, previewed without flattening, shows the same.
  std::string path = dir_.File("greeting.exe");
  int32_t length = FindSection(path.c_str(), GIF_SECTION_MARKER);
  ASSERT_GT(length, 0);
  {
    SectionBlock block(length);
    ASSERT_TRUE(ReadSection(&block.reader));
    Put("packed.gif", std::string(reinterpret_cast<const char*>(block.reader.data), length));
  }
  ClosePayloadFile();
  ScratchDir packedPreview;
  Outcome again = Pack("--preview '" + packedPreview.path() + "' '" + dir_.File("packed.gif") + "' -o '" +
                       dir_.File("again.exe") + "'");
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.err, "");

  for (int i = 0; i < 3; i++) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%04d.ppm", i);
    std::string ours = ReadBytes(preview.File(name));
    std::string theirs = ReadBytes(reference.File("frame-" + std::to_string(i) + ".ppm"));
    ASSERT_EQ(ours.size(), 13 + 64 * 48 * 3u) << i;
    EXPECT_TRUE(PpmPixels(ours) == PpmPixels(theirs)) << "frame " << i;
    EXPECT_TRUE(ours == ReadBytes(packedPreview.File(name))) << "frame " << i;
  }
  EXPECT_FALSE(FileExists(preview.File("frame-0003.ppm")));
}

TEST_F(PackerTest, FlattenReportsTheColourError) {
  std::string anim = dir_.File("photo.gif");
  ASSERT_EQ(Shell(dir_, std::string(IMAGEMAGICK_CONVERT) +
                            " -delay 8 -seed 3 -size 80x60 plasma:fractal -seed 4 -size 80x60 plasma:fractal '" +
                            anim + "'").status, 0);
  for (const char* flags : {"--flatten", "--flatten --dither"}) {
    Outcome run = Pack(std::string(flags) + " '" + anim + "' -o '" + dir_.File("greeting.exe") + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    size_t at = run.out.find("reduced to 256");
    ASSERT_NE(at, std::string::npos) << run.out;
    const bool dithered = std::string(flags).find("dither") != std::string::npos;
    EXPECT_EQ(run.out.find("with dithering") != std::string::npos, dithered) << run.out;
    at = run.out.find("mean colour error ");
    ASSERT_NE(at, std::string::npos) << run.out;
    double error = std::atof(run.out.c_str() + at + 18);
    EXPECT_GT(error, 0.5) << run.out;
    EXPECT_LT(error, 12.0) << run.out;
  }
}

TEST_F(PackerTest, HelpAndVersion) {
  Outcome help = Shell(dir_, std::string(LOOPVUE_PACK) + " --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: loopvue-pack"), std::string::npos);
  EXPECT_NE(help.out.find("  --flatten "), std::string::npos);
  EXPECT_NE(help.out.find("  --dither "), std::string::npos);
  Outcome version = Shell(dir_, std::string(LOOPVUE_PACK) + " --version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("loopvue-pack ", 0), 0u) << version.out;
  Outcome none = Shell(dir_, LOOPVUE_PACK);
  EXPECT_NE(none.status, 0);
  EXPECT_NE(none.err.find("no animation given"), std::string::npos);
}

}  // namespace
