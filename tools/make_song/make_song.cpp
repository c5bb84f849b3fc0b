// make-song OUT.mid: writes the player's sample song, the first eight bars of
// the "Ode to Joy" theme on a music box over a plucked bass, as a format 1
// Standard MIDI File.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "whole_file.h"

namespace {

const int kTicksPerQuarter = 480;
const int kBeatsPerMinute = 120;
const int kMelodyChannel = 0;
const int kBassChannel = 1;
// General MIDI programs, counted from 0.
const int kMusicBox = 10;
const int kPizzicatoStrings = 45;

// Note numbers of the octave the tune sits in.
const int kC4 = 60, kD4 = 62, kE4 = 64, kF4 = 65, kG4 = 67;
const int kC3 = 48, kE3 = 52, kG2 = 43, kB2 = 47;

struct Note {
  int pitch;
  int beats2;  // length in half beats, so the dotted quarter fits
};

// The theme, bars one to eight.
const Note kMelody[] = {
    {kE4, 2}, {kE4, 2}, {kF4, 2}, {kG4, 2},  {kG4, 2}, {kF4, 2}, {kE4, 2}, {kD4, 2},
    {kC4, 2}, {kC4, 2}, {kD4, 2}, {kE4, 2},  {kE4, 3}, {kD4, 1}, {kD4, 4},
    {kE4, 2}, {kE4, 2}, {kF4, 2}, {kG4, 2},  {kG4, 2}, {kF4, 2}, {kE4, 2}, {kD4, 2},
    {kC4, 2}, {kC4, 2}, {kD4, 2}, {kE4, 2},  {kD4, 3}, {kC4, 1}, {kC4, 4},
};

// Root and fifth on the first and third beats, following the tonic and
// dominant changes under the tune.
const Note kBass[] = {
    {kC3, 4}, {kG2, 4}, {kG2, 4}, {kB2, 4}, {kC3, 4}, {kE3, 4}, {kC3, 4}, {kG2, 4},
    {kC3, 4}, {kG2, 4}, {kG2, 4}, {kB2, 4}, {kC3, 4}, {kE3, 4}, {kG2, 4}, {kC3, 4},
};

// Collects one track's events with running delta times.
class TrackWriter {
 public:
  void Event(int delta, std::initializer_list<uint8_t> bytes) {
    PutVariableLength(delta);
    data_.insert(data_.end(), bytes.begin(), bytes.end());
  }

  void Meta(int delta, uint8_t type, const std::vector<uint8_t>& payload) {
    PutVariableLength(delta);
    data_.push_back(0xFF);
    data_.push_back(type);
    PutVariableLength(static_cast<int>(payload.size()));
    data_.insert(data_.end(), payload.begin(), payload.end());
  }

  void Text(int delta, uint8_t type, const std::string& text) { Meta(delta, type, {text.begin(), text.end()}); }

  // Plays `notes` back to back; each sounds for all but a short gap of its length.
  void Notes(int channel, const Note* notes, size_t count, int velocity) {
    const int halfBeat = kTicksPerQuarter / 2;
    int pending = 0;
    for (size_t i = 0; i < count; i++) {
      const int length = notes[i].beats2 * halfBeat;
      const int gap = length / 8;
      const uint8_t pitch = static_cast<uint8_t>(notes[i].pitch);
      Event(pending, {static_cast<uint8_t>(0x90 | channel), pitch, static_cast<uint8_t>(velocity)});
      Event(length - gap, {static_cast<uint8_t>(0x80 | channel), pitch, 64});
      pending = gap;
    }
  }

  void End(int delta) { Meta(delta, 0x2F, {}); }

  // The chunk: "MTrk", its length and the events.
  void AppendChunk(std::vector<uint8_t>* out) const {
    out->insert(out->end(), {'M', 'T', 'r', 'k'});
    PutBigEndianU32(out, static_cast<uint32_t>(data_.size()));
    out->insert(out->end(), data_.begin(), data_.end());
  }

  static void PutBigEndianU32(std::vector<uint8_t>* out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<uint8_t>(value >> shift));
  }

 private:
  void PutVariableLength(int value) {
    uint8_t groups[5];
    int count = 0;
    uint32_t v = static_cast<uint32_t>(value);
    do {
      groups[count++] = static_cast<uint8_t>(v & 0x7F);
      v >>= 7;
    } while (v != 0);
    while (count > 1) data_.push_back(static_cast<uint8_t>(groups[--count] | 0x80));
    data_.push_back(groups[0]);
  }

  std::vector<uint8_t> data_;
};

std::vector<uint8_t> MakeSong() {
  TrackWriter conductor;
  conductor.Text(0, 0x03, "Happy Day");
  const uint32_t microsPerQuarter = 60000000u / kBeatsPerMinute;
  conductor.Meta(0, 0x51,
                 {static_cast<uint8_t>(microsPerQuarter >> 16), static_cast<uint8_t>(microsPerQuarter >> 8),
                  static_cast<uint8_t>(microsPerQuarter)});
  conductor.Meta(0, 0x58, {4, 2, 24, 8});  // 4/4
  conductor.End(0);

  // A rest of one beat before the tune lets the synthesizer settle its program.
  const int lead = kTicksPerQuarter;
  TrackWriter melody;
  melody.Text(0, 0x03, "Melody");
  melody.Event(0, {static_cast<uint8_t>(0xC0 | kMelodyChannel), kMusicBox});
  melody.Event(0, {static_cast<uint8_t>(0xB0 | kMelodyChannel), 7, 110});  // channel volume
  melody.Event(lead, {static_cast<uint8_t>(0xB0 | kMelodyChannel), 10, 64});  // centre pan
  melody.Notes(kMelodyChannel, kMelody, sizeof kMelody / sizeof kMelody[0], 96);
  melody.End(kTicksPerQuarter / 4);

  TrackWriter bass;
  bass.Text(0, 0x03, "Bass");
  bass.Event(0, {static_cast<uint8_t>(0xC0 | kBassChannel), kPizzicatoStrings});
  bass.Event(0, {static_cast<uint8_t>(0xB0 | kBassChannel), 7, 90});
  bass.Event(lead, {static_cast<uint8_t>(0xB0 | kBassChannel), 10, 52});
  bass.Notes(kBassChannel, kBass, sizeof kBass / sizeof kBass[0], 72);
  bass.End(kTicksPerQuarter / 4);

  std::vector<uint8_t> song = {'M', 'T', 'h', 'd'};
  TrackWriter::PutBigEndianU32(&song, 6);
  song.insert(song.end(), {0, 1, 0, 3});  // format 1, three tracks
  song.push_back(static_cast<uint8_t>(kTicksPerQuarter >> 8));
  song.push_back(static_cast<uint8_t>(kTicksPerQuarter & 0xFF));
  conductor.AppendChunk(&song);
  melody.AppendChunk(&song);
  bass.AppendChunk(&song);
  return song;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-song OUT.mid\n");
    return 2;
  }
  if (!WriteWholeFile(argv[1], MakeSong())) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
