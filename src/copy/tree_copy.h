// Copying a whole folder tree, depth first.
#pragma once

/// Cells plus one of the folder paths shown last on rows 2 and 3.
extern int lastFromWidth;
extern int lastToWidth;

/// Copies every file below source to the same place below destination,
/// creating each sub-folder first, and shows the folder pair of each level.
/// Counts each file actually copied in runTally.realCopyCount. Never enters
/// the destination itself or a folder already on its path, and never copies
/// into a folder of its own source, whatever link or spelling leads there;
/// an entry whose name would reach another entry, or whose path or header
/// line would not fit a path buffer, is left out (verification lists it).
void copyTree(const char* source, const char* destination);
