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

std::string SendingNote(bool web, int64_t bytes) {
  if (!web) {
    return "Mail services refuse .exe attachments, even in a .zip: send it by a link or a chat, or save it for the "
           "web to send by mail.";
  }
  // Mail carries attachments in base64: four bytes for every three.
  const int64_t inMail = (bytes + 2) / 3 * 4;
  const int64_t kMegabyte = 1000 * 1000;
  const int64_t limits[] = {10, 20, 25};  // MB, the common attachment limits, smallest first
  char size[32];
  std::snprintf(size, sizeof size, "%.1f MB", static_cast<double>(inMail) / kMegabyte);
  std::string note = std::string("In mail it takes ") + size + " (a third more than the file): ";
  if (inMail <= limits[0] * kMegabyte) return note + "within the common attachment limits of 10, 20 and 25 MB.";
  if (inMail <= limits[1] * kMegabyte) return note + "over a limit of 10 MB, within those of 20 and 25 MB.";
  if (inMail <= limits[2] * kMegabyte) return note + "over the limits of 10 and 20 MB, within one of 25 MB.";
  return note + "over every common attachment limit (25 MB): share it by a link instead.";
}
