#include "sequencer.h"

namespace {

MCIERROR Open(const wchar_t* path, MCIDEVICEID* device) {
  MCI_OPEN_PARMSW open = {};
  open.lpstrDeviceType = L"sequencer";
  open.lpstrElementName = path;
  const MCIERROR error =
      mciSendCommandW(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, reinterpret_cast<DWORD_PTR>(&open));
  if (error == 0) *device = open.wDeviceID;
  return error;
}

}  // namespace

MCIERROR OpenSequencer(const wchar_t* path, MCIDEVICEID* device) {
  const MCIERROR error = Open(path, device);
  if (error == 0) return 0;
  wchar_t shortPath[MAX_PATH];
  const DWORD length = GetShortPathNameW(path, shortPath, MAX_PATH);
  if (length == 0 || length >= MAX_PATH || lstrcmpW(shortPath, path) == 0) return error;
  return Open(shortPath, device) == 0 ? 0 : error;
}
