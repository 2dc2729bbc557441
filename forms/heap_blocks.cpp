#include "forms/heap_blocks.h"

namespace trelk {

namespace {
long liveBlocks = 0;
int allocationsBeforeFailure = -1;
}  // namespace

void* allocateZeroed(size_t size) {
    if (allocationsBeforeFailure == 0) {
        allocationsBeforeFailure = -1;
        return nullptr;
    }
    if (allocationsBeforeFailure > 0) --allocationsBeforeFailure;
    void* block = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
    if (block) ++liveBlocks;
    return block;
}

void freeBlock(void* block) {
    if (!block) return;
    if (HeapFree(GetProcessHeap(), 0, block)) --liveBlocks;
}

long liveHeapBlocks() { return liveBlocks; }

void failAllocationAfter(int count) { allocationsBeforeFailure = count; }

}  // namespace trelk
