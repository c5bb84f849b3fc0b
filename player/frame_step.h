// One step of the animation as the player shows it, for the player and for
// everything that shows what the player will show: the next frame laid
// opaquely onto the canvas, which is never cleared, and how long it stays.
#pragma once

#include <cstdint>

#include "gif_parser.h"

// GIF delays count hundredths of a second.
const uint32_t kMsPerDelayUnit = 10;
// The resolution asked of the multimedia timer for the whole run.
const uint32_t kTimerResolutionMs = 10;
// Web browsers show a frame of a delay below 2 hundredths (0 or 1) for 100 ms,
// and so does the player: a GIF paced for the web keeps its pace, and a delay
// of 0, which the timer refuses, never stops the animation.
const int32_t kBrowsersShortestDelay = 2;
const uint32_t kShortDelayStayMs = 100;

struct FrameStep {
  // The frame shown, with its pixels; null when it has none, and the
  // animation stops on the canvas as it is.
  const IndexedBitmap* frame;
  // The part of the canvas it covered: its rectangle, clipped to the canvas.
  RECT changed;
  // How long it stays, in milliseconds: FrameStayMs of its delay.
  uint32_t stayMs;
};

// Moves *frameIndex on to the next frame (after the last, the first) and lays
// that frame onto `canvas`.
FrameStep StepFrame(const GifAnimation& animation, IndexedBitmap* canvas, int32_t* frameIndex);

// How long a frame of `delay` hundredths stays on the screen: its delay, or
// kShortDelayStayMs for a delay below kBrowsersShortestDelay.
uint32_t FrameStayMs(int32_t delay);
