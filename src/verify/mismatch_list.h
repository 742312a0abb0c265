// The source paths that failed verification, in the order found.
#pragma once

/// Records a copy of path at the end of the list; nothing when memory runs out.
void mismatchAppend(const char* path);
/// The path at a 0-based index, or null past the end or for a negative index.
const char* mismatchAt(int index);
int mismatchCount();
/// Releases every entry.
void mismatchClear();
