// The sample greeting's picture: a smiling sun over green hills, drifting
// clouds, twinkling sparkles and "HAPPY DAY!" bouncing letter by letter. Every
// motion completes a whole number of cycles per loop, so the animation repeats
// without a jump.
#pragma once

#include <cstdint>
#include <vector>

const int kGreetingWidth = 360;
const int kGreetingHeight = 240;
const int kGreetingFrames = 16;

// Frame `frame` (0 to kGreetingFrames - 1) as 0xRRGGBB pixels, rows from the top.
std::vector<uint32_t> DrawGreetingFrame(int frame);
