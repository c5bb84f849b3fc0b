#include "frame_step.h"

uint32_t FrameStayMs(int32_t delay) {
  if (delay < kBrowsersShortestDelay) return kShortDelayStayMs;
  return static_cast<uint32_t>(delay) * kMsPerDelayUnit;
}

FrameStep StepFrame(const GifAnimation& animation, IndexedBitmap* canvas, int32_t* frameIndex) {
  FrameStep step = {nullptr, {0, 0, 0, 0}, 0};
  if (++*frameIndex >= animation.frameCount) *frameIndex = 0;
  if (animation.frameCount == 0 || animation.frames == nullptr || animation.frames[*frameIndex] == nullptr)
    return step;
  GifFrame* frame = animation.frames[*frameIndex];
  step.frame = GetFrameRect(frame, &step.changed);
  if (step.frame == nullptr) return step;
  CompositeBitmap(canvas, step.frame, &step.changed, 0, 0, kNoTransparentIndex);
  step.stayMs = FrameStayMs(frame->delay);
  return step;
}
