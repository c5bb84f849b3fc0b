#include "greeting_summary.h"

#include <cstdio>

#include "frame_step.h"

namespace {

// One loop as the player times it: every frame stays its delay, a delay of 0
// or 1 as long as web browsers show it. A single frame never moves.
int64_t LoopMilliseconds(const GifAnimation& animation) {
  int64_t total = 0;
  for (int32_t i = 0; i < animation.frameCount; i++) total += FrameStayMs(animation.frames[i]->delay);
  return total;
}

std::string Plural(int64_t count, const char* one, const char* many) {
  return Grouped(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string Grouped(int64_t count) {
  std::string digits = std::to_string(count);
  for (int at = static_cast<int>(digits.size()) - 3; at > (digits[0] == '-' ? 1 : 0); at -= 3) {
    digits.insert(static_cast<size_t>(at), ",");
  }
  return digits;
}

std::string DescribeAnimation(const AnimationLoad& load, int shownPercent) {
  const GifAnimation& animation = load.animation.gif;
  const bool flattened = load.need.needed;
  const int64_t frames = flattened ? load.flattening.frames : animation.frameCount;
  std::string text = Plural(frames, "frame", "frames") + ", " + std::to_string(animation.width) + " x " +
                     std::to_string(animation.height) + " pixels, ";
  if (animation.frameCount < 2) {
    text += "a still picture";
  } else {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", static_cast<double>(LoopMilliseconds(animation)) / 1000);
    text += std::string("one loop lasts ") + seconds + " seconds";
  }

  text += "\r\nColours: ";
  if (!flattened) {
    text += "exact";
  } else if (load.flattening.exact) {
    text += "exact, " + Plural(load.flattening.sourceColours, "colour", "colours");
  } else {
    char error[32];
    std::snprintf(error, sizeof error, "%.1f", load.flattening.meanError);
    text += Grouped(load.flattening.sourceColours) + " colours reduced to " +
            Grouped(load.flattening.paletteColours) + ", mean error " + error +
            (load.dither ? ", dithered" : "");
  }

  if (!flattened) {
    text += "\r\nPlays as it is: the file goes into the greeting unchanged";
  } else {
    text += "\r\nMade playable: ";
    for (size_t i = 0; i < load.need.cures.size(); i++) text += (i == 0 ? "" : "; ") + load.need.cures[i];
  }
  if (shownPercent < 100) {
    text += "\r\nShown at " + std::to_string(shownPercent) +
            "% to fit the screen; the greeting shows it at full size";
  }
  for (const std::string& note : load.notes) text += "\r\nNote: " + note;
  return text;
}
