// Bounded path text operations.
#include "text/path_text.h"

#include <string.h>

#include "text/ascii.h"
#include "text/chars.h"

bool copyText(char* target, int size, const char* source) {
  size_t length = strlen(source);
  if (size < 1) return false;
  if (length >= (size_t)size) {
    target[0] = 0;
    return false;
  }
  memcpy(target, source, length + 1);
  return true;
}

bool appendText(char* target, int size, const char* source) {
  size_t have = strlen(target);
  size_t length = strlen(source);
  if (have + length >= (size_t)size) return false;
  memcpy(target + have, source, length + 1);
  return true;
}

int leadingMatch(const char* prefix, const char* text) {
  // Both texts are scanned for character starts as they go, so that a
  // letter-valued second byte is compared exactly.
  int i = 0;
  int nextA = 0;
  int nextB = 0;
  for (; prefix[i] != 0 && text[i] != 0; ++i) {
    while (nextA < i) nextA = nextCharAt(prefix, nextA);
    while (nextB < i) nextB = nextCharAt(text, nextB);
    char a = prefix[i];
    char b = text[i];
    if (a == b) continue;
    bool ownA = nextA == i;
    bool ownB = nextB == i;
    if (!ownA || !ownB || foldAscii(a) != foldAscii(b)) break;
  }
  return i;
}

bool sameTextIgnoringCase(const char* a, const char* b) {
  size_t length = strlen(a);
  return length == strlen(b) && leadingMatch(a, b) == (int)length;
}

bool endsInBackslash(const char* text) {
  int length = (int)strlen(text);
  return length > 0 && text[length - 1] == '\\' && !isTrailByte(text, length - 1);
}

bool appendSeparator(char* folder, int size) {
  if (endsInBackslash(folder)) return true;
  return appendText(folder, size, "\\");
}

bool joinPath(char* out, int size, const char* folder, const char* name) {
  if (copyText(out, size, folder) && appendSeparator(out, size) && appendText(out, size, name)) return true;
  if (size > 0) out[0] = 0;
  return false;
}
