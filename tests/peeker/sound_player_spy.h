// Records every call of the peeker's sound player (WINMM ordinal 2) instead of
// playing, for the life of the object.
#pragma once

#include <windows.h>

#include <vector>

#include "support/import_patch.h"

class SoundPlayerSpy {
 public:
  struct Call {
    LPCSTR sound;
    HMODULE module;
    DWORD flags;
  };

  SoundPlayerSpy() : patch_("WINMM.dll", WORD{2}, reinterpret_cast<void*>(&Record)) { calls.clear(); }

  bool Installed() const { return patch_.Installed(); }

  static inline std::vector<Call> calls;

 private:
  static BOOL WINAPI Record(LPCSTR sound, HMODULE module, DWORD flags) {
    calls.push_back(Call{sound, module, flags});
    return TRUE;
  }

  ImportPatch patch_;
};
