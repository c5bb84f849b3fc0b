// The peeker's creature: a round violet fellow with two glowing antennae who
// hooks his paws over the window's edge and looks at you.
#pragma once

#include "indexed_image.h"

struct CreaturePose {
  // 0 is wide open; 1 is shut (drawn as a contented curve, not a lid).
  double eyelid;
};

const int kFrameWidth = 204;
const int kFrameHeight = 122;

// One 204 x 122 frame. The bottom rows are the window's edge: the paws grip it
// and the rest of him is hidden behind it. Pure green wherever he is not.
IndexedImage DrawPeekingCreature(const CreaturePose& pose);

// His face alone for the icon, 32 x 32 (and `scale` times that, for displays
// of 200% and more) and 16 x 16, in a 16-colour palette whose entry 0 (black)
// marks the see-through pixels. The small one is drawn pixel by pixel: at 16
// pixels shapes no longer resolve into a face; the large one's eyes and mouth
// are pixel patterns too, each of their pixels a square at the larger sizes.
IndexedImage DrawLargeIcon(int scale = 1);
IndexedImage DrawSmallIcon();
