#include "chime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "byte_writer.h"

namespace {

const double kPi = 3.14159265358979323846;

struct Note {
  double start;     // seconds
  double frequency;  // Hz
  double level;
  double decay;  // seconds for the level to fall to 1/e
};

// A struck-bell voice: a raised-cosine attack (a hard onset would click) and an
// exponential ring-out, with a few quiet overtones for shimmer.
double Voice(const Note& note, double t) {
  double age = t - note.start;
  if (age < 0) return 0;
  const double kAttack = 0.008;
  double envelope = age < kAttack ? 0.5 - 0.5 * std::cos(kPi * age / kAttack) : 1.0;
  envelope *= note.level * std::exp(-age / note.decay);
  double phase = 2 * kPi * note.frequency * age;
  return envelope * (std::sin(phase) + 0.28 * std::sin(2 * phase) + 0.07 * std::sin(3 * phase));
}

}  // namespace

std::string ChimeWaveFile() {
  const Note notes[] = {{0.0, 1046.5, 0.8, 0.09}, {0.12, 1568.0, 0.75, 0.12}};
  std::vector<double> sound(kChimeSamples);
  double peak = 0;
  for (int i = 0; i < kChimeSamples; ++i) {
    double t = static_cast<double>(i) / kChimeRate;
    for (const Note& note : notes) sound[i] += Voice(note, t);
    // Ease the tail to silence so the last sample does not click off.
    const double kFade = 0.05;
    double left = static_cast<double>(kChimeSamples - 1 - i) / kChimeRate;
    if (left < kFade) sound[i] *= 0.5 - 0.5 * std::cos(kPi * left / kFade);
    peak = std::max(peak, std::abs(sound[i]));
  }

  std::string out;
  out += "RIFF";
  PutU32(&out, 36 + kChimeSamples + kChimeSamples % 2);
  out += "WAVEfmt ";
  PutU32(&out, 16);
  PutU16(&out, 1);  // PCM
  PutU16(&out, 1);  // mono
  PutU32(&out, kChimeRate);
  PutU32(&out, kChimeRate);  // bytes a second
  PutU16(&out, 1);           // block align
  PutU16(&out, 8);
  out += "data";
  PutU32(&out, kChimeSamples);
  // Eight-bit PCM is unsigned, silence at 128; peaks kept well short of clipping.
  const double kLoudest = 96;
  for (double s : sound) PutU8(&out, static_cast<uint32_t>(128 + std::lround(s / peak * kLoudest)));
  if (kChimeSamples % 2) PutU8(&out, 128);
  return out;
}
