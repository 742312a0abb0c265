// Copying one file of a tree: whole sectors unbuffered, the tail padded to
// one; a file shorter than a sector through the cache.
#pragma once
#include "platform/files_os.h"

/// Copies source to destination with the copy screen's name, size and
/// progress; the copy gets the source's last-write time at full precision.
/// true only for a complete copy; false when skipped (already copied, too
/// little room) or when anything failed, in which case a destination that
/// was started is removed. listed: the source's status as the tree
/// walk gave it (asked here when null); destinationIsNew: its folder was
/// made by this run and can hold no copy yet; volumeRoot: the root of the
/// volume the copy lands on, as volumeRootOf gives it (asked here when null).
bool copyFileUnbuffered(const char* source, const char* destination, const FileStatus* listed = nullptr,
                        bool destinationIsNew = false, const char* volumeRoot = nullptr);

/// Releases the chunk buffer kept from one file to the next.
void releaseCopyBuffer();
