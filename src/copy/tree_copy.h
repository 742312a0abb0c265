// Copying a whole folder tree, depth first.
#pragma once

/// Cells plus one of the folder paths shown last on rows 2 and 3.
extern int lastFromWidth;
extern int lastToWidth;

/// Copies every file below source to the same place below destination,
/// creating each sub-folder first, and shows the folder pair of each level.
/// Counts each file actually copied in runTally.realCopyCount. What the
/// tree walk keeps out (see tree_walk.h) gets no copy; verification, which
/// walks the same way, lists it.
void copyTree(const char* source, const char* destination);
