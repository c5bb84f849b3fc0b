#include "payload_locator.h"

#include <gtest/gtest.h>

#include <string>

#include "native_path.h"
#include "support/scratch_dir.h"
#include "whole_file.h"

namespace {

std::string Length(uint32_t n) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; i++) bytes[i] = static_cast<char>(n >> (8 * i));
  return bytes;
}

std::string Section(const std::string& name, const std::string& data) {
  return "*" + name + ":" + Length(static_cast<uint32_t>(data.size())) + data;
}

const std::string kGif = "GIF_BEGINS_HERE";
const std::string kMidi = "MIDI_BEGINS_HERE";
const std::string kStub = std::string("MZ\x90\0\x03\0\0\0", 8) + " an executable image * with : stray bytes";

// Looks up `marker` in a file holding `bytes` and reads the section it finds.
struct Lookup {
  int32_t length = 0;
  bool read = false;
  std::string data;
};

Lookup Find(const ScratchDir& dir, const std::string& bytes, const char* marker) {
  std::string path = dir.File("payload.exe");
  EXPECT_TRUE(WriteWholeFile(path, bytes)) << path;
  Lookup result;
  result.length = FindSection(NativePath(path).c_str(), marker);
  if (result.length > 0) {
    SectionBlock block(result.length);
    result.read = ReadSection(&block.reader);
    if (result.read) result.data.assign(reinterpret_cast<const char*>(block.reader.data), result.length);
  }
  ClosePayloadFile();
  return result;
}

TEST(PayloadLocator, FindsEachSectionInEitherOrder) {
  ScratchDir dir;
  const std::string gif = "GIF89a-bytes";
  const std::string midi = std::string("MThd\0\0\0\x06", 8);
  for (const std::string& file : {kStub + Section(kGif, gif) + Section(kMidi, midi),
                                  kStub + Section(kMidi, midi) + "between" + Section(kGif, gif) + "after"}) {
    Lookup g = Find(dir, file, GIF_SECTION_MARKER);
    EXPECT_EQ(g.length, static_cast<int32_t>(gif.size()));
    EXPECT_TRUE(g.read);
    EXPECT_EQ(g.data, gif);
    Lookup m = Find(dir, file, MIDI_SECTION_MARKER);
    EXPECT_EQ(m.length, static_cast<int32_t>(midi.size()));
    EXPECT_EQ(m.data, midi);
  }
}

TEST(PayloadLocator, ScanRulesForAsterisksColonsAndCase) {
  ScratchDir dir;
  // An asterisk right before the marker's own asterisk hides that marker.
  EXPECT_EQ(Find(dir, "**" + kGif + ":" + Length(3) + "abc", GIF_SECTION_MARKER).length, 0);
  Lookup later = Find(dir, "**" + kGif + ":" + Length(3) + "abc" + Section(kGif, "later"), GIF_SECTION_MARKER);
  EXPECT_EQ(later.data, "later");
  // A name followed by another byte than the colon is no marker; a later one is found.
  Lookup colon = Find(dir, "*" + kGif + ";" + Length(3) + "abc" + Section(kGif, "good"), GIF_SECTION_MARKER);
  EXPECT_EQ(colon.data, "good");
  // ...unless its asterisk is the very byte that was tested for the colon.
  EXPECT_EQ(Find(dir, "*" + kGif + Section(kGif, "hidden"), GIF_SECTION_MARKER).length, 0);
  // Names are compared case-sensitively.
  EXPECT_EQ(Find(dir, Section("gif_begins_here", "abc"), GIF_SECTION_MARKER).length, 0);
  EXPECT_EQ(Find(dir, Section("GIF_BEGINS_HERe", "abc"), GIF_SECTION_MARKER).length, 0);
  // A marker cut by the end of the file is absent.
  EXPECT_EQ(Find(dir, "*GIF_BEGINS_HE", GIF_SECTION_MARKER).length, 0);
  // The byte that breaks a candidate is consumed: here it is the marker's asterisk.
  EXPECT_EQ(Find(dir, "*GIF_BEG" + Section(kGif, "x"), GIF_SECTION_MARKER).length, 0);
  Lookup retry = Find(dir, "*GIF_BEGx" + Section(kGif, "x"), GIF_SECTION_MARKER);
  EXPECT_EQ(retry.data, "x");
}

TEST(PayloadLocator, FirstCompleteMarkerWins) {
  ScratchDir dir;
  Lookup first = Find(dir, Section(kGif, "first") + Section(kGif, "second!"), GIF_SECTION_MARKER);
  EXPECT_EQ(first.length, 5);
  EXPECT_EQ(first.data, "first");
}

TEST(PayloadLocator, MarkerAcrossTheScanBufferBoundary) {
  ScratchDir dir;
  // The scan reads 4096 bytes at a time and must step back to the byte after the
  // colon; put the colon and the length on both sides of the boundary.
  for (int before : {4096 - 17, 4096 - 16, 4096 - 3, 4096, 8191}) {
    std::string data(5000, 'd');
    data[0] = 'S';
    data[4999] = 'E';
    Lookup found = Find(dir, std::string(before, '-') + Section(kGif, data), GIF_SECTION_MARKER);
    EXPECT_EQ(found.length, 5000) << "marker at offset " << before;
    EXPECT_EQ(found.data, data) << "marker at offset " << before;
  }
}

TEST(PayloadLocator, AbsentAndDamagedSections) {
  ScratchDir dir;
  // Length 0 counts as absent.
  EXPECT_EQ(Find(dir, kStub + Section(kGif, ""), GIF_SECTION_MARKER).length, 0);
  // A length field cut short by the end of the file.
  EXPECT_EQ(Find(dir, kStub + "*" + kGif + ":" + std::string("\x05\0", 2), GIF_SECTION_MARKER).length, 0);
  // Data shorter than the length: found, but the read fails.
  Lookup shortData = Find(dir, kStub + "*" + kGif + ":" + Length(10) + "abc", GIF_SECTION_MARKER);
  EXPECT_EQ(shortData.length, 10);
  EXPECT_FALSE(shortData.read);
  // Lengths that do not fit a signed 32-bit size count as absent.
  EXPECT_EQ(Find(dir, "*" + kGif + ":" + Length(0x80000000u) + "abc", GIF_SECTION_MARKER).length, 0);
  EXPECT_EQ(Find(dir, "*" + kGif + ":" + Length(0xFFFFFFFFu) + "abc", GIF_SECTION_MARKER).length, 0);
  // A file without the marker, and a file that does not exist.
  EXPECT_EQ(Find(dir, kStub, GIF_SECTION_MARKER).length, 0);
  EXPECT_EQ(FindSection(NativePath(dir.File("missing.exe")).c_str(), GIF_SECTION_MARKER), 0);
  ClosePayloadFile();
}

TEST(PayloadLocator, ReadSectionWithoutMemoryFails) {
  ScratchDir dir;
  std::string path = dir.File("payload.exe");
  ASSERT_TRUE(WriteWholeFile(path, Section(kGif, "abc")));
  ASSERT_EQ(FindSection(NativePath(path).c_str(), GIF_SECTION_MARKER), 3);
  SectionBlock none(0);
  EXPECT_EQ(none.reader.data, nullptr);
  EXPECT_FALSE(ReadSection(&none.reader));
  ClosePayloadFile();
}

class MusicExtraction : public ::testing::Test {
 protected:
  void TearDown() override {
    SetEnv("TEMP", savedTemp_.empty() ? nullptr : savedTemp_.c_str());
    DeleteMusicFile();
    musicPath[0] = '\0';
  }
  void SetUp() override {
    if (const char* temp = std::getenv("TEMP")) savedTemp_ = temp;
    musicPath[0] = '\0';
  }
  // Runs the extraction over a file holding `bytes`.
  void Extract(const std::string& bytes) {
    std::string path = payload_.File("greeting.exe");
    ASSERT_TRUE(WriteWholeFile(path, bytes));
    ExtractMusic(NativePath(path).c_str(), MIDI_SECTION_MARKER);
  }

  ScratchDir payload_;
  ScratchDir temp_;
  std::string savedTemp_;
  const std::string song_ = std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x04\0\xFF\x2F\0", 26);
};

TEST_F(MusicExtraction, WritesTheSongToTempAndNamesIt) {
  // TEMP named in any script; the song is held while the greeting runs.
  const ScratchDir wide(" Дмитрий 用户 🎂");
  for (const ScratchDir* temp : {static_cast<const ScratchDir*>(&temp_), &wide}) {
    SetEnv("TEMP", temp->path().c_str());
    Extract(kStub + Section(kGif, "GIF89a") + Section(kMidi, song_));
    EXPECT_EQ(Utf8(musicPath), temp->path() + "\\loopvue.mid");
    EXPECT_EQ(ReadWholeFile<std::string>(Utf8(musicPath)), song_);
    EXPECT_EQ(payloadFile, nullptr);
    EXPECT_NE(musicGuard, nullptr);
    DeleteMusicFile();
    EXPECT_EQ(musicGuard, nullptr);
    EXPECT_TRUE(temp->List().empty());
  }
}


TEST_F(MusicExtraction, NoSongMeansNoFileAndNoName) {
  SetEnv("TEMP", temp_.path().c_str());
  Extract(kStub + Section(kGif, "GIF89a"));
  EXPECT_EQ(Utf8(musicPath), "");
  EXPECT_TRUE(temp_.List().empty());
  EXPECT_EQ(payloadFile, nullptr);
  // A song section shorter than its length is no song either.
  Extract(kStub + "*" + kMidi + ":" + Length(100) + song_);
  EXPECT_EQ(Utf8(musicPath), "");
  EXPECT_TRUE(temp_.List().empty());
}

TEST_F(MusicExtraction, TempEndingInSeparatorIsUsedUnchanged) {
  std::string temp = temp_.path() + "\\";
  SetEnv("TEMP", temp.c_str());
  Extract(Section(kMidi, song_));
  EXPECT_EQ(Utf8(musicPath), temp + "\\loopvue.mid");
  EXPECT_EQ(ReadWholeFile<std::string>(Utf8(musicPath)), song_);
  DeleteMusicFile();
}

TEST_F(MusicExtraction, UnsetOrEmptyTempFallsBackToTheWindowsDirectory) {
  PathChar windows[kMusicPathSize];
  UINT length = GetWindowsDirectoryW(windows, kMusicPathSize);
  ASSERT_GT(length, 0u);
  for (const char* value : {static_cast<const char*>(nullptr), ""}) {
    SetEnv("TEMP", value);
    Extract(Section(kMidi, song_));
    EXPECT_EQ(Utf8(musicPath), Utf8(windows) + "\\loopvue.mid");
    EXPECT_EQ(ReadWholeFile<std::string>(Utf8(musicPath)), song_);
    DeleteMusicFile();
    musicPath[0] = '\0';
  }
}

TEST_F(MusicExtraction, TempTooLongForTheNameWritesNothing) {
  // 243 characters plus "\loopvue.mid" and the terminator fill the 256 exactly.
  std::string fits = temp_.path();
  fits += std::string(243 - fits.size(), 'x');
  SetEnv("TEMP", fits.c_str());
  Extract(Section(kMidi, song_));
  EXPECT_EQ(Utf8(musicPath), fits + "\\loopvue.mid");
  EXPECT_EQ(Utf8(musicPath).size(), 255u);
  DeleteMusicFile();

  for (size_t size : {244, 255, 256, 300, 1000}) {
    musicPath[0] = '\0';
    std::string tooLong = temp_.path() + std::string(size - temp_.path().size(), 'y');
    SetEnv("TEMP", tooLong.c_str());
    Extract(Section(kMidi, song_));
    EXPECT_EQ(Utf8(musicPath), "") << "TEMP of " << size << " characters";
  }
  EXPECT_TRUE(temp_.List().empty());
}

}  // namespace
