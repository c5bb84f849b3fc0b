// The shape of a frame: the pixels that are not its key colour, as a region the
// character's window takes, so that clicks beside the character reach what lies
// below and nothing but the character can ever show.
#pragma once

#include <windows.h>

// The region of `frame`'s pixels that differ from `key`, in the frame's own
// coordinates; null when the frame cannot be read.
HRGN FrameShape(HBITMAP frame, COLORREF key);
