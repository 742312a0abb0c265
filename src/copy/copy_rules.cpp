// Skip and free-space rules.
#include "copy/copy_rules.h"

#include <string.h>

#include "copy/volume_info.h"
#include "platform/console_os.h"
#include "text/ascii.h"
#include "text/path_text.h"

bool sameModifyTime(int64_t a, int64_t b, bool coarse) {
  if (!coarse) return a == b;
  int64_t gap = a > b ? a - b : b - a;
  return gap <= 2;
}

CopyState copyStateOf(const FileStatus& source, const char* destination, bool coarse, FileStatus* standing) {
  FileStatus own;
  FileStatus& copy = standing ? *standing : own;
  memset(&copy, 0, sizeof copy);
  StatusResult found = osFileStatus(destination, &copy);
  if (found == statusNotFound) return copyMissing;
  // A folder bearing the name is no copy of a file, however it looks.
  if (found != statusOk || (copy.mode & folderModeBit) != 0) return copyStale;
  bool current = sameModifyTime(copy.modifyTime, source.modifyTime, coarse) &&
                 copy.size == source.size;
  return current ? copyCurrent : copyStale;
}

// Asking a volume for its free space costs about as much as copying a small
// file, so an answer is reused for a second, less what was accepted since.
// A refusal is only ever made on a fresh answer.
namespace {

struct SpaceEstimate {
  char root[volumeRootSize];  // the volume's, as volumeRootOf gives it; empty: none
  uint64_t freeBytes;
  uint32_t askedAt;
};

SpaceEstimate estimate = {{0}, 0, 0};
const uint32_t estimateLifetime = 1000;

}  // namespace

void forgetFreeSpace() { estimate.root[0] = 0; }

// Only a drive path is asked about; its volume may be one mounted in a
// folder of the drive.
bool lacksSpace(const char* destination, const char* root, int64_t size) {
  char c = destination[0];
  if (!isAsciiLetter((unsigned char)c) || destination[1] != ':' || destination[2] != '\\' || !root[0]) return false;
  uint64_t wanted = (uint64_t)size;
  uint32_t now = osMilliseconds();
  if (estimate.root[0] && sameTextIgnoringCase(estimate.root, root) &&
      (uint32_t)(now - estimate.askedAt) < estimateLifetime && estimate.freeBytes >= wanted) {
    estimate.freeBytes -= wanted;
    return false;
  }
  uint64_t freeBytes = 0;
  if (!osFreeBytes(root, &freeBytes)) {
    estimate.root[0] = 0;
    return false;
  }
  copyText(estimate.root, sizeof estimate.root, root);
  estimate.freeBytes = freeBytes;
  estimate.askedAt = now;
  if (freeBytes < wanted) return true;
  estimate.freeBytes -= wanted;
  return false;
}
