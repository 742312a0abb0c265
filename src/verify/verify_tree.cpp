// Verification walk.
#include "verify/verify_tree.h"

#include <stdio.h>
#include <string.h>

#include "console/number_text.h"
#include "console/screen.h"
#include "copy/copy_rules.h"
#include "copy/run_tally.h"
#include "copy/volume_info.h"
#include "copy/name_rules.h"
#include "copy/walk_guard.h"
#include "platform/files_os.h"
#include "text/path_text.h"
#include "text/chars.h"
#include "verify/mismatch_list.h"

namespace {

// The source's status comes from its folder's listing, which gives the same
// whole seconds as a status call.
bool differs(const FileStatus& from, const char* destination, bool coarse) {
  FileStatus to;
  memset(&to, 0, sizeof to);
  if (osFileStatus(destination, &to) != statusOk) return true;
  if (!sameModifyTime(from.modifyTime, to.modifyTime, coarse)) return true;
  return from.size != to.size;
}

void countChecked() {
  ++runTally.checkedCount;
  snprintf(messageBuffer, sizeof messageBuffer, "%s", groupDigits(runTally.checkedCount));
  writeAt(5, 14, messageBuffer, 14);
}

void recordMismatch(const char* path) {
  mismatchAppend(path);
  ++runTally.copyErrorCount;
}

// An entry whose path does not fit a path buffer, or whose name cannot be
// opened, was never copied; it is listed under its whole source path (with
// '?' for what the code page cannot spell), which this larger buffer holds.
void recordUncopied(const char* folder, const char* name) {
  char whole[pathBufferSize + 264];
  snprintf(whole, sizeof whole, endsInBackslash(folder) ? "%s%s" : "%s\\%s", folder, name);
  recordMismatch(whole);
  countChecked();
}

// A folder that cannot be listed, or whose listing breaks off, leaves files
// unexamined: it counts as a mismatch under its own path, so that the
// verdict never reads success for files nobody looked at.
bool verifyLevel(const char* source, const char* destination, WalkGuard* guard, bool coarse, bool top) {
  PathBuffer sourceChild;
  PathBuffer destinationChild;
  ListEntry entry;
  ListHandle listing = nullptr;
  ListResult listed = listFailed;
  if (joinPath(sourceChild, sizeof sourceChild, source, "*.*")) listed = osListFirst(sourceChild, &listing, &entry);
  if (listed != listEntry) {
    if (!top && listed == listFailed) recordMismatch(source);
    return false;
  }
  NameSet names;
  namesStart(&names);
  do {
    if (strcmp(entry.name, ".") == 0 || strcmp(entry.name, "..") == 0) continue;
    if (!nameCanBeCopied(entry) || !namesTake(&names, entry.name) ||
        !joinPath(sourceChild, sizeof sourceChild, source, entry.name) ||
        !joinPath(destinationChild, sizeof destinationChild, destination, entry.name)) {
      recordUncopied(source, entry.name);
      continue;
    }
    if (entry.isFolder) {
      // The folders the copy walk passes over are passed over here too, and
      // it did not copy those it could not tell apart.
      GuardAnswer answer = guardEnter(guard, sourceChild);
      if (answer == walkInto) answer = guardTarget(guard, destinationChild, true);
      if (answer == notWalked) recordMismatch(sourceChild);
      if (answer != walkInto) continue;
      verifyLevel(sourceChild, destinationChild, guard, coarse, false);
      guardLeave(guard);
      continue;
    }
    if (differs(entry.status, destinationChild, coarse)) recordMismatch(sourceChild);
    countChecked();
  } while ((listed = osListNext(listing, &entry)) == listEntry);
  namesEnd(&names);
  osListClose(listing);
  if (listed == listFailed) recordMismatch(source);
  return runTally.copyErrorCount == 0;
}

}  // namespace

bool verifyTree(const char* source, const char* destination) {
  WalkGuard guard;
  bool good = false;
  if (guardStart(&guard, source, destination) == walkInto) {
    // The facts of the volume inside the destination, which may be mounted there.
    PathBuffer inside;
    bool coarse = hasCoarseTimes(joinPath(inside, sizeof inside, destination, "") ? inside : destination);
    good = verifyLevel(source, destination, &guard, coarse, true);
  } else {
    // Never compared with itself: a source that is its own destination, or
    // whose copies would land inside it, was not copied.
    recordMismatch(source);
  }
  guardEnd(&guard);
  return good;
}
