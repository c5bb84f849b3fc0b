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
  uint32_t span = static_cast<uint32_t>(b - a) + 1;
  uint32_t value = static_cast<uint32_t>(RandomValue());
  // One draw gives only 15 bits; a wider range (the pause between peeks spans
  // 60001 values) takes a second draw so that its whole range can come up.
  if (span > 32768) value = value << 15 | static_cast<uint32_t>(RandomValue());
  return a + static_cast<int>(value % span);
}
