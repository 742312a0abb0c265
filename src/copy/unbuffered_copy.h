// Copying one file of a tree: whole sectors unbuffered, the tail buffered.
#pragma once

/// Copies source to destination with the copy screen's name, size and
/// progress; the copy gets the source's last-write time at full precision.
/// true only for a complete copy; false when skipped (already copied, too
/// little room) or when anything failed, in which case a destination that
/// was started is removed.
bool copyFileUnbuffered(const char* source, const char* destination);

/// Releases the chunk buffer kept from one file to the next.
void releaseCopyBuffer();
