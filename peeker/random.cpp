#include "random.h"

namespace {
uint32_t state;
}

void SeedRandom(uint32_t seed) { state = seed; }

int RandomValue() {
  state = state * 214013u + 2531011u;
  return static_cast<int>((state >> 16) & 0x7FFF);
}

int RandomInRange(int a, int b) {
  // Nothing to choose from: a desktop narrower than the character asks for
  // [0, -1]. The span would be 0, and the division would end the program.
  if (b < a) return a;
  // Unsigned, so that no range overflows; only the whole 32-bit range wraps to 0.
  uint32_t span = static_cast<uint32_t>(b) - static_cast<uint32_t>(a) + 1u;
  uint32_t value = static_cast<uint32_t>(RandomValue());
  // One draw gives only 15 bits; a wider range (the pause between peeks spans
  // 60001 values) takes a second draw so that its whole range can come up.
  if (span == 0 || span > 32768) value = value << 15 | static_cast<uint32_t>(RandomValue());
  if (span != 0) value %= span;
  return static_cast<int>(static_cast<uint32_t>(a) + value);
}
