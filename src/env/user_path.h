// Listing the program's own folder in the user's search path.
#pragma once

/// Room of the program's folder and of one entry of the search path.
const int folderSize = 260;
/// Room of the search path as it is read and as it is written.
const int pathValueSize = 4096;

/// The folder of the program's file, filled by the first registerInUserPath.
extern char programFolder[folderSize];

enum PathRewrite {
  pathListed,     // folder already an entry of value: nothing to write
  pathRewritten,  // result holds value's entries joined by ';', then folder
  pathKept,       // value cannot be carried over whole: leave it as it is
};

/// Reads value entry by entry (';' between entries, double quotes dropped,
/// a ';' inside them kept, empty entries skipped) and decides what becomes of
/// it. An entry matches folder when they differ only in the case of ASCII
/// letters (the second byte of a double-byte character is never folded).
/// result (size bytes) is filled only for pathRewritten; a folder holding ';'
/// is appended between double quotes so that it reads back whole.
PathRewrite rewritePathValue(const char* value, const char* folder, char* result, int size);

/// Makes sure the program's folder is an entry of the "Path" value under the
/// current user's "Environment" key, appending it when it is not. Returns 1
/// when it was listed or the new value was stored; 0 when nothing could be
/// read, the value was left alone, or the store failed. Prints nothing.
int registerInUserPath();
