// Real locations compared.
#include "copy/real_location.h"

#include "text/ascii.h"

namespace {

// Bytes of root found at the start of location, ASCII letters folded.
int agreeing(const char* root, const char* location) {
  int n = 0;
  while (root[n] != 0 && foldAscii(root[n]) == foldAscii(location[n])) ++n;
  return n;
}

}  // namespace

bool sameLocation(const char* a, const char* b) {
  int n = agreeing(a, b);
  return a[n] == 0 && b[n] == 0;
}

bool locationWithin(const char* location, const char* root) {
  int n = agreeing(root, location);
  if (root[n] != 0) return false;
  return location[n] == 0 || location[n] == '\\' || (n > 0 && root[n - 1] == '\\');
}
