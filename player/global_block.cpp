#include "global_block.h"

#include "platform.h"

void* AllocFixedBlock(int64_t size) {
  if (size <= 0 || static_cast<uint64_t>(size) > static_cast<SIZE_T>(-1)) return nullptr;
  HGLOBAL handle = GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(size));
  return handle ? GlobalLock(handle) : nullptr;
}

void FreeFixedBlock(void* block) {
  if (block == nullptr) return;
  HGLOBAL handle = GlobalHandle(block);
  GlobalUnlock(handle);
  GlobalFree(handle);
}
