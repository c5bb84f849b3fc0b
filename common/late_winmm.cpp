// WINMM for the programs that ship, loaded from the system folder when first
// needed. WINMM is not a known system DLL: imported, it would be mapped from
// the program's own folder before the program's first line runs. These
// functions take the place of the import library's: each finds the system's
// function once and passes the call on, or fails as WINMM does when it cannot
// be loaded. The tests link the import library instead, so that their patches
// of the import table see every call.
#include <windows.h>
#include <mmsystem.h>

#include "system_dlls.h"

namespace {

// Found on first use and kept. Plain variables, not statics initialised on
// first use: those would bring the C++ runtime's thread-safe guards, larger
// than all of this. WINMM is called from the window's thread alone.
HMODULE winmm;
bool winmmTried;

// The export `name` (a name, or an ordinal as MAKEINTRESOURCE) of the system's
// WINMM, kept in `function`; null when WINMM or the export cannot be found.
template <typename Function>
Function* Find(Function*& function, const char* name) {
  if (function != nullptr) return function;
  if (!winmmTried) {
    winmm = LoadSystemLibrary(L"winmm.dll");
    winmmTried = true;
  }
  if (winmm != nullptr) function = reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(winmm, name)));
  return function;
}

// The peeker's sound player: WINMM's export number 2.
const WORD kSoundPlayerOrdinal = 2;

}  // namespace

extern "C" BOOL WINAPI PlaySoundByOrdinal(LPCSTR sound, HMODULE module, DWORD flags) {
  static decltype(PlaySoundByOrdinal)* play;
  return Find(play, MAKEINTRESOURCEA(kSoundPlayerOrdinal)) ? play(sound, module, flags) : FALSE;
}

MMRESULT WINAPI timeBeginPeriod(UINT period) {
  static decltype(timeBeginPeriod)* begin;
  return Find(begin, "timeBeginPeriod") ? begin(period) : TIMERR_NOCANDO;
}

MMRESULT WINAPI timeEndPeriod(UINT period) {
  static decltype(timeEndPeriod)* end;
  return Find(end, "timeEndPeriod") ? end(period) : TIMERR_NOCANDO;
}

MMRESULT WINAPI timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT event) {
  static decltype(timeSetEvent)* set;
  return Find(set, "timeSetEvent") ? set(delay, resolution, callback, user, event) : 0;
}

MMRESULT WINAPI timeKillEvent(UINT timer) {
  static decltype(timeKillEvent)* kill;
  return Find(kill, "timeKillEvent") ? kill(timer) : MMSYSERR_INVALPARAM;
}

MCIERROR WINAPI mciSendCommandA(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parameters) {
  static decltype(mciSendCommandA)* send;
  return Find(send, "mciSendCommandA") ? send(device, message, flags, parameters) : MCIERR_CANNOT_LOAD_DRIVER;
}

MCIERROR WINAPI mciSendCommandW(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parameters) {
  static decltype(mciSendCommandW)* send;
  return Find(send, "mciSendCommandW") ? send(device, message, flags, parameters) : MCIERR_CANNOT_LOAD_DRIVER;
}

BOOL WINAPI mciGetErrorStringW(MCIERROR error, LPWSTR text, UINT size) {
  static decltype(mciGetErrorStringW)* describe;
  return Find(describe, "mciGetErrorStringW") ? describe(error, text, size) : FALSE;
}
