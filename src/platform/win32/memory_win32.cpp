// Heap services on the C runtime.
#include <malloc.h>
#include <stdlib.h>

#include "platform/memory_os.h"

void* osAlloc(size_t size) { return malloc(size); }
void osFree(void* block) { free(block); }
void* osAlignedAlloc(size_t size, size_t alignment) { return _aligned_malloc(size, alignment); }
void osAlignedFree(void* block) { _aligned_free(block); }
