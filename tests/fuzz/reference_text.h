// Slow, literal versions of the text rules, for the fuzz targets to hold the
// program's primitives against. Texts are std::string without NULs.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

/// The code pages the targets pick from: 932, 1252, 936, 949, 950, 65001.
unsigned referenceCodePage(uint8_t pick);

/// Puts the references, the program and the fake system on one code page.
void useReferenceCodePage(unsigned number);

/// 932: 0x81-0x9F and 0xE0-0xFC; 936, 949 and 950: 0x81-0xFE; none in 1252
/// and UTF-8.
bool referenceLead(unsigned char byte);

/// For each offset of text, whether the character scan from offset 0 (a lead
/// byte steps 2, any other byte 1) stops there.
std::vector<bool> characterStarts(const std::string& text);

/// An offset inside text at which the scan does not stop.
bool referenceTrail(const std::string& text, long long offset);
/// The same, with the text's characterStarts already at hand.
bool referenceTrail(const std::vector<bool>& starts, long long offset);

/// The last offset holding c that is not a second byte; -1 when none (and for c = 0).
long long referenceLastChar(const std::string& text, char c);

/// Offset of the base name: just after the last real backslash, or 0.
size_t referenceBaseName(const std::string& text);

/// ASCII letters that are characters of their own, upper-cased.
std::string referenceFold(const std::string& text);

/// What one tokenizer call gives: the token and the offset it returns (-1 for none).
struct ReferenceToken {
  std::string text;
  long long next;
};

/// One tokenizer call on the input that starts at offset from of text, step
/// by step as the rules state it; next counts from that start.
/// delimiters null means ", \t\r\n".
ReferenceToken referenceNextToken(const std::string& text, size_t from, const char* delimiters, int limit);
