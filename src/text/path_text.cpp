// Bounded path text operations.
#include "text/path_text.h"

#include <string.h>

#include "text/sjis.h"

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

static unsigned char foldLetter(unsigned char b) {
  return (b >= 'a' && b <= 'z') ? (unsigned char)(b - 'a' + 'A') : b;
}

int leadingMatch(const char* prefix, const char* text) {
  // Both texts are scanned for character starts as they go, so that a
  // letter-valued second byte is compared exactly.
  int i = 0;
  int nextA = 0;
  int nextB = 0;
  for (; prefix[i] != 0 && text[i] != 0; ++i) {
    while (nextA < i) nextA += isLeadByte((unsigned char)prefix[nextA]) ? 2 : 1;
    while (nextB < i) nextB += isLeadByte((unsigned char)text[nextB]) ? 2 : 1;
    unsigned char a = (unsigned char)prefix[i];
    unsigned char b = (unsigned char)text[i];
    if (a == b) continue;
    bool ownA = nextA == i;
    bool ownB = nextB == i;
    if (!ownA || !ownB || foldLetter(a) != foldLetter(b)) break;
  }
  return i;
}

bool sameTextIgnoringCase(const char* a, const char* b) {
  size_t length = strlen(a);
  return length == strlen(b) && leadingMatch(a, b) == (int)length;
}

bool appendSeparator(char* folder, int size) {
  int length = (int)strlen(folder);
  if (length > 0 && folder[length - 1] == '\\' && !isTrailByte(folder, length - 1)) return true;
  return appendText(folder, size, "\\");
}

bool joinPath(char* out, int size, const char* folder, const char* name) {
  if (copyText(out, size, folder) && appendSeparator(out, size) && appendText(out, size, name)) return true;
  if (size > 0) out[0] = 0;
  return false;
}
