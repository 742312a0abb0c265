// Copying one file of a tree: whole sectors unbuffered, the tail padded to
// one; a file shorter than a sector through the cache.
#pragma once
#include "platform/files_os.h"

/// Copies source to destination with the copy screen's name, size and
/// progress; the copy gets the source's last-write time at full precision.
/// true only for a complete copy; false when skipped (already copied, too
/// little room) or when anything failed, in which case a destination that
/// was started is removed. listed: the source's status as its folder's
/// listing gave it (asked here when null); destinationIsNew: its folder was
/// made by this run and can hold no copy yet.
bool copyFileUnbuffered(const char* source, const char* destination, const FileStatus* listed = nullptr,
                        bool destinationIsNew = false);

/// Releases the chunk buffer kept from one file to the next.
void releaseCopyBuffer();
