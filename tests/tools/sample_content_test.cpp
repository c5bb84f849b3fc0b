// The committed sample greeting, song and program icon: their formats, read
// without the generators' code, and that each generator still makes them byte
// for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "support/gif_decoders.h"
#include "support/scratch_dir.h"
#include "whole_file.h"

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
  bool exists = false;
  std::vector<uint8_t> bytes = ReadWholeFile(path, &exists);
  EXPECT_TRUE(exists) << path;
  return bytes;
}

uint32_t BigEndian(const std::vector<uint8_t>& b, size_t pos, int count) {
  uint32_t v = 0;
  for (int i = 0; i < count; i++) v = v << 8 | b[pos + i];
  return v;
}

uint32_t LittleEndian(const std::vector<uint8_t>& b, size_t pos, int count) {
  uint32_t v = 0;
  for (int i = count - 1; i >= 0; i--) v = v << 8 | b[pos + i];
  return v;
}

TEST(SampleGreeting, IsAFlatAnimationThePlayerShowsAsGiflibDoes) {
  const std::vector<uint8_t> gif = ReadFile(GREETING_GIF);
  ASSERT_GT(gif.size(), 13u);
  EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");

  const DecodedGif reference = DecodeWithGiflib(gif);
  ASSERT_TRUE(reference.ok) << reference.error;
  EXPECT_GE(reference.width, 320);
  EXPECT_LE(reference.width, 400);
  EXPECT_GE(reference.height, 200);
  EXPECT_LE(reference.height, 240);
  EXPECT_EQ(reference.colours.size(), 256u);
  EXPECT_GE(std::set<uint32_t>(reference.colours.begin(), reference.colours.end()).size(), 200u)
      << "the palette should be put to use, not padded";
  EXPECT_EQ(reference.loopCount, 0);
  ASSERT_GE(reference.frames.size(), 12u);

  const DecodedFrame& first = reference.frames[0];
  EXPECT_EQ(first.left, 0);
  EXPECT_EQ(first.top, 0);
  EXPECT_EQ(first.width, reference.width);
  EXPECT_EQ(first.height, reference.height);
  for (size_t i = 0; i < reference.frames.size(); i++) {
    const DecodedFrame& f = reference.frames[i];
    SCOPED_TRACE("frame " + std::to_string(i));
    EXPECT_FALSE(f.localTable);
    EXPECT_FALSE(f.interlaced);
    EXPECT_EQ(f.transparent, -1);
    EXPECT_LE(f.disposal, 1);
    EXPECT_GE(f.delay, 8);
    EXPECT_LE(f.delay, 12);
    EXPECT_LE(f.left + f.width, reference.width);
    EXPECT_LE(f.top + f.height, reference.height);
  }

  const DecodedGif player = DecodeWithPlayer(gif);
  EXPECT_EQ(player.width, reference.width);
  EXPECT_EQ(player.height, reference.height);
  EXPECT_EQ(player.colours, reference.colours);
  ASSERT_EQ(player.frames.size(), reference.frames.size());
  for (size_t i = 0; i < reference.frames.size(); i++) {
    SCOPED_TRACE("frame " + std::to_string(i));
    EXPECT_EQ(player.frames[i].left, reference.frames[i].left);
    EXPECT_EQ(player.frames[i].top, reference.frames[i].top);
    EXPECT_EQ(player.frames[i].delay, reference.frames[i].delay);
    EXPECT_TRUE(player.frames[i].pixels == reference.frames[i].pixels) << "pixels differ";
  }
}

TEST(SampleGreeting, MovesFromFrameToFrame) {
  const DecodedGif gif = DecodeWithGiflib(ReadFile(GREETING_GIF));
  ASSERT_TRUE(gif.ok) << gif.error;
  // Compose the frames opaquely, as the player does, and count distinct pictures.
  std::vector<uint8_t> screen(static_cast<size_t>(gif.width) * gif.height, 0);
  std::set<std::vector<uint8_t>> pictures;
  for (const DecodedFrame& f : gif.frames) {
    for (int y = 0; y < f.height; y++) {
      std::copy_n(f.pixels.begin() + static_cast<size_t>(y) * f.width, f.width,
                  screen.begin() + static_cast<size_t>(f.top + y) * gif.width + f.left);
    }
    pictures.insert(screen);
  }
  EXPECT_EQ(pictures.size(), gif.frames.size()) << "every frame should show something new";
}

// The events of one track chunk, checked as they are read.
struct TrackSummary {
  bool endsWithEndOfTrack = false;
  uint32_t endTick = 0;
  int programChanges = 0;
  int notesOn = 0;
  int notesOff = 0;
  std::vector<std::pair<uint32_t, uint32_t>> tempos;  // tick, microseconds per quarter
};

bool ReadVariableLength(const std::vector<uint8_t>& b, size_t* pos, size_t end, uint32_t* value) {
  *value = 0;
  for (int i = 0; i < 4; i++) {
    if (*pos >= end) return false;
    const uint8_t byte = b[(*pos)++];
    *value = *value << 7 | (byte & 0x7F);
    if (!(byte & 0x80)) return true;
  }
  return false;
}

TrackSummary ReadTrack(const std::vector<uint8_t>& b, size_t pos, size_t end) {
  TrackSummary track;
  uint8_t status = 0;
  while (pos < end) {
    EXPECT_FALSE(track.endsWithEndOfTrack) << "events after the end of track";
    uint32_t delta = 0;
    if (!ReadVariableLength(b, &pos, end, &delta) || pos >= end) {
      ADD_FAILURE() << "event cut short";
      return track;
    }
    track.endTick += delta;
    if (b[pos] & 0x80) status = b[pos++];
    if (status == 0xFF) {
      if (pos >= end) break;
      const uint8_t type = b[pos++];
      uint32_t length = 0;
      if (!ReadVariableLength(b, &pos, end, &length) || pos + length > end) {
        ADD_FAILURE() << "meta event cut short";
        return track;
      }
      if (type == 0x2F) {
        EXPECT_EQ(length, 0u);
        track.endsWithEndOfTrack = true;
      }
      if (type == 0x51 && length == 3) track.tempos.emplace_back(track.endTick, BigEndian(b, pos, 3));
      pos += length;
      status = 0;  // meta events cancel running status
    } else if (status == 0xF0 || status == 0xF7) {
      uint32_t length = 0;
      ReadVariableLength(b, &pos, end, &length);
      pos += length;
      status = 0;
    } else if (status >= 0x80) {
      const int kind = status >> 4;
      const int dataBytes = (kind == 0xC || kind == 0xD) ? 1 : 2;
      if (pos + dataBytes > end) {
        ADD_FAILURE() << "channel event cut short";
        return track;
      }
      if (kind == 0xC) track.programChanges++;
      if (kind == 0x9 && b[pos + 1] > 0) track.notesOn++;
      if (kind == 0x8 || (kind == 0x9 && b[pos + 1] == 0)) track.notesOff++;
      pos += dataBytes;
    } else {
      ADD_FAILURE() << "data byte without a status";
      return track;
    }
  }
  return track;
}

TEST(SampleSong, IsAStandardMidiFileOfWellFormedTracks) {
  const std::vector<uint8_t> midi = ReadFile(GREETING_MID);
  ASSERT_GE(midi.size(), 14u);
  EXPECT_EQ(std::string(midi.begin(), midi.begin() + 4), "MThd");
  ASSERT_EQ(BigEndian(midi, 4, 4), 6u);
  const uint32_t format = BigEndian(midi, 8, 2);
  const uint32_t trackCount = BigEndian(midi, 10, 2);
  const uint32_t division = BigEndian(midi, 12, 2);
  EXPECT_LE(format, 1u);
  if (format == 0) EXPECT_EQ(trackCount, 1u);
  ASSERT_TRUE(division > 0 && division < 0x8000) << "ticks per quarter note";

  std::vector<TrackSummary> tracks;
  size_t pos = 14;
  while (pos + 8 <= midi.size()) {
    EXPECT_EQ(std::string(midi.begin() + pos, midi.begin() + pos + 4), "MTrk");
    const size_t length = BigEndian(midi, pos + 4, 4);
    ASSERT_LE(pos + 8 + length, midi.size()) << "track chunk runs past the file";
    tracks.push_back(ReadTrack(midi, pos + 8, pos + 8 + length));
    pos += 8 + length;
  }
  EXPECT_EQ(pos, midi.size()) << "bytes after the last chunk";
  ASSERT_EQ(tracks.size(), trackCount);

  int programChanges = 0;
  int notesOn = 0;
  int notesOff = 0;
  uint32_t endTick = 0;
  std::vector<std::pair<uint32_t, uint32_t>> tempos;
  for (const TrackSummary& t : tracks) {
    EXPECT_TRUE(t.endsWithEndOfTrack);
    programChanges += t.programChanges;
    notesOn += t.notesOn;
    notesOff += t.notesOff;
    endTick = std::max(endTick, t.endTick);
    tempos.insert(tempos.end(), t.tempos.begin(), t.tempos.end());
  }
  EXPECT_GE(programChanges, 1);
  EXPECT_GE(notesOn, 16);
  EXPECT_EQ(notesOn, notesOff) << "every note should be released";

  // The playing time through the tempo map, 120 beats a minute until the first change.
  std::sort(tempos.begin(), tempos.end());
  double seconds = 0;
  uint32_t tick = 0;
  uint32_t microsPerQuarter = 500000;
  for (const auto& change : tempos) {
    seconds += static_cast<double>(change.first - tick) / division * microsPerQuarter / 1e6;
    tick = change.first;
    microsPerQuarter = change.second;
  }
  seconds += static_cast<double>(endTick - tick) / division * microsPerQuarter / 1e6;
  EXPECT_GE(seconds, 10.0);
  EXPECT_LE(seconds, 20.0);
}

TEST(PlayerIcon, HoldsA32And16PixelSixteenColourImage) {
  const std::vector<uint8_t> ico = ReadFile(PLAYER_ICON);
  ASSERT_GE(ico.size(), 6u);
  EXPECT_EQ(LittleEndian(ico, 0, 2), 0u);
  EXPECT_EQ(LittleEndian(ico, 2, 2), 1u) << "an icon, not a cursor";
  const uint32_t count = LittleEndian(ico, 4, 2);
  ASSERT_EQ(count, 2u);
  ASSERT_GE(ico.size(), 6 + 16 * count);

  std::set<int> sides;
  for (uint32_t i = 0; i < count; i++) {
    const size_t entry = 6 + 16 * i;
    const int side = ico[entry];
    SCOPED_TRACE("image of side " + std::to_string(side));
    sides.insert(side);
    EXPECT_EQ(ico[entry + 1], side);
    EXPECT_EQ(ico[entry + 2], 16) << "colour count";
    EXPECT_EQ(LittleEndian(ico, entry + 6, 2), 4u) << "bits per pixel";
    const uint32_t bytes = LittleEndian(ico, entry + 8, 4);
    const uint32_t offset = LittleEndian(ico, entry + 12, 4);
    ASSERT_LE(static_cast<size_t>(offset) + bytes, ico.size());

    // The image: a bitmap header with the doubled height, 16 palette entries, the
    // 4-bit rows and the 1-bit AND mask, rows padded to 4 bytes.
    EXPECT_EQ(LittleEndian(ico, offset, 4), 40u);
    EXPECT_EQ(static_cast<int>(LittleEndian(ico, offset + 4, 4)), side);
    EXPECT_EQ(static_cast<int>(LittleEndian(ico, offset + 8, 4)), 2 * side);
    EXPECT_EQ(LittleEndian(ico, offset + 12, 2), 1u) << "planes";
    EXPECT_EQ(LittleEndian(ico, offset + 14, 2), 4u);
    EXPECT_EQ(LittleEndian(ico, offset + 16, 4), 0u) << "uncompressed";
    const uint32_t colourStride = (side * 4 + 31) / 32 * 4;
    const uint32_t maskStride = (side + 31) / 32 * 4;
    ASSERT_EQ(bytes, 40 + 16 * 4 + colourStride * side + maskStride * side);

    // A real picture: several colours, and both opaque and transparent pixels.
    const size_t pixels = offset + 40 + 64;
    const size_t mask = pixels + colourStride * side;
    std::set<int> used;
    int transparent = 0;
    for (int y = 0; y < side; y++) {
      for (int x = 0; x < side; x++) {
        const uint8_t pair = ico[pixels + y * colourStride + x / 2];
        const bool clear = ico[mask + y * maskStride + x / 8] & (0x80 >> (x % 8));
        if (clear) {
          transparent++;
        } else {
          used.insert(x % 2 ? pair & 0x0F : pair >> 4);
        }
      }
    }
    EXPECT_GE(used.size(), 3u);
    EXPECT_GT(transparent, 0);
    EXPECT_LT(transparent, side * side / 2);
  }
  EXPECT_EQ(sides, (std::set<int>{16, 32}));
}

// Runs `generator` into a scratch folder and compares its file with `committed`.
void ExpectRegenerates(const std::string& generator, const std::string& committed, const std::string& name) {
  ScratchDir dir;
  const std::string out = dir.File(name);
  const std::string command = "'" + generator + "' '" + out + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const std::vector<uint8_t> made = ReadFile(out);
  const std::vector<uint8_t> kept = ReadFile(committed);
  EXPECT_EQ(made.size(), kept.size());
  EXPECT_TRUE(made == kept) << committed << " is not what " << generator << " makes now";
}

TEST(SampleContent, GeneratorsReproduceTheCommittedFiles) {
  ExpectRegenerates(MAKE_GREETING, GREETING_GIF, "greeting.gif");
  ExpectRegenerates(MAKE_SONG, GREETING_MID, "greeting.mid");
  ExpectRegenerates(MAKE_PLAYER_ICON, PLAYER_ICON, "app.ico");
}

TEST(SampleContent, GeneratorsRefuseAMissingOrUnwritablePath) {
  for (const char* generator : {MAKE_GREETING, MAKE_SONG, MAKE_PLAYER_ICON}) {
    const std::string bare = "'" + std::string(generator) + "' 2>/dev/null";
    EXPECT_NE(std::system(bare.c_str()), 0) << generator << " without a path";
    const std::string unwritable = "'" + std::string(generator) + "' /nonexistent-dir/out 2>/dev/null";
    EXPECT_NE(std::system(unwritable.c_str()), 0) << generator << " into a missing folder";
  }
}

}  // namespace
