// The colours the peeker's pictures share, and the blend between two colours
// that their gradients and soft edges are made of.
#pragma once

#include <cmath>
#include <cstdint>

#include "rgb.h"

// The peeker's window keys this colour out, so it may stand only for "nothing here".
constexpr Rgb kKeyGreen{0, 255, 0};
constexpr Rgb kWhite{255, 255, 255};

// `amount` 0 gives `from`, 1 gives `to`.
inline Rgb Mix(Rgb from, Rgb to, double amount) {
  auto channel = [amount](uint8_t a, uint8_t b) { return static_cast<uint8_t>(std::lround(a + (b - a) * amount)); };
  return {channel(from.red, to.red), channel(from.green, to.green), channel(from.blue, to.blue)};
}
