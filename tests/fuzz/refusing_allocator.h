// Forced into the fuzzers' build of the player's core: the system's allocator
// refuses blocks above 16 MiB, as a 32-bit Windows process's often does.
//
// A few header bytes ask for frames of up to 2 GiB, and most mutated length
// fields for hundreds of megabytes. Natively such blocks are granted, and the
// sanitizer maps and poisons shadow memory for each on allocation and again on
// release, which would make nearly every run take tens of milliseconds. Refused
// blocks keep runs short and exercise the core's handling of a refusal.
#pragma once

#include "platform.h"

const SIZE_T kFuzzAllocationLimit = SIZE_T{16} << 20;

inline HGLOBAL RefusingGlobalAlloc(UINT flags, SIZE_T bytes) {
  return bytes > kFuzzAllocationLimit ? nullptr : GlobalAlloc(flags, bytes);
}

#define GlobalAlloc RefusingGlobalAlloc
