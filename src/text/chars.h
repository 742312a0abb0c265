// Byte-text primitives that never split a two-byte character of the ANSI
// code page (a second byte of 0x5C is no backslash).
#pragma once
#include "text/code_page.h"

/// True when offset falls on the second byte of a two-byte character of text
/// (decided by scanning character starts from the text's first byte).
bool isTrailByte(const char* text, int offset);

/// The last occurrence of c in text that is a character of its own (never the
/// second byte of a two-byte character); null when there is none or c is 0.
const char* findLastChar(const char* text, char c);

/// The part of path after its last real backslash, or the whole path.
const char* baseNameOf(const char* path);

/// Copies the next token of input into out (at most limit - 1 bytes, always
/// NUL-ended when limit >= 1). Delimiters in front are skipped; the token ends
/// at a delimiter that is a character of its own, or at the limit. Double
/// quotes are dropped and everything between them is kept. delimiters null
/// means ", \t\r\n". Returns the position just after the token, or null when
/// the token is empty (which also ends a scan).
const char* nextToken(const char* input, char* out, const char* delimiters, int limit);
