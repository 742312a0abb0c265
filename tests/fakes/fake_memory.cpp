// Heap for the tests: counts live blocks and can refuse an allocation.
#include <stdlib.h>

#include "fake_files.h"
#include "platform/memory_os.h"

void* osAlloc(size_t size) {
  if (fakeFiles.faults.alloc.strike()) return nullptr;
  void* block = malloc(size ? size : 1);
  if (block) ++fakeFiles.liveBlocks;
  return block;
}

void osFree(void* block) {
  if (!block) return;
  --fakeFiles.liveBlocks;
  free(block);
}

void* osAlignedAlloc(size_t size, size_t alignment) {
  if (fakeFiles.faults.alignedAlloc.strike()) return nullptr;
  size_t rounded = (size + alignment - 1) / alignment * alignment;
  void* block = aligned_alloc(alignment, rounded ? rounded : alignment);
  if (block) ++fakeFiles.liveBlocks;
  return block;
}

void osAlignedFree(void* block) {
  if (!block) return;
  --fakeFiles.liveBlocks;
  free(block);
}
