// What the window says about an animation made ready for a greeting, in plain
// words: frames, size and the length of one loop; its colours; what was done to
// make it playable; and how it is shown.
#pragma once

#include <cstdint>
#include <string>

#include "greeting_job.h"

// One line per fact. `shownPercent` is below 100 when the preview is scaled down.
std::string DescribeAnimation(const AnimationLoad& load, int shownPercent);

// "1,717": a count with its thousands grouped.
std::string Grouped(int64_t count);

// How a greeting saved goes to its people: a .exe by a link or a chat, since
// mail services refuse .exe attachments; a web page of `bytes` by mail, as far
// as it fits the common attachment limits once mail has encoded it.
std::string SendingNote(bool web, int64_t bytes);
