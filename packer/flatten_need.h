// Whether a GIF must be flattened before the player can show it as a web
// browser does, and what flattening does about it in words for the people who
// make greetings. A program that flattens on its own, without asking, flattens
// exactly the GIFs the packer's checks refuse or warn about with a code that
// --flatten cures, so that every other GIF goes into the greeting byte for byte.
#pragma once

#include <string>
#include <vector>

#include "verdict.h"

struct FlattenNeed {
  bool needed = false;
  // One phrase per reason, such as "transparency and disposal rendered as a
  // web browser shows them"; empty when not needed.
  std::vector<std::string> cures;
};

// `asIs` is CheckAnimation's verdict on a GIF as it is, not flattened.
FlattenNeed FindFlattenNeed(const Verdict& asIs);
