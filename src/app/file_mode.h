// File mode: one file copied into the TO folder under its own name.
#pragma once

/// Turns to into the target file path (to, a backslash, from's name); false
/// when that does not fit a path buffer.
bool fileTarget(const char* from, char* to);

/// Draws the header and copies from into to (the target file path).
/// Returns the exit code: 0 when the file was copied or already current,
/// 1 when it was not. Without a console the status word shown is printed.
int runFileMode(const char* from, const char* to);
