// Picks a palette for many colours: boxes of the colour cube split where the
// squared error falls most (a median cut that weighs variance), then refined by
// a few rounds of k-means over the whole histogram. Deterministic for a given
// histogram.
#pragma once

#include <cstdint>
#include <vector>

#include "colour_histogram.h"

// At most maxColours (1 to 256) colours, 0xRRGGBB, standing for `colours`.
std::vector<uint32_t> QuantizeColours(std::vector<ColourCount> colours, int maxColours);
