// Character boundaries in the system's ANSI code page: which bytes start a
// two-byte character. Code page 932 (Shift-JIS) until told otherwise.
#pragma once
#include "platform/code_page_os.h"

/// Takes the code page's lead bytes (and, for a one-byte code page, the
/// bytes it shows) from facts. For 932 the lead bytes are always
/// 0x81-0x9F and 0xE0-0xFC; UTF-8 and one-byte code pages have none.
void useCodePage(const CodePageFacts& facts);

/// The number of the code page in use.
unsigned codePageNumber();

/// True for a byte that starts a two-byte character.
bool isLeadByte(unsigned char byte);

/// True for a byte of 0x80 or above that a one-byte code page shows as a
/// character of its own (an accented letter, a sign); false under 932,
/// the other two-byte code pages and UTF-8.
bool isShownHighByte(unsigned char byte);

/// The offset of the character after the one that starts at offset at of
/// text: a lead byte with a second byte after it takes two bytes.
inline int nextCharAt(const char* text, int at) {
  return at + (isLeadByte((unsigned char)text[at]) && text[at + 1] != 0 ? 2 : 1);
}
