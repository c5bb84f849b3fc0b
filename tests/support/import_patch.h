// Points one slot of this program's own import table at a stand-in for the life
// of the object. Code linked into a test calls system functions through that
// table, so the stand-in sees each call (and may pass it on to the original):
// how the tests observe the sounds and timers a program asks for.
#pragma once

#include <windows.h>

class ImportPatch {
 public:
  // The import of `name` from `dll`.
  ImportPatch(const char* dll, const char* name, void* standIn);
  // The import of `dll`'s export number `ordinal`.
  ImportPatch(const char* dll, WORD ordinal, void* standIn);
  ~ImportPatch();
  ImportPatch(const ImportPatch&) = delete;
  ImportPatch& operator=(const ImportPatch&) = delete;

  // False when the program has no such import: nothing was patched.
  bool Installed() const { return slot_ != nullptr; }
  // What the slot held: the system's function.
  void* original() const { return original_; }

 private:
  void Install(void* standIn);
  void Write(void* value);
  void** slot_ = nullptr;
  void* original_ = nullptr;
};
