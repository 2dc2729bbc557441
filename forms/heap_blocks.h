// Zero-filled process-heap blocks for the framework's per-window data (records, tag texts,
// link state). All of them go through here, so a test can count what is still alive and can
// make an allocation fail on purpose.
#pragma once

#include <windows.h>

#include <cstddef>

namespace trelk {

void* allocateZeroed(size_t size);  // nullptr when the heap refuses
void freeBlock(void* block);        // accepts nullptr

// Blocks allocated and not yet freed, since the process started.
long liveHeapBlocks();

// Test seam: the next `count` allocations succeed, the one after fails, then all succeed again.
// A negative count (the default) never fails.
void failAllocationAfter(int count);

}  // namespace trelk
