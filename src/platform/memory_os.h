// Heap services, behind the seam so that tests can make them fail.
#pragma once
#include <stddef.h>

/// Null on failure.
void* osAlloc(size_t size);
void osFree(void* block);
/// A block aligned to alignment (a power of two); null on failure.
void* osAlignedAlloc(size_t size, size_t alignment);
void osAlignedFree(void* block);
