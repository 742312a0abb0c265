// Copying a whole folder tree, depth first.
#pragma once
#include <stdint.h>

/// Cells plus one of the folder paths shown last on rows 2 and 3.
extern int lastFromWidth;
extern int lastToWidth;

/// Counts the files and bytes below source that the copy will meet,
/// deciding every folder as the copy will (row 9 says that it counts).
/// false when the copy must not start: the source is its own destination
/// or holds it, or the destination was met inside it under another name.
bool countTree(const char* source, const char* destination, int64_t* files, int64_t* bytes);

/// Copies every file below source to the same place below destination,
/// creating each sub-folder first, and shows the folder pair of each level.
/// Counts each file actually copied in runTally.realCopyCount. What the
/// tree walk keeps out (see tree_walk.h) gets no copy; verification, which
/// walks the same way, lists it.
void copyTree(const char* source, const char* destination);
