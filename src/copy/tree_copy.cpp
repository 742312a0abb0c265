// Tree copy walk.
#include "copy/tree_copy.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "console/screen.h"
#include "copy/path_chain.h"
#include "copy/run_tally.h"
#include "copy/unbuffered_copy.h"
#include "copy/name_rules.h"
#include "copy/walk_guard.h"
#include "platform/files_os.h"
#include "text/path_text.h"

RunTally runTally = {0, 0, 0};
int lastFromWidth = 0;
int lastToWidth = 0;

namespace {

const int labelLength = 14;  // "FROM FOLDER = " and "TO   FOLDER = "

// Both header lines of a level must fit the message buffer whole.
bool headerFits(const char* source, const char* destination) {
  return labelLength + strlen(source) < sizeof messageBuffer &&
         labelLength + strlen(destination) < sizeof messageBuffer;
}

void drawHeader(const char* source, const char* destination) {
  snprintf(messageBuffer, sizeof messageBuffer, "FROM FOLDER = %s", source);
  blankAt(2, 16, lastFromWidth);
  writeAt(2, 2, messageBuffer, 10);
  snprintf(messageBuffer, sizeof messageBuffer, "TO   FOLDER = %s", destination);
  blankAt(3, 16, lastToWidth);
  writeAt(3, 2, messageBuffer, 10);
  lastFromWidth = cellsOf(source) + 1;
  lastToWidth = cellsOf(destination) + 1;
  writeAt(5, 2, "FILENAME = ", 11);
  writeAt(6, 2, "FILESIZE = ", 11);
}

void restoreHeader(const char* source, const char* destination) {
  blankAt(2, 16, lastFromWidth);
  writeAt(2, 16, source, 10);
  blankAt(3, 16, lastToWidth);
  writeAt(3, 16, destination, 10);
  lastFromWidth = cellsOf(source) + 1;
  lastToWidth = cellsOf(destination) + 1;
}

bool isDotEntry(const char* name) { return strcmp(name, ".") == 0 || strcmp(name, "..") == 0; }

// destinationIsNew: this run made the destination folder, which can hold no
// copy to skip yet.
void copyLevel(const char* source, const char* destination, WalkGuard* guard, bool destinationIsNew) {
  PathBuffer sourceChild;
  PathBuffer destinationChild;
  if (!joinPath(sourceChild, sizeof sourceChild, source, "*.*")) return;
  ListEntry entry;
  ListHandle listing = nullptr;
  if (osListFirst(sourceChild, &listing, &entry) != listEntry) return;
  NameSet names;
  namesStart(&names);
  do {
    // A name that cannot stand for itself, or that the destination would
    // take for one copied already, is left for verification to list.
    if (isDotEntry(entry.name) || !nameCanBeCopied(entry) || !namesTake(&names, entry.name)) continue;
    if (!joinPath(sourceChild, sizeof sourceChild, source, entry.name) ||
        !joinPath(destinationChild, sizeof destinationChild, destination, entry.name))
      continue;
    if (!entry.isFolder) {
      if (copyFileUnbuffered(sourceChild, destinationChild, &entry.status, destinationIsNew)) ++runTally.realCopyCount;
      continue;
    }
    if (!headerFits(sourceChild, destinationChild) || guardEnter(guard, sourceChild) != walkInto) continue;
    // Inside a folder this run made, no sub-folder exists yet. Only "not
    // found" makes one new: a name that cannot be tested may be a link
    // that leads anywhere, which the guard must see as what stood there.
    bool isNew = destinationIsNew || osAccess(destinationChild) == ENOENT;
    // The folders above it stand (this level's is held open): one call makes
    // it, and only a failure needs the whole chain looked at.
    if (isNew && !osMakeFolder(destinationChild)) makePathChain(destinationChild);
    if (guardTarget(guard, destinationChild, !isNew) != walkInto) continue;
    drawHeader(sourceChild, destinationChild);
    copyLevel(sourceChild, destinationChild, guard, isNew);
    guardLeave(guard);
    restoreHeader(source, destination);
  } while (osListNext(listing, &entry) == listEntry);
  namesEnd(&names);
  osListClose(listing);
}

}  // namespace

void copyTree(const char* source, const char* destination) {
  if (!headerFits(source, destination)) return;
  drawHeader(source, destination);
  WalkGuard guard;
  if (guardStart(&guard, source, destination) == walkInto) copyLevel(source, destination, &guard, false);
  guardEnd(&guard);
}
