// The player's entry point: finds the song and the animation appended to its own
// file, plays them in the window, and releases everything at exit.
#include <windows.h>
#include <mmsystem.h>

#include "gif_parser.h"
#include "payload_locator.h"
#include "player_globals.h"
#include "player_window.h"
#include "system_dlls.h"

namespace {

const UINT kTimerPeriodMs = 10;
// The only version a LOGPALETTE has.
const WORD kLogPaletteVersion = 0x300;
// The largest colour table a GIF can declare.
const int kMaxColours = 256;

// Loads the animation section, builds the palette and the canvas. True when all
// are ready; on failure the payload file may stay open for the exit sequence.
bool LoadAnimation(const PathChar* path, const char* marker) {
  int32_t length = FindSection(path, marker);
  if (length <= 0) return false;
  SectionBlock block(length);
  if (!ReadSection(&block.reader)) return false;
  ParseGif(&animation, &block.reader);
  if (animation.colourCount == 0) return false;

  struct {
    WORD version;
    WORD count;
    PALETTEENTRY entries[kMaxColours];
  } palette;
  palette.version = kLogPaletteVersion;
  palette.count = static_cast<WORD>(animation.colourCount);
  for (int32_t i = 0; i < animation.colourCount; i++) {
    uint32_t colour = animation.colours[i];
    palette.entries[i] = PALETTEENTRY{static_cast<BYTE>(colour), static_cast<BYTE>(colour >> 8),
                                      static_cast<BYTE>(colour >> 16), 0};
  }
  appPalette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&palette));
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
  // The scan used the path's buffer.
  GetModuleFileNameW(instance, pathBuffer, kPathBufferSize);
  timeBeginPeriod(kTimerPeriodMs);

  int exitCode = 0;
  if (LoadAnimation(pathBuffer, GIF_SECTION_MARKER) && RegisterPlayerClass(instance) &&
      CreatePlayerWindow(instance, showCommand)) {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    exitCode = static_cast<int>(message.wParam);
  }

  ClosePayloadFile();
  KillFrameTimer();
  timeEndPeriod(kTimerPeriodMs);
  FreeGifAnimation(&animation);
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
