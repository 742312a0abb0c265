// Verification: the verifying pass of the tree walk.
#include "verify/verify_tree.h"

#include <stdio.h>
#include <string.h>

#include "console/number_text.h"
#include "console/screen.h"
#include "copy/copy_rules.h"
#include "copy/run_tally.h"
#include "copy/tree_walk.h"
#include "copy/volume_info.h"
#include "platform/files_os.h"
#include "text/chars.h"
#include "text/path_text.h"
#include "verify/mismatch_list.h"

namespace {

void countChecked() {
  ++runTally.checkedCount;
  snprintf(messageBuffer, sizeof messageBuffer, "%s", groupDigits(runTally.checkedCount));
  writeAt(5, 14, messageBuffer, 14);
}

void recordMismatch(const char* path) {
  mismatchAppend(path);
  ++runTally.copyErrorCount;
}

// A file passes by the skip rule: only a copy that would be skipped as
// current is one.
void checkFile(const WalkLevel& level, const char* source, const char* destination, const FileStatus& status) {
  bool coarse = level.volumeRoot && hasCoarseTimes(level.volumeRoot);
  if (copyStateOf(status, destination, coarse) != copyCurrent) recordMismatch(source);
  countChecked();
}

// What got no copy is listed under its whole source path: a name (with '?'
// for what the code page cannot spell, and possibly longer than a path
// buffer, which this larger buffer holds) or a folder.
void recordMissed(const char* folder, const char* name) {
  if (!name) {
    recordMismatch(folder);
    return;
  }
  char whole[pathBufferSize + 264];
  snprintf(whole, sizeof whole, endsInBackslash(folder) ? "%s%s" : "%s\\%s", folder, name);
  recordMismatch(whole);
  countChecked();
}

// A folder whose copy is no folder has no copies below it: when none of
// them is listed (it holds no file), the folder itself is.
struct LevelCheck {
  int errorsBefore;
  bool missing;
};
LevelCheck levels[walkDepthLimit + 1];

void enterLevel(const WalkLevel& level) {
  FileStatus status;
  memset(&status, 0, sizeof status);
  LevelCheck& check = levels[level.depth];
  check.errorsBefore = runTally.copyErrorCount;
  check.missing = osFileStatus(level.destination, &status) != statusOk || (status.mode & folderModeBit) == 0;
}

void settleLevel(const WalkLevel& level) {
  const LevelCheck& check = levels[level.depth];
  if (check.missing && runTally.copyErrorCount == check.errorsBefore) recordMismatch(level.source);
}

void leaveLevel(const WalkLevel& level, const WalkLevel&) { settleLevel(level); }

const WalkSteps verifySteps = {checkFile, nullptr, enterLevel, leaveLevel, recordMissed};

}  // namespace

bool verifyTree(const char* source, const char* destination) {
  WalkOutcome outcome = walkTree(source, destination, verifySteps);
  if (outcome == walkDone) {
    WalkLevel top = {source, destination, 0, false, ""};
    settleLevel(top);
  }
  // Never compared with itself: a source that is its own destination, or
  // whose copies would land inside it, was not copied.
  if (outcome == walkRefused) recordMismatch(source);
  return outcome == walkDone && runTally.copyErrorCount == 0;
}
