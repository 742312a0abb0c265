// Text laid into cells by display width, for a console that is given
// characters rather than the ANSI code page's bytes.
#pragma once
#include <stdint.h>

#include "platform/console_os.h"

/// Added to the attribute of the first and the second cell of a
/// double-width character (what the Windows console calls the leading and
/// the trailing byte).
const uint16_t cellLeadingHalf = 0x0100;
const uint16_t cellTrailingHalf = 0x0200;

/// Cells a character of the Basic Multilingual Plane takes: 2 for East Asian
/// Wide and Fullwidth ones (CJK, Hangul, kana, fullwidth forms), else 1.
int cellWidth(uint16_t ch);

/// Lays length bytes of ANSI text into at most capacity cells in attribute:
/// a double-width character as two cells holding it, flagged leading and
/// trailing; a character beyond the Basic Multilingual Plane as one U+FFFD.
/// Returns the cells used; a character that does not fit whole is left out.
int layCharacters(const char* text, int length, uint16_t attribute, ConsoleCell* cells, int capacity);
