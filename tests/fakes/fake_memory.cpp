// Heap for the tests: counts live blocks and can refuse an allocation.
#include <stdlib.h>

#include <map>

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

#ifdef FAKE_MEMORY_KEEPS_ONE_ALIGNED_BLOCK
// The fuzz targets run a whole copy per input, and the sanitizer maps a large
// block afresh on every allocation: the last freed aligned block is kept and
// handed out again when it fits, which the copy's buffer always does.
struct BlockShape {
  size_t size;
  size_t alignment;
};
static std::map<void*, BlockShape> alignedShapes;
static void* keptBlock = nullptr;
#endif

void* osAlignedAlloc(size_t size, size_t alignment) {
  if (fakeFiles.faults.alignedAlloc.strike()) return nullptr;
  size_t rounded = (size + alignment - 1) / alignment * alignment;
  if (rounded == 0) rounded = alignment;
#ifdef FAKE_MEMORY_KEEPS_ONE_ALIGNED_BLOCK
  if (keptBlock && alignedShapes[keptBlock].size == rounded && alignedShapes[keptBlock].alignment == alignment) {
    void* block = keptBlock;
    keptBlock = nullptr;
    ++fakeFiles.liveBlocks;
    return block;
  }
#endif
  void* block = aligned_alloc(alignment, rounded);
  if (!block) return nullptr;
  ++fakeFiles.liveBlocks;
#ifdef FAKE_MEMORY_KEEPS_ONE_ALIGNED_BLOCK
  alignedShapes[block] = BlockShape{rounded, alignment};
#endif
  return block;
}

void osAlignedFree(void* block) {
  if (!block) return;
  --fakeFiles.liveBlocks;
#ifdef FAKE_MEMORY_KEEPS_ONE_ALIGNED_BLOCK
  if (keptBlock) {
    alignedShapes.erase(keptBlock);
    free(keptBlock);
  }
  keptBlock = block;
  return;
#endif
  free(block);
}
