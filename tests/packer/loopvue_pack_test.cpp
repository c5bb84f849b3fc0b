#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gif_blocks.h"
#include "gif_parser.h"
#include "greeting_rules.h"
#include "payload_locator.h"
#include "support/gif_writer.h"
#include "support/plain_gif.h"
#include "support/scratch_dir.h"
#include "web_page.h"
#include "whole_file.h"

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
  Outcome run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadWholeFile<std::string>(out),
              ReadWholeFile<std::string>(err)};
  std::remove(out.c_str());
  std::remove(err.c_str());
  return run;
}

// A section of a file as the player's own lookup finds it; `found` false when
// the lookup gives nothing.
std::string SectionOf(const std::string& path, const char* marker, bool* found) {
  int32_t length = FindSection(path.c_str(), marker);
  std::string bytes;
  if (length > 0) {
    SectionBlock block(length);
    if (ReadSection(&block.reader)) bytes.assign(reinterpret_cast<const char*>(block.reader.data), length);
  }
  ClosePayloadFile();
  *found = length > 0;
  return bytes;
}

// What keeps the player from playing a greeting's animation to the end of its
// loop, read with its own lookup and parser: frames it stops on. Empty when none.
std::string WhyItStops(const std::string& greeting) {
  bool found = false;
  std::string gif = SectionOf(greeting, GIF_SECTION_MARKER, &found);
  if (!found) return "no animation found";
  static GifAnimation animation;
  ByteReader reader{reinterpret_cast<const uint8_t*>(gif.data()), static_cast<int32_t>(gif.size()), 0};
  ParseGif(&animation, &reader);
  std::string why = animation.frameCount == 0 ? "no frames" : "";
  for (int32_t i = 0; i < animation.frameCount; i++) {
    const GifFrame& frame = *animation.frames[i];
    if (frame.bitmap.pixels == nullptr) why += "frame " + std::to_string(i) + " has no pixels; ";
    // The timer service refuses a one-shot delay over 65,535 ms.
    if (animation.frameCount > 1 && frame.delay * 10 > 65535) why += "frame " + std::to_string(i) + " too long; ";
  }
  FreeGifAnimation(&animation);
  return why;
}

std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// `gif` with `bytes` inserted where the blocks after the 256-entry global table begin.
std::string AfterTable(const std::string& gif, const std::string& bytes) {
  const size_t blocks = 13 + 3 * 256;
  return gif.substr(0, blocks) + bytes + gif.substr(blocks);
}

// How a graphic control extension starts, as the encoder writes it.
const std::string kGraphicControl = {static_cast<char>(kGifExtensionIntroducer),
                                     static_cast<char>(kGifGraphicControlLabel),
                                     static_cast<char>(kGifGraphicControlSize)};

// A comment extension holding `text`.
std::string Comment(const std::string& text) {
  return std::string{static_cast<char>(kGifExtensionIntroducer), static_cast<char>(kGifCommentLabel)} +
         std::string(1, static_cast<char>(text.size())) + text + std::string(1, '\0');
}

// A song section's marker with a length and that many bytes, built here so that
// this program does not hold one whole.
std::string SongSection(const std::string& data, const char* marker = MIDI_SECTION_MARKER) {
  return "*" + std::string(&marker[3]) + ":" + std::string(1, static_cast<char>(data.size())) +
         std::string(3, '\0') + data;
}

// `gif` (written by PlainGif) with frame `index`'s LZW minimum code size set.
std::string WithCodeSize(std::string gif, int index, int size) {
  size_t control = gif.find(kGraphicControl);
  for (int i = 0; i < index; i++) control = gif.find(kGraphicControl, control + 1);
  // The graphic control extension, then the descriptor, then the code size.
  gif[control + 8 + 10] = static_cast<char>(size);
  return gif;
}

std::vector<uint32_t> Palette() {
  std::vector<uint32_t> colours(256);
  for (int i = 0; i < 256; i++) colours[i] = static_cast<uint32_t>(i * 0x010203 + 0x102030) & 0xFFFFFF;
  return colours;
}

// A 40 x 30 GIF of `frames` written block by block, for frames the encoder
// refuses: a side of 0, which leaves the player's frame without pixels.
std::string BlockByBlock(const std::vector<PlainFrame>& frames) {
  GifWriter gif;
  gif.Header().Screen(40, 30, 7).ColourTable(7);
  for (const PlainFrame& f : frames) {
    gif.GraphicControl(f.delay).Descriptor(f.left, f.top, f.width, f.height, false).EncodedData(8, f.indices);
  }
  return Text(gif.Trailer().bytes());
}

// A GIF with no colour table at all, which the encoder never writes.
std::string WithoutColourTables() {
  GifWriter gif;
  gif.Header().Screen(40, 30, -1).GraphicControl(10).Image(0, 0, IndexImage(40, 30, 1)).Trailer();
  return Text(gif.bytes());
}

// The base64 in a web page after `lead`, up to the quotation mark, decoded;
// empty without it.
std::string DecodedAfter(const std::string& page, const std::string& lead) {
  const size_t start = page.find(lead);
  if (start == std::string::npos) return std::string();
  const size_t end = page.find('"', start + lead.size());
  const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string bytes;
  uint32_t bits = 0;
  int count = 0;
  for (size_t i = start + lead.size(); i < end && page[i] != '='; i++) {
    bits = bits << 6 | static_cast<uint32_t>(digits.find(page[i]));
    if ((count += 6) >= 8) bytes += static_cast<char>(bits >> (count -= 8) & 0xFF);
  }
  return bytes;
}
std::string PageGif(const std::string& page) { return DecodedAfter(page, "data:image/gif;base64,"); }

// The looping extension with `count`, as browsers read it.
std::string LoopBlock(int count) {
  return std::string("\x21\xFF\x0B" "NETSCAPE2.0\x03\x01", 16) + static_cast<char>(count & 0xFF) +
         static_cast<char>(count >> 8) + std::string(1, '\0');
}

// `gif` (with a 256-entry global table and no looping extension of its own) as
// a page carries it.
std::string Looping(const std::string& gif) { return AfterTable(gif, LoopBlock(0)); }

class PackerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(WriteWholeFile(dir_.File("player.exe"), kPlayer)); }
  std::string Put(const std::string& name, const std::string& bytes) {
    EXPECT_TRUE(WriteWholeFile(dir_.File(name), bytes)) << name;
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

  std::string greeting = ReadWholeFile<std::string>(dir_.File("greeting.exe"));
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

  // The sender's words follow, each byte flipped, and change nothing before
  // them: a player that looks for no words finds what it found. They arrive as
  // they were typed anywhere, and go on normalised.
  const std::string words = "Happy birthday, \xD0\x90\xD0\xBD\xD0\xBD\xD0\xB0! \xF0\x9F\x8E\x82\nFrom all of us";
  std::string typed = "\xEF\xBB\xBF" + words;
  typed.replace(typed.find('\n'), 1, "\r\n");
  const std::string withWords = dir_.File("with words.exe");
  run = Pack("--message-file '" + Put("words.txt", typed + " \r\n\r\n") + "' --midi '" + song + "' '" + anim +
             "' -o '" + withWords + "'");
  ASSERT_EQ(run.status, 0) << run.err;
  std::string flipped = words;
  for (char& c : flipped) c = static_cast<char>(c ^ 0x80);
  EXPECT_TRUE(ReadWholeFile<std::string>(withWords) == greeting + SongSection(flipped, TEXT_SECTION_MARKER));
  bool found = false;
  EXPECT_TRUE(SectionOf(withWords, GIF_SECTION_MARKER, &found) == gif);
  EXPECT_TRUE(SectionOf(withWords, MIDI_SECTION_MARKER, &found) == kSong);
  // What the words may not be; an empty message is none.
  std::string most;
  for (int i = 0; i < 1000; i++) most += "\xC3\xA9";
  struct Words {
    std::string message, refusal;
  } cases[] = {{most, ""}, {most + "e", "the words have 1001 characters; a greeting takes at most 1000"},
               {"caf\xE9", "the words are not UTF-8 text"}, {"\xED\xA0\x80", "the words are not UTF-8 text"},
               {" \r\n", ""}};
  for (const Words& c : cases) {
    std::remove(withWords.c_str());
    run = Pack("--message-file '" + Put("words.txt", c.message) + "' '" + anim + "' -o '" + withWords + "'");
    EXPECT_EQ(run.err, c.refusal.empty() ? "" : "loopvue-pack: " + dir_.File("words.txt") + ": " + c.refusal + "\n");
    EXPECT_EQ(FileExists(withWords), c.refusal.empty()) << c.refusal;
  }
  EXPECT_EQ(ReadWholeFile<std::string>(withWords).size(), kPlayer.size() + 21 + gif.size());
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
      {"no global table", "bare.gif", WithoutColourTables(), "no global colour table", false},
      {"no frames", "empty.gif", PlainGif(40, 30, Palette(), {}), "no frame with pixels", false},
      {"local table", "local.gif", Gif({SolidFrame(0, 0, 40, 30, 1, 10), local}), "local colour table", false},
      {"huge screen", "huge.gif", PlainGif(65535, 65535, Palette(), {SolidFrame(0, 0, 4, 4, 1, 10)}),
       "too large for the player", false},
      {"not a song", "song.mid", "RIFF....WAVEfmt ", "not a Standard MIDI File", true},
      // The player stops for good on a frame without pixels, at the end too.
      {"first frame empty", "empty.gif",
       BlockByBlock({SolidFrame(0, 0, 0, 4, 1, 10), SolidFrame(0, 0, 40, 30, 1, 10)}),
       "1 frame(s) have no pixels (frame 0: 0 x 4); the player would stop on frame 0 for good (--flatten", false},
      {"last frame empty", "empty.gif",
       BlockByBlock({SolidFrame(0, 0, 40, 30, 1, 10), SolidFrame(0, 0, 4, 0, 1, 10)}),
       "stop on frame 1 for good and never loop", false},
      {"only frame empty", "empty.gif", BlockByBlock({SolidFrame(0, 0, 0, 4, 1, 10)}),
       "no frame with pixels that the player could show (--flatten shows the blank screen as a browser does)", false},
      {"code size", "codes.gif",
       WithCodeSize(Gif({SolidFrame(0, 0, 40, 30, 1, 10), SolidFrame(0, 0, 4, 4, 2, 10)}), 1, 12),
       "1 frame(s) have an LZW minimum code size outside 2 to 9 (frame 1: 12), which the player cannot decode", false},
      {"code size 1", "codes.gif", WithCodeSize(Gif({SolidFrame(0, 0, 40, 30, 1, 10)}), 0, 1), "(frame 0: 1)", false},
      {"long delay", "slow.gif", Gif({SolidFrame(0, 0, 40, 30, 1, 6554), SolidFrame(0, 0, 4, 4, 2, 10)}),
       "stay longer than 65.53 s (frame 0: 65.54 s), which the player's timer cannot take", false},
  };
  // A web page is refused the same way.
  for (const std::string output : {"greeting.exe", "page.html"}) {
    const std::string web = output == "page.html" ? "--web " : "";
    for (const Case& c : cases) {
      std::string anim = c.asSong ? Put("anim.gif", Gif({SolidFrame(0, 0, 40, 30, 1, 10)})) : Put(c.file, c.bytes);
      std::string args = web + "'" + anim + "' -o '" + dir_.File(output) + "'";
      if (c.asSong) args = "--midi '" + Put(c.file, c.bytes) + "' " + args;
      Outcome run = Pack(args);
      EXPECT_NE(run.status, 0) << c.what << " " << output;
      // One line that names the file and the reason.
      EXPECT_NE(run.err.find(dir_.File(c.file) + ": "), std::string::npos) << c.what << ": " << run.err;
      EXPECT_NE(run.err.find(c.reason), std::string::npos) << c.what << ": " << run.err;
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << c.what << ": " << run.err;
      EXPECT_TRUE(Outputs({c.file, "anim.gif"}).empty()) << c.what << " " << output;
      std::remove(dir_.File(c.file).c_str());
      std::remove(dir_.File("anim.gif").c_str());
    }
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

// GIFs whose frames are declared but carry no codes: what the player must hold
// for them is known from their sizes, and refusing them decodes nothing.
std::string Declared(int width, int height, const std::vector<std::vector<int>>& frames) {
  GifWriter gif;
  gif.Header().Screen(width, height, 7).ColourTable(7);
  for (const std::vector<int>& f : frames) {
    gif.GraphicControl(10).Descriptor(f[0], f[1], f[2], f[3], false);
    if (f[2] == 1 && f[3] == 1) {
      gif.EncodedData(8, {1});
    } else {
      gif.ImageData(8, {});
    }
  }
  return Text(gif.Trailer().bytes());
}

TEST_F(PackerTest, BoundsWhatThePlayerMustHold) {
  // The player holds the animation, every frame (its rows padded to 4 bytes
  // and a 604-byte record) and the canvas at once; at most 1,024 MB, and no
  // single block over 256 MB.
  auto needed = [](const std::string& gif, int width, int height, const std::vector<std::vector<int>>& frames) {
    auto bitmap = [](int64_t w, int64_t h) { return (w + 3) / 4 * 4 * h; };
    int64_t bytes = static_cast<int64_t>(gif.size()) + bitmap(width, height);
    for (const std::vector<int>& f : frames) bytes += bitmap(f[2], f[3]) + 604;
    return std::to_string((bytes + (1 << 20) - 1) >> 20);
  };
  const std::vector<std::vector<int>> one = {{0, 0, 1, 1}};
  const std::vector<std::vector<int>> four = {{0, 0, 16384, 16384}, {0, 0, 16384, 16384}, {0, 0, 16384, 16384}};
  struct Case {
    const char* what;
    int width, height;
    std::vector<std::vector<int>> frames;
    std::string reason;  // empty: packed
  } cases[] = {
      {"a canvas of 256 MB", 16384, 16384, one, ""},
      {"a frame of 256 MB", 100, 100, {{0, 0, 16384, 16384}, {0, 0, 1, 1}}, ""},
      {"a canvas over 256 MB", 16384, 16385, one,
       "its canvas of 16384 x 16385 needs one block of 257 MB; the player can count on blocks of up to 256 MB"},
      {"a frame over 256 MB", 100, 100, {{0, 0, 1, 1}, {0, 0, 16385, 16384}},
       "frame 1 needs one block of 257 MB; the player can count on blocks of up to 256 MB (--flatten clips"},
      {"four blocks of 256 MB", 16384, 16384, four,
       "it would need #### MB for the canvas of 16384 x 16384, 3 frame(s) and the animation itself; the limit is "
       "1,024 MB"},
      {"the canvas of 40000 x 40000", 40000, 40000, one,
       "it would need #### MB for the canvas of 40000 x 40000, 1 frame(s) and the animation itself; the limit is "
       "1,024 MB"},
  };
  for (const Case& c : cases) {
    std::string gif = Declared(c.width, c.height, c.frames);
    std::string reason = c.reason;
    size_t figure = reason.find("####");
    if (figure != std::string::npos) {
      std::string mb = needed(gif, c.width, c.height, c.frames);
      reason.replace(figure, 4, mb.substr(0, mb.size() - 3) + "," + mb.substr(mb.size() - 3));
    }
    Outcome run = Pack("'" + Put("big.gif", gif) + "' -o '" + dir_.File("greeting.exe") + "'");
    EXPECT_EQ(run.status != 0, !reason.empty()) << c.what << ": " << run.err;
    EXPECT_NE(run.err.find(reason), std::string::npos) << c.what << ": " << run.err;
    EXPECT_EQ(FileExists(dir_.File("greeting.exe")), reason.empty()) << c.what;
    std::remove(dir_.File("greeting.exe").c_str());
  }
  // --flatten clips a frame to the screen.
  Outcome flat = Pack("--flatten '" + Put("big.gif", Declared(100, 100, {{0, 0, 1, 1}, {0, 0, 16385, 16384}})) +
                      "' -o '" + dir_.File("greeting.exe") + "'");
  EXPECT_EQ(flat.status, 0) << flat.err;
  EXPECT_EQ(WhyItStops(dir_.File("greeting.exe")), "");
}

TEST_F(PackerTest, SectionsAreFoundWhereTheyWereWritten) {
  // The player's lookup takes the first marker in its file: one inside the
  // animation would be taken for the song, and a partial marker at the end of
  // a part swallows the asterisk of the section after it.
  const std::string gif = Gif({SolidFrame(0, 0, 40, 30, 1, 10), SolidFrame(4, 4, 8, 8, 2, 10)});
  const std::string song = Put("song.mid", kSong);
  struct Case {
    const char* what;
    std::string player, animation;
    bool withSong;
    std::string reason;  // empty: packed
    bool flattenCures;
  } cases[] = {
      // Five bytes the player would write as its song.
      {"marker, no song", kPlayer, AfterTable(gif, Comment(SongSection("ABCDE"))), false,
       "anim.gif: holds the marker of a song section (*MIDI_BEGINS_HERE:) at byte 784, which the player would take "
       "for the song (--flatten drops comments and application data)",
       true},
      {"marker before the song", kPlayer, AfterTable(gif, Comment(SongSection("ABCDE"))), true,
       "anim.gif: holds the marker of a song section", true},
      {"length 0 and no song", kPlayer, AfterTable(gif, Comment(SongSection(""))), false, "", false},
      {"words marker", kPlayer, AfterTable(gif, Comment(SongSection("ABCDE", TEXT_SECTION_MARKER))), true,
       "anim.gif: holds the marker of a words section (*TEXT_BEGINS_HERE:) at byte 784", true},
      {"animation ends with an asterisk", kPlayer, gif + "*", true,
       "anim.gif: ends with the start of a section marker, which hides the song's marker after it from the player "
       "(--flatten ends it with the GIF trailer)",
       true},
      {"partial marker", kPlayer, gif + SongSection("").substr(0, 9), true, "hides the song's marker", true},
      {"player ends with an asterisk", kPlayer + "*", gif, false,
       "player.exe: ends with the start of a section marker, which hides the animation's marker after it from the "
       "player (give the plain player)",
       false},
      {"player holds a song", kPlayer + SongSection("MThd"), gif, false,
       "player.exe: holds the marker of a song section (*MIDI_BEGINS_HERE:) at byte " +
           std::to_string(kPlayer.size()) + ", which the player would take for the song (give the plain player)",
       false},
  };
  for (const Case& c : cases) {
    Put("player.exe", c.player);
    std::string anim = Put("anim.gif", c.animation);
    std::string midi = c.withSong ? "--midi '" + song + "' " : "";
    Outcome run = Pack(midi + "'" + anim + "' -o '" + dir_.File("greeting.exe") + "'");
    EXPECT_EQ(run.status != 0, !c.reason.empty()) << c.what << ": " << run.err;
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << c.what << ": " << run.err;
    EXPECT_EQ(Outputs({"anim.gif", "song.mid"}).size(), c.reason.empty() ? 1u : 0u) << c.what;
    // A page refuses the animation the same way (its player has no part in it).
    if (c.player == kPlayer) {
      Outcome page = Pack("--web " + midi + "'" + anim + "' -o '" + dir_.File("page.html") + "'");
      EXPECT_EQ(page.status, run.status) << c.what << ": " << page.err;
      EXPECT_EQ(page.err, run.err) << c.what;
      EXPECT_EQ(Outputs({"anim.gif", "song.mid", "greeting.exe"}).size(), c.reason.empty() ? 1u : 0u) << c.what;
      std::remove(dir_.File("page.html").c_str());
    }
    if (c.flattenCures) {
      run = Pack("--flatten " + midi + "'" + anim + "' -o '" + dir_.File("greeting.exe") + "'");
      EXPECT_EQ(run.status, 0) << c.what << ": " << run.err;
    }
    if (run.status != 0) continue;
    // The player finds the animation and the song it was given, and nothing else.
    std::string greeting = dir_.File("greeting.exe");
    bool found = false;
    EXPECT_EQ(WhyItStops(greeting), "") << c.what;
    std::string played = SectionOf(greeting, MIDI_SECTION_MARKER, &found);
    EXPECT_EQ(found, c.withSong) << c.what;
    EXPECT_TRUE(played == (c.withSong ? kSong : "")) << c.what;
    std::remove(greeting.c_str());
  }
}

// A file of `size` bytes that starts with `head` and takes no room on disk;
// false where the file system cannot leave holes.
bool PutSparse(const std::string& path, const std::string& head, int64_t size) {
  EXPECT_TRUE(WriteWholeFile(path, head)) << path;
  struct stat info;
  return truncate(path.c_str(), static_cast<off_t>(size)) == 0 && stat(path.c_str(), &info) == 0 &&
         info.st_blocks * 512 < (int64_t{1} << 20);
}

TEST_F(PackerTest, RefusesPartsTooLargeBeforeReadingThem) {
  // A song of 4 GiB and 26 bytes: its length would be cut to 26 in 32 bits.
  // Nothing is read: the files are holes, and reading them would take minutes.
  std::string anim = Put("anim.gif", Gif({SolidFrame(0, 0, 40, 30, 1, 10)}));
  const int64_t cut = (int64_t{1} << 32) + static_cast<int64_t>(kSong.size());
  if (!PutSparse(dir_.File("song.mid"), kSong, cut)) GTEST_SKIP() << "no sparse files here";
  Outcome song = Pack("--midi '" + dir_.File("song.mid") + "' '" + anim + "' -o '" + dir_.File("greeting.exe") + "'");
  EXPECT_NE(song.status, 0);
  EXPECT_NE(song.err.find(dir_.File("song.mid") +
                          ": too large for the player, which reads the song as one block: 4,097 MB; the player can "
                          "count on blocks of up to 256 MB"),
            std::string::npos)
      << song.err;
  // A greeting the player's 32-bit scan counter cannot cover.
  ASSERT_TRUE(PutSparse(dir_.File("player.exe"), kPlayer, int64_t{2} << 30));
  Outcome player = Pack("'" + anim + "' -o '" + dir_.File("greeting.exe") + "'");
  EXPECT_NE(player.err.find(dir_.File("greeting.exe") +
                            ": the greeting would be 2,049 MB; the player cannot scan a file of 2 GiB or more"),
            std::string::npos)
      << player.err;
  EXPECT_EQ(Outputs({"anim.gif", "song.mid"}), std::vector<std::string>{});

  // The same bounds, exactly at their edges, through the checks themselves.
  const int64_t block = int64_t{256} << 20;
  struct Sizes {
    int64_t player, animation, song;  // song -1: none
    size_t refusals;
  } sizes[] = {
      {30000, block, block, 0},
      {30000, block + 1, -1, 1},
      {30000, 1000, block + 1, 1},
      {INT32_MAX - 21 - 1000, 1000, -1, 0},
      {INT32_MAX - 21 - 22 - 2000 + 1, 1000, 1000, 1},
  };
  for (const Sizes& size : sizes) {
    Verdict verdict;
    PartSize songPart{"song.mid", size.song};
    CheckPartSizes(PartSize{"player.exe", size.player}, PartSize{"anim.gif", size.animation},
                   size.song < 0 ? nullptr : &songPart, false, "greeting.exe", &verdict);
    EXPECT_EQ(verdict.refusals.size(), size.refusals) << size.player << " " << size.animation << " " << size.song;
  }
}

TEST_F(PackerTest, LeavesNoPartialGreetingBehind) {
  std::string anim = Put("anim.gif", Gif({SolidFrame(0, 0, 40, 30, 1, 10)}));
  // An output in a directory that does not exist cannot be written.
  Outcome run = Pack("'" + anim + "' -o '" + dir_.File("missing-dir/greeting.exe") + "'");
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.err.find("missing-dir/greeting.exe"), std::string::npos) << run.err;
  Outcome page = Pack("--web '" + anim + "' -o '" + dir_.File("missing-dir/page.html") + "'");
  EXPECT_NE(page.status, 0);
  EXPECT_NE(page.err.find("missing-dir/page.html: cannot write it"), std::string::npos) << page.err;
  // A refused input leaves an existing greeting untouched.
  Put("greeting.exe", "the old greeting");
  EXPECT_NE(Pack("'" + Put("bad.gif", "GIF89a") + "' -o '" + dir_.File("greeting.exe") + "'").status, 0);
  EXPECT_EQ(ReadWholeFile<std::string>(dir_.File("greeting.exe")), "the old greeting");
  Put("page.html", "the old page");
  EXPECT_NE(Pack("--web '" + dir_.File("bad.gif") + "' -o '" + dir_.File("page.html") + "'").status, 0);
  EXPECT_EQ(ReadWholeFile<std::string>(dir_.File("page.html")), "the old page");
  EXPECT_EQ(Outputs({"anim.gif", "bad.gif", "page.html"}), std::vector<std::string>{"greeting.exe"});
}

TEST_F(PackerTest, WarnsAboutWhatThePlayerIgnores) {
  // A graphic control extension with the transparent flag, disposal 2 and delay 0.
  std::string gif = Gif({SolidFrame(0, 0, 40, 30, 1, 0)});
  size_t control = gif.find(kGraphicControl);
  ASSERT_NE(control, std::string::npos);
  gif[control + 3] = static_cast<char>(kGifRestoreBackground << kGifDisposalShift | kGifTransparentFlag);
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
    std::string ours = ReadWholeFile<std::string>(preview.File(name));
    std::string theirs = ReadWholeFile<std::string>(reference.File("frame-" + std::to_string(i) + ".ppm"));
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
  size_t at = control.rfind(kGraphicControl);
  ASSERT_NE(at, std::string::npos);
  control[at + 3] = static_cast<char>(kGifRestorePrevious << kGifDisposalShift | kGifTransparentFlag);
  struct Case {
    const char* what;
    std::string bytes;
    bool refused;
  } cases[] = {
      {"no global table", PlainGif(40, 30, {}, {local, local}), true},
      {"local table", Gif({SolidFrame(0, 0, 40, 30, 1, 10), local}), true},
      {"transparency and disposal", control, false},
      {"frame without pixels", BlockByBlock({SolidFrame(0, 0, 0, 4, 1, 10), SolidFrame(0, 0, 40, 30, 1, 10)}), true},
      {"code size", WithCodeSize(Gif({SolidFrame(0, 0, 40, 30, 1, 10), SolidFrame(0, 0, 4, 4, 2, 10)}), 1, 10), true},
      {"song marker",
       AfterTable(Gif({SolidFrame(0, 0, 40, 30, 1, 10), SolidFrame(2, 2, 4, 4, 2, 10)}), Comment(SongSection("ABCDE"))),
       true},
      {"long delay", Gif({SolidFrame(0, 0, 40, 30, 1, 10), SolidFrame(2, 2, 4, 4, 2, 20000)}), true},
  };
  for (const Case& c : cases) {
    std::string anim = Put("anim.gif", c.bytes);
    Outcome plain = Pack("'" + anim + "' -o '" + dir_.File("greeting.exe") + "'");
    EXPECT_EQ(plain.status != 0, c.refused) << c.what;
    EXPECT_NE(plain.err.find("--flatten"), std::string::npos) << c.what << ": " << plain.err;
    // A page is refused as the greeting is; what the greeting merely warns
    // about is flattened for it, since a browser honours what the player ignores.
    Outcome page = Pack("--web '" + anim + "' -o '" + dir_.File("page.html") + "'");
    EXPECT_EQ(page.status != 0, c.refused) << c.what << ": " << page.err;
    EXPECT_EQ(page.err, c.refused ? plain.err : "") << c.what;
    EXPECT_EQ(page.out.find("flattened " + anim + " for the web page, as the player shows it with --flatten (") == 0,
              !c.refused)
        << c.what << ": " << page.out;
    EXPECT_EQ(FileExists(dir_.File("page.html")), !c.refused) << c.what;
    Outcome flatPage = Pack("--web --flatten '" + anim + "' -o '" + dir_.File("page.html") + "'");
    EXPECT_EQ(flatPage.status, 0) << c.what << ": " << flatPage.err;
    Outcome flat = Pack("--flatten '" + anim + "' -o '" + dir_.File("greeting.exe") + "'");
    EXPECT_EQ(flat.status, 0) << c.what << ": " << flat.err;
    EXPECT_EQ(flat.err, "") << c.what;
    // The page carries exactly the GIF the greeting carries, which flattening
    // already made endless.
    bool found = false;
    EXPECT_TRUE(PageGif(ReadWholeFile<std::string>(dir_.File("page.html"))) ==
                SectionOf(dir_.File("greeting.exe"), GIF_SECTION_MARKER, &found))
        << c.what;
    std::remove(dir_.File("page.html").c_str());
    EXPECT_NE(flat.out.find("flattened " + anim + ": 2 frame(s) of 40 x 30"), std::string::npos) << flat.out;
    EXPECT_NE(flat.out.find("exact"), std::string::npos) << flat.out;
    // What was packed plays to the end of its loop, without a song.
    EXPECT_EQ(WhyItStops(dir_.File("greeting.exe")), "") << c.what;
    bool song = true;
    SectionOf(dir_.File("greeting.exe"), MIDI_SECTION_MARKER, &song);
    EXPECT_FALSE(song) << c.what;
  }
  // A delay the timer refuses is split: 200 s as 65.53 + 65.53 + 65.53 + 3.41 s.
  EXPECT_NE(Pack("--flatten '" + dir_.File("anim.gif") + "' -o '" + dir_.File("greeting.exe") + "'")
                .out.find("written as 5 frames, long delays split"),
            std::string::npos);
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
  std::string gif = ReadWholeFile<std::string>(anim);
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
    std::string ours = ReadWholeFile<std::string>(preview.File(name));
    std::string theirs = ReadWholeFile<std::string>(reference.File("frame-" + std::to_string(i) + ".ppm"));
    ASSERT_EQ(ours.size(), 13 + 64 * 48 * 3u) << i;
    EXPECT_TRUE(PpmPixels(ours) == PpmPixels(theirs)) << "frame " << i;
    EXPECT_TRUE(ours == ReadWholeFile<std::string>(packedPreview.File(name))) << "frame " << i;
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

TEST_F(PackerTest, WebPageLoopsTheAnimationForeverAndChangesNothingElse) {
  const std::string gif = Gif({SolidFrame(0, 0, 40, 30, 1, 10), SolidFrame(5, 5, 10, 10, 2, 20)});
  const std::string comment = Comment("made by hand");
  struct Case {
    const char* what;
    std::string given, carried;
  } cases[] = {
      {"no looping extension", gif, Looping(gif)},
      {"five loops", AfterTable(gif, LoopBlock(5)), Looping(gif)},
      {"endless already", Looping(gif), Looping(gif)},
      // A looping extension later in the stream is corrected where it stands.
      {"after a comment", AfterTable(gif, comment + LoopBlock(65535)), AfterTable(gif, comment + LoopBlock(0))},
  };
  for (const Case& c : cases) {
    Outcome run = Pack("--web '" + Put("anim.gif", c.given) + "' -o '" + dir_.File("page.html") + "'");
    ASSERT_EQ(run.status, 0) << c.what << ": " << run.err;
    EXPECT_EQ(run.out, "") << c.what;
    EXPECT_TRUE(PageGif(ReadWholeFile<std::string>(dir_.File("page.html"))) == c.carried) << c.what;
    EXPECT_TRUE(Looping(gif) == Text(LoopingForever(std::vector<uint8_t>(gif.begin(), gif.end())))) << c.what;
  }
}

TEST_F(PackerTest, WebPageIsTheSameForTheSameParts) {
  const std::string gif = Gif({SolidFrame(0, 0, 40, 30, 1, 10), SolidFrame(5, 5, 10, 10, 2, 20)});
  std::string anim = Put("anim.gif", gif), song = Put("song.mid", kSong);
  // No player is read: the one named is not even there.
  const std::string args = "--web --player '" + dir_.File("none.exe") + "' --midi '" + song + "' '" + anim + "' -o '";
  const std::string name = "Tom & <Jerry> \"now\".html";
  ASSERT_EQ(Pack(args + dir_.File(name) + "'").status, 0);
  const std::string page = ReadWholeFile<std::string>(dir_.File(name));
  ASSERT_EQ(Pack(args + dir_.File(name) + "'").status, 0);
  EXPECT_TRUE(ReadWholeFile<std::string>(dir_.File(name)) == page);
  EXPECT_EQ(Outputs({"anim.gif", "song.mid"}), std::vector<std::string>{name});
  // The title is the file's name, escaped, in the title and the alt text.
  const std::string title = "Tom &amp; &lt;Jerry&gt; &quot;now&quot;";
  EXPECT_NE(page.find("<title>" + title + "</title>"), std::string::npos);
  EXPECT_NE(page.find("alt=\"Animation: " + title + "\""), std::string::npos);
  EXPECT_NE(page.find("width=\"40\" height=\"30\""), std::string::npos);
  // With words, their first line is the title, cut at 60 characters.
  const std::string line = "Happy birthday, Anna! Many happy returns of the day, with love \xF0\x9F\x8E\x82";
  ASSERT_EQ(Pack(args + dir_.File(name) + "' --message '" + line + "\nFrom all of us'").status, 0);
  EXPECT_NE(ReadWholeFile<std::string>(dir_.File(name)).find(
                "<title>Happy birthday, Anna! Many happy returns of the day, with l\xE2\x80\xA6</title>"),
            std::string::npos);
  EXPECT_EQ(DecodedAfter(page, "data-song=\""), kSong);
  // Through the library, as the maker writes it: the words escaped, the page
  // within 160 KiB of its animation's and song's base64.
  const std::vector<uint8_t> bytes(gif.begin(), gif.end()), midi(kSong.begin(), kSong.end());
  WebPageParts parts;
  parts.title = "Hi";
  parts.animation = &bytes;
  parts.words = "Dear <Ann> & \"Bo\",\nit's your day \xF0\x9F\x8E\x82";
  const std::string words = MakeWebPage(parts);
  EXPECT_NE(words.find(">Dear &lt;Ann&gt; &amp; &quot;Bo&quot;,\nit&#39;s your day \xF0\x9F\x8E\x82</p>"),
            std::string::npos);
  EXPECT_EQ(words.find("Dear <Ann>"), std::string::npos);
  parts.song = &midi;
  const size_t base64 = (Looping(gif).size() + 2) / 3 * 4 + (kSong.size() + 2) / 3 * 4;
  EXPECT_LE(MakeWebPage(parts).size() - base64, 160u * 1024);
}

TEST_F(PackerTest, HelpAndVersion) {
  Outcome help = Shell(dir_, std::string(LOOPVUE_PACK) + " --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: loopvue-pack"), std::string::npos);
  EXPECT_NE(help.out.find("  --flatten "), std::string::npos);
  EXPECT_NE(help.out.find("  --dither "), std::string::npos);
  EXPECT_NE(help.out.find("  --web "), std::string::npos);
  Outcome version = Shell(dir_, std::string(LOOPVUE_PACK) + " --version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("loopvue-pack ", 0), 0u) << version.out;
  Outcome none = Shell(dir_, LOOPVUE_PACK);
  EXPECT_NE(none.status, 0);
  EXPECT_NE(none.err.find("no animation given"), std::string::npos);
}

}  // namespace
