// Skip and free-space rules.
#include "copy/copy_rules.h"

#include <string.h>

#include "copy/volume_info.h"

bool sameModifyTime(int64_t a, int64_t b, bool coarse) {
  if (!coarse) return a == b;
  int64_t gap = a > b ? a - b : b - a;
  return gap <= 2;
}

bool alreadyCopied(const FileStatus& source, const char* destination) {
  FileStatus copy;
  memset(&copy, 0, sizeof copy);
  if (osFileStatus(destination, &copy) != statusOk) return false;
  return sameModifyTime(copy.modifyTime, source.modifyTime, hasCoarseTimes(destination)) &&
         copy.size == source.size;
}

bool lacksSpace(const char* destination, int64_t size) {
  char c = destination[0];
  bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  if (!letter || destination[1] != ':' || destination[2] != '\\') return false;
  char root[4] = {c, ':', '\\', 0};
  uint64_t freeBytes = 0;
  if (!osFreeBytes(root, &freeBytes)) return false;
  return freeBytes < (uint64_t)size;
}
