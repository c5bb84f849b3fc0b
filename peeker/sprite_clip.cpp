#include "sprite_clip.h"

#include <mmsystem.h>

#include "frame_shape.h"
#include "peeker_globals.h"
#include "resource.h"

namespace {

const COLORREF kKeyGreen = RGB(0, 255, 0);
const int kCharacterFrames = 4;
// A wave resource of the module, played asynchronously without cutting short a
// sound already playing.
const DWORD kClipSoundFlags = SND_RESOURCE | SND_ASYNC | SND_NOSTOP;

}  // namespace

SpriteClip::~SpriteClip() {
  // Steps point into the frame list: they go first.
  backdrop.Reset();
  shapes.Clear();
  steps.Clear();
  sounds.Clear();
  scaledFrames.Clear();
  frames.Clear();
}

void SpriteClip::LoadFrames(UINT firstId, int count) {
  for (int i = 0; i < count; i++) frames.AppendEmpty();
  for (int i = 0; i < count; i++) frames.At(i)->LoadFromResource(g_instance, firstId + i);
}

void SpriteClip::AddStep(GdiBitmap* frame, COLORREF keyColour, int duration) {
  steps.Append(ClipStep{frame, keyColour, duration});
  shapes.AppendEmpty();
  if (GdiRegion* shape = shapes.At(shapes.Count() - 1)) shape->Reset(FrameShape(*frame, keyColour));
}

void SpriteClip::SetScale(int newScale) {
  if (newScale < 1) newScale = 1;
  if (newScale == scale) return;
  scale = newScale;
  scaledFrames.Clear();
  if (scale > 1) {
    for (int i = 0; i < frames.Count(); i++) scaledFrames.AppendEmpty();
    for (int i = 0; i < scaledFrames.Count(); i++) scaledFrames.At(i)->CreateScaled(*frames.At(i), scale);
  }
  for (int i = 0; i < steps.Count(); i++) {
    if (GdiRegion* shape = shapes.At(i)) shape->Reset(FrameShape(*ShownFrame(steps.At(i)), steps.At(i)->keyColour));
  }
  shapedFrame = nullptr;
}

const GdiBitmap* SpriteClip::ShownFrame(const ClipStep* step) const {
  if (scale == 1) return step->frame;
  for (int i = 0; i < frames.Count(); i++) {
    const GdiBitmap* scaled = scaledFrames.At(i);
    if (frames.At(i) == step->frame && scaled != nullptr && *scaled != nullptr) return scaled;
  }
  return step->frame;
}

void SpriteClip::PlaceWindow(HWND hwnd, int x, int y, HWND insertAfter) {
  ClipStep* step = steps.At(currentStep);
  if (step == nullptr) return;
  const GdiBitmap* frame = ShownFrame(step);
  SaveBackdrop(ScreenRect{x, y, frame->Width(), frame->Height()});
  GdiRegion* shape = shapes.At(currentStep);
  if (shape != nullptr && *shape != nullptr && frame != shapedFrame) {
    // The window keeps the region it is given: it gets a copy.
    if (SetWindowRgn(hwnd, CopyRegion(*shape), FALSE)) shapedFrame = frame;
  }
  InvalidateRgn(hwnd, nullptr, TRUE);
  SetWindowPos(hwnd, insertAfter, x, y, frame->Width(), frame->Height(), SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

int SpriteClip::CurrentDuration() const {
  ClipStep* step = steps.At(currentStep);
  return step ? step->duration : 0;
}

void SpriteClip::PlayClipSound(int index) {
  if (!soundOn || index < 0 || index >= sounds.Count()) return;
  PlaySoundByOrdinal(MAKEINTRESOURCEA(*sounds.At(index)), GetModuleHandleA(nullptr), kClipSoundFlags);
}

CharacterClip::CharacterClip() {
  LoadFrames(IDB_FRAME_FIRST, kCharacterFrames);
  // The open look, two in-betweens, the held pose, and back.
  const struct {
    int frame;
    int duration;
  } sequence[] = {{3, 4000}, {2, 100}, {1, 100}, {0, 2000}, {1, 100}, {2, 100}};
  for (const auto& step : sequence) AddStep(frames.At(step.frame), kKeyGreen, step.duration);
}
