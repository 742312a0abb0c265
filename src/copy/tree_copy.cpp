// Tree copy: the copy pass of the tree walk.
#include "copy/tree_copy.h"

#include <errno.h>
#include <stdio.h>

#include "console/screen.h"
#include "copy/kept_listings.h"
#include "copy/path_chain.h"
#include "copy/run_progress.h"
#include "copy/run_tally.h"
#include "copy/tree_walk.h"
#include "copy/unbuffered_copy.h"
#include "platform/files_os.h"
#include "text/chars.h"

RunTally runTally = {0, 0, 0};
int lastFromWidth = 0;
int lastToWidth = 0;

namespace {

void drawHeader(const WalkLevel& level) {
  snprintf(messageBuffer, sizeof messageBuffer, "FROM FOLDER = %s", level.source);
  blankAt(2, 16, lastFromWidth);
  writeAt(2, 2, messageBuffer, 10);
  snprintf(messageBuffer, sizeof messageBuffer, "TO   FOLDER = %s", level.destination);
  blankAt(3, 16, lastToWidth);
  writeAt(3, 2, messageBuffer, 10);
  lastFromWidth = cellsOf(level.source) + 1;
  lastToWidth = cellsOf(level.destination) + 1;
  writeAt(5, 2, "FILENAME = ", 11);
  writeAt(6, 2, "FILESIZE = ", 11);
}

void restoreHeader(const WalkLevel&, const WalkLevel& parent) {
  blankAt(2, 16, lastFromWidth);
  writeAt(2, 16, parent.source, 10);
  blankAt(3, 16, lastToWidth);
  writeAt(3, 16, parent.destination, 10);
  lastFromWidth = cellsOf(parent.source) + 1;
  lastToWidth = cellsOf(parent.destination) + 1;
}

// Inside a folder this run made, no sub-folder exists yet. Only "not found"
// makes one new: a name that cannot be tested may be a link that leads
// anywhere, which the walk must see as what stood there. The folders above
// it stand (its parent is held open): one call makes it, and only a failure
// needs the whole chain looked at.
bool makeFolder(const char* destination, bool parentIsNew) {
  bool isNew = parentIsNew || osAccess(destination) == ENOENT;
  if (isNew && !osMakeFolder(destination)) makePathChain(destination);
  return isNew;
}

// A file counts as done however it ends: copied, current or failed.
void copyFile(const WalkLevel& level, const char* source, const char* destination, const FileStatus& status) {
  bool copied = copyFileUnbuffered(source, destination, &status, level.destinationIsNew, level.volumeRoot);
  if (copied) ++runTally.realCopyCount;
  progressFileDone(status.size, copied);
}

const WalkSteps copySteps = {copyFile, makeFolder, drawHeader, restoreHeader, nullptr};

int64_t countedFiles = 0;
int64_t countedBytes = 0;

// The listing gives every size: counting asks nothing of a file.
void countFile(const WalkLevel&, const char*, const char*, const FileStatus& status) {
  ++countedFiles;
  countedBytes += status.size;
  progressCounting(countedFiles, countedBytes);
}

const WalkSteps countSteps = {countFile, nullptr, nullptr, nullptr, nullptr};

}  // namespace

bool countTree(const char* source, const char* destination, int64_t* files, int64_t* bytes) {
  countedFiles = 0;
  countedBytes = 0;
  progressCounting(0, 0);
  keepListings();
  WalkOutcome outcome = walkTree(source, destination, countSteps);
  *files = countedFiles;
  *bytes = countedBytes;
  bool copyFollows = outcome == walkDone || outcome == walkUnlisted;
  if (copyFollows) replayListings();
  else dropListings();
  return copyFollows;
}

// After a count, the copy goes over what the count listed.
void copyTree(const char* source, const char* destination) {
  walkTree(source, destination, copySteps);
  dropListings();
}
