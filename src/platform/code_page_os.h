// What the system's ANSI code page makes of single bytes.
#pragma once
#include <stdint.h>

struct CodePageFacts {
  unsigned number;     // 932, 1252, 949, 65001, ...
  bool leads[256];     // the byte starts a two-byte character
  bool prints[256];    // a one-byte character that shows (letters and signs, no controls)
};

/// The ANSI code page that every narrow text of the program is in.
void osAnsiCodePage(CodePageFacts* facts);

/// Converts length bytes of ANSI text to at most capacity UTF-16 units and
/// returns how many were written (0 on failure). A byte that spells no
/// character becomes what the system puts in its place.
int osAnsiToWide(const char* text, int length, uint16_t* wide, int capacity);
