// The peeker's one pseudo-random generator, seeded once at start.
#pragma once

#include <cstdint>

void SeedRandom(uint32_t seed);
// The next value, 0 to 32767.
int RandomValue();
// A value from a to b, both ends included.
int RandomInRange(int a, int b);
