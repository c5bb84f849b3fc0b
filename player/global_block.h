// Fixed blocks from the system's global allocator: allocated and locked at once,
// not cleared, and returned through the handle that GlobalHandle gives for them.
#pragma once

#include <cstdint>

// A block of `size` bytes, or null when size is not positive or the allocator refuses.
void* AllocFixedBlock(int64_t size);

// Returns a block from AllocFixedBlock; null is ignored.
void FreeFixedBlock(void* block);
