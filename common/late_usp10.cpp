// Uniscribe for the programs that ship, loaded from the system folder when
// first needed, for the reason WINMM is (late_winmm.cpp): USP10 is not a known
// system DLL on every Windows, and imported it could be mapped from a Downloads
// folder. Each function finds the system's export once and passes the call on,
// or fails as Uniscribe does when it cannot be loaded. The tests link the
// import library.
#include <windows.h>
#include <usp10.h>

#include "system_dlls.h"

namespace {

// Plain variables, as in late_winmm.cpp: only the window's thread draws words.
HMODULE usp10;
bool usp10Tried;

template <typename Function>
Function* Find(Function*& function, const char* name) {
  if (function != nullptr) return function;
  if (!usp10Tried) {
    usp10 = LoadSystemLibrary(L"usp10.dll");
    usp10Tried = true;
  }
  if (usp10 != nullptr) function = reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(usp10, name)));
  return function;
}

}  // namespace

HRESULT WINAPI ScriptStringAnalyse(HDC dc, const void* text, int length, int glyphs, int charset, DWORD flags,
                                   int width, SCRIPT_CONTROL* control, SCRIPT_STATE* state, const int* dx,
                                   SCRIPT_TABDEF* tabs, const BYTE* classes, SCRIPT_STRING_ANALYSIS* analysis) {
  static decltype(ScriptStringAnalyse)* analyse;
  if (!Find(analyse, "ScriptStringAnalyse")) {
    *analysis = nullptr;
    return E_FAIL;
  }
  return analyse(dc, text, length, glyphs, charset, flags, width, control, state, dx, tabs, classes, analysis);
}

HRESULT WINAPI ScriptStringFree(SCRIPT_STRING_ANALYSIS* analysis) {
  static decltype(ScriptStringFree)* free;
  return Find(free, "ScriptStringFree") ? free(analysis) : E_FAIL;
}

const SIZE* WINAPI ScriptString_pSize(SCRIPT_STRING_ANALYSIS analysis) {
  static decltype(ScriptString_pSize)* size;
  return Find(size, "ScriptString_pSize") ? size(analysis) : nullptr;
}

const SCRIPT_LOGATTR* WINAPI ScriptString_pLogAttr(SCRIPT_STRING_ANALYSIS analysis) {
  static decltype(ScriptString_pLogAttr)* attributes;
  return Find(attributes, "ScriptString_pLogAttr") ? attributes(analysis) : nullptr;
}

HRESULT WINAPI ScriptStringGetLogicalWidths(SCRIPT_STRING_ANALYSIS analysis, int* widths) {
  static decltype(ScriptStringGetLogicalWidths)* get;
  return Find(get, "ScriptStringGetLogicalWidths") ? get(analysis, widths) : E_FAIL;
}

HRESULT WINAPI ScriptStringOut(SCRIPT_STRING_ANALYSIS analysis, int x, int y, UINT options, const RECT* clip,
                               int selectionStart, int selectionEnd, BOOL disabled) {
  static decltype(ScriptStringOut)* out;
  return Find(out, "ScriptStringOut") ? out(analysis, x, y, options, clip, selectionStart, selectionEnd, disabled)
                                      : E_FAIL;
}
