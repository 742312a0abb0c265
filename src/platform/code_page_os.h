// What the system's ANSI code page makes of single bytes.
#pragma once

struct CodePageFacts {
  unsigned number;     // 932, 1252, 949, 65001, ...
  bool leads[256];     // the byte starts a two-byte character
  bool prints[256];    // a one-byte character that shows (letters and signs, no controls)
};

/// The ANSI code page that every narrow text of the program is in.
void osAnsiCodePage(CodePageFacts* facts);
