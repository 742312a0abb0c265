// The one tree walk.
#include "copy/tree_walk.h"

#include <string.h>

#include "copy/kept_listings.h"
#include "copy/name_rules.h"
#include "copy/volume_info.h"
#include "copy/walk_guard.h"
#include "text/ascii.h"
#include "text/path_text.h"

namespace {

const int labelLength = 14;  // "FROM FOLDER = " and "TO   FOLDER = "

struct Walk {
  const WalkSteps* steps;
  WalkGuard guard;
  bool stopped;  // the destination was met inside the source: nothing more is done
};

// A pass shows a level's two folders in header lines, which must fit a
// path buffer whole.
bool headerFits(const char* source, const char* destination) {
  return labelLength + strlen(source) < (size_t)pathBufferSize &&
         labelLength + strlen(destination) < (size_t)pathBufferSize;
}

bool isDotEntry(const char* name) { return strcmp(name, ".") == 0 || strcmp(name, "..") == 0; }

// Every volume's root holds folders of the system's own, which the user may
// not open: a copy of a whole drive leaves them out, and does not list them.
bool isSystemFolder(const WalkLevel& level, const char* name) {
  const char* root = level.source;
  if (level.depth != 0 || !isAsciiLetter(root[0]) || root[1] != ':' || (root[2] != 0 && (root[2] != '\\' || root[3] != 0)))
    return false;
  return sameTextIgnoringCase(name, "System Volume Information") || sameTextIgnoringCase(name, "$RECYCLE.BIN");
}

void miss(Walk* walk, const char* folder, const char* name) {
  if (walk->steps->missed) walk->steps->missed(folder, name);
}

bool walkLevel(Walk* walk, const WalkLevel& level);

void walkFolder(Walk* walk, const WalkLevel& parent, const char* source, const char* destination, bool link) {
  if (!headerFits(source, destination)) return miss(walk, source, nullptr);
  GuardAnswer answer = guardEnter(&walk->guard, source, link);
  if (answer == passOver) return;
  walk->stopped = answer == walkStops;
  if (answer != walkInto) return miss(walk, source, nullptr);
  const WalkSteps& steps = *walk->steps;
  bool isNew = steps.make && steps.make(destination, parent.destinationIsNew);
  if (guardTarget(&walk->guard, destination) != walkInto) return miss(walk, source, nullptr);
  // A folder lies on its parent's volume, unless it is a link or a volume's
  // mount point.
  char root[volumeRootSize];
  const char* volumeRoot = parent.volumeRoot;
  if (guardTargetLinked(&walk->guard) && volumeRootOf(destination, root, sizeof root)) volumeRoot = root;
  WalkLevel level = {source, destination, parent.depth + 1, isNew, volumeRoot};
  if (steps.entered) steps.entered(level);
  walkLevel(walk, level);
  guardLeave(&walk->guard);
  if (steps.left) steps.left(level, parent);
}

// false when the level's folder shows no entry at all.
bool walkLevel(Walk* walk, const WalkLevel& level) {
  PathBuffer sourceChild;
  PathBuffer destinationChild;
  ListEntry entry;
  FolderListing listing;
  ListResult listed = listingFirst(level.source, &listing, &entry);
  if (listed != listEntry) {
    if (level.depth > 0 && listed == listFailed) miss(walk, level.source, nullptr);
    return false;
  }
  NameSet names;
  namesStart(&names);
  do {
    if (isDotEntry(entry.name) || isSystemFolder(level, entry.name)) continue;
    // A name that cannot stand for itself, or that the destination would
    // take for one met already, gets no copy.
    if (!nameCanBeCopied(entry) || !namesTake(&names, entry.name) ||
        !joinPath(sourceChild, sizeof sourceChild, level.source, entry.name) ||
        !joinPath(destinationChild, sizeof destinationChild, level.destination, entry.name)) {
      miss(walk, level.source, entry.name);
      continue;
    }
    // A link's own record says nothing of what it leads to.
    FileStatus status = entry.status;
    bool folder = entry.isFolder;
    if (entry.isLink && !folder) {
      if (osFileStatus(sourceChild, &status) != statusOk) {
        miss(walk, level.source, entry.name);
        continue;
      }
      folder = (status.mode & folderModeBit) != 0;
    }
    if (folder) walkFolder(walk, level, sourceChild, destinationChild, entry.isLink);
    else if (walk->steps->file) walk->steps->file(level, sourceChild, destinationChild, status);
  } while (!walk->stopped && (listed = listingNext(&listing, &entry)) == listEntry);
  namesEnd(&names);
  listingClose(&listing);
  // A listing that broke off leaves entries nobody looked at.
  if (listed == listFailed && !walk->stopped) miss(walk, level.source, nullptr);
  return true;
}

// One walk at a time; its guard is too large for the stack of every caller.
Walk walk;

}  // namespace

WalkOutcome walkTree(const char* source, const char* destination, const WalkSteps& steps) {
  if (!headerFits(source, destination)) return walkRefused;
  // The facts of the volume inside the destination, which may be mounted there.
  char root[volumeRootSize];
  WalkLevel top = {source, destination, 0, false, volumeRootOf(destination, root, sizeof root) ? root : nullptr};
  if (steps.entered) steps.entered(top);
  walk.steps = &steps;
  walk.stopped = false;
  WalkOutcome outcome = walkRefused;
  if (guardStart(&walk.guard, source, destination) == walkInto) {
    bool listed = walkLevel(&walk, top);
    outcome = walk.stopped ? walkStopped : listed ? walkDone : walkUnlisted;
  }
  guardEnd(&walk.guard);
  return outcome;
}
