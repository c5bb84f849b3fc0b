// The player's entry point: finds the song and the animation appended to its own
// file, plays them in the window, and releases everything at exit.
#include <windows.h>
#include <mmsystem.h>

#include "frame_step.h"
#include "gif_parser.h"
#include "indexed_bitmap_draw.h"
#include "payload_locator.h"
#include "player_globals.h"
#include "player_window.h"
#include "system_dlls.h"
#include "words_section.h"

namespace {

// Loads the animation section, builds the palette and the canvas. True when all
// are ready; on failure the payload file may stay open for the exit sequence.
bool LoadAnimation(const PathChar* path, const char* marker) {
  int32_t length = FindSection(path, marker);
  if (length <= 0) return false;
  SectionBlock block(length);
  if (!ReadSection(&block.reader)) return false;
  ParseGif(&animation, &block.reader);
  if (animation.colourCount == 0) return false;
  appPalette = CreateAnimationPalette(animation);
  CreateIndexedBitmap(&canvas, animation.width, animation.height);
  ClearIndexedBitmap(&canvas);
  ClosePayloadFile();
  return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  KeepDllSearchToSystemFolder();
  appInstance = instance;
  GetModuleFileNameW(instance, pathBuffer, kPathBufferSize);
  ExtractMusic(pathBuffer, MIDI_SECTION_MARKER);
  // Each scan uses the path's buffer.
  GetModuleFileNameW(instance, pathBuffer, kPathBufferSize);
  senderWordsLength = ReadWords(pathBuffer, senderWords, kMaxWordsUnits);
  GetModuleFileNameW(instance, pathBuffer, kPathBufferSize);
  timeBeginPeriod(kTimerResolutionMs);

  int exitCode = 0;
  if (LoadAnimation(pathBuffer, GIF_SECTION_MARKER) && RegisterPlayerClass(instance) &&
      CreatePlayerWindow(instance, showCommand)) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    exitCode = static_cast<int>(message.wParam);
  }

  ClosePayloadFile();
  KillFrameTimer();
  timeEndPeriod(kTimerResolutionMs);
  FreeGifAnimation(&animation);
  ReleaseWordsFont();
  if (appPalette != nullptr) {
    DeleteObject(appPalette);
    appPalette = nullptr;
  }
  // File > Exit leaves the song playing; the sequencer must let go of the file
  // before it can be deleted.
  StopMusic();
  DeleteMusicFile();
  return exitCode;
}
