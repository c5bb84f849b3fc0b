#include "support/import_patch.h"

#include <cstring>

namespace {

// The slot of the first import from `dll` that `matches` accepts, or null.
template <typename Matches>
void** FindImport(const char* dll, Matches matches) {
  BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name != 0; d++) {
    if (lstrcmpiA(reinterpret_cast<char*>(base + d->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.Ordinal != 0; names++, slots++)
      if (matches(base, names->u1)) return reinterpret_cast<void**>(&slots->u1.Function);
  }
  return nullptr;
}

}  // namespace

ImportPatch::ImportPatch(const char* dll, const char* name, void* standIn) {
  slot_ = FindImport(dll, [&](BYTE* base, const decltype(IMAGE_THUNK_DATA::u1)& entry) {
    if (IMAGE_SNAP_BY_ORDINAL(entry.Ordinal)) return false;
    const auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + entry.AddressOfData);
    return std::strcmp(reinterpret_cast<const char*>(byName->Name), name) == 0;
  });
  Install(standIn);
}

ImportPatch::ImportPatch(const char* dll, WORD ordinal, void* standIn) {
  slot_ = FindImport(dll, [&](BYTE*, const decltype(IMAGE_THUNK_DATA::u1)& entry) {
    return IMAGE_SNAP_BY_ORDINAL(entry.Ordinal) && IMAGE_ORDINAL(entry.Ordinal) == ordinal;
  });
  Install(standIn);
}

ImportPatch::~ImportPatch() { Write(original_); }

void ImportPatch::Install(void* standIn) {
  if (slot_ == nullptr) return;
  original_ = *slot_;
  Write(standIn);
}

void ImportPatch::Write(void* value) {
  if (slot_ == nullptr) return;
  DWORD protection;
  VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &protection);
  *slot_ = value;
  VirtualProtect(slot_, sizeof *slot_, protection, &protection);
}
