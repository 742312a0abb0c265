// Byte-text primitives aware of two-byte characters.
#include "text/chars.h"

#include <string.h>

bool isTrailByte(const char* text, int offset) {
  if (offset <= 0) return false;
  int length = (int)strlen(text);
  if (offset >= length) return false;
  if (!isLeadByte((unsigned char)text[offset - 1])) return false;
  int scan = 0;
  while (scan < offset) scan = nextCharAt(text, scan);
  return scan != offset;
}

const char* findLastChar(const char* text, char c) {
  // Walk the character starts forward and keep the last one holding c: the
  // same answer as searching backwards and checking each hit from the start.
  const char* found = nullptr;
  if (c == 0) return nullptr;
  int length = (int)strlen(text);
  for (int i = 0; i < length; i = nextCharAt(text, i)) {
    if (text[i] == c) found = text + i;
  }
  return found;
}

const char* baseNameOf(const char* path) {
  const char* slash = findLastChar(path, '\\');
  return slash ? slash + 1 : path;
}

const char* nextToken(const char* input, char* out, const char* delimiters, int limit) {
  if (!delimiters) delimiters = ", \t\r\n";
  if (limit >= 1) out[0] = 0;
  if (input[0] == 0) return nullptr;
  bool quoted = false;
  bool started = false;
  int count = 0;
  int n = 0;
  int charStart = 0;  // next character start at or after n, scanned from input
  for (; input[n] != 0; ++n) {
    if (limit <= 1 || count >= limit - 1) break;  // limit - 1 would overflow at INT_MIN
    unsigned char b = (unsigned char)input[n];
    while (charStart < n) charStart = nextCharAt(input, charStart);
    if (b == '"') {
      if (!quoted) started = true;
      quoted = !quoted;
      continue;
    }
    if (quoted) {
      out[count++] = (char)b;
      continue;
    }
    bool trail = n > 0 && charStart != n;
    bool delimiter = !trail && strchr(delimiters, b) != nullptr;
    if (!delimiter) {
      out[count++] = (char)b;
      started = true;
    } else if (started) {
      break;
    }
  }
  if (limit >= 1) out[count] = 0;
  return count == 0 ? nullptr : input + n;
}
