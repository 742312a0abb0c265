// Walk guard by folder identity.
#include "copy/walk_guard.h"

#include <string.h>

#include "text/ascii.h"
#include "text/path_text.h"

namespace {

const uint64_t allOnes = ~(uint64_t)0;

// A volume that keeps no IDs gives 0, one that cannot make a unique one
// gives all ones: neither says anything.
bool idWorth(const FolderId& id) {
  if (id.low == 0 && id.high == 0) return false;
  return !(id.low == allOnes && (id.high == allOnes || id.high == 0));
}

uint64_t keyOf(const char* text) {
  uint64_t key = 14695981039346656037ULL;
  for (; *text; ++text) key = (key ^ (unsigned char)foldAscii(*text)) * 1099511628211ULL;
  return key;
}

IdentityResult open(const char* path, GuardFolder* folder) {
  memset(folder, 0, sizeof *folder);
  folder->path = path;
  IdentityResult found = osOpenFolder(path, &folder->handle);
  if (found != identityOk) {
    folder->handle = nullptr;
    return found;
  }
  folder->indexHad = osFolderIndex(folder->handle, &folder->index) && folder->index != 0 && folder->index != allOnes;
  return identityOk;
}

void close(GuardFolder* folder) {
  if (folder->handle) osCloseFolder(folder->handle);
  folder->handle = nullptr;
}

bool idOf(GuardFolder* folder) {
  if (folder->idState == 0)
    folder->idState = osFolderId(folder->handle, &folder->id) && idWorth(folder->id) ? 1 : -1;
  return folder->idState == 1;
}

// The first form of its final path that the folder's volume gives.
bool firstLocation(GuardFolder* folder, char* text) {
  if (folder->locationState == 0) {
    folder->locationState = -1;
    for (int form = locationDrive; form < locationNone && folder->locationState < 0; ++form) {
      if (!osFolderLocation(folder->handle, (LocationForm)form, text, locationSize)) continue;
      folder->form = (LocationForm)form;
      folder->locationKey = keyOf(text);
      folder->locationState = 1;
    }
    return folder->locationState == 1;
  }
  return folder->locationState == 1 && osFolderLocation(folder->handle, folder->form, text, locationSize);
}

bool locationOf(GuardFolder* folder) {
  if (folder->locationState == 0) {
    char text[locationSize];
    firstLocation(folder, text);
  }
  return folder->locationState == 1;
}

enum Evidence { idsDiffer, idsAgree, idsProveNothing };

// Numbers that differ tell two folders apart at once; numbers that agree
// need the full identities, which volumes that keep no IDs give as 0.
Evidence byIds(GuardFolder* a, GuardFolder* b) {
  if (a->indexHad && b->indexHad && a->index != b->index) return idsDiffer;
  if (!idOf(a) || !idOf(b)) return idsProveNothing;
  bool agree = a->id.volume == b->id.volume && a->id.low == b->id.low && a->id.high == b->id.high;
  return agree ? idsAgree : idsDiffer;
}

bool sameFullPath(const char* a, const char* b) {
  char fullA[locationSize];
  char fullB[locationSize];
  if (!osFullPath(a, fullA, locationSize) || !osFullPath(b, fullB, locationSize)) return sameLocation(a, b);
  return sameLocation(fullA, fullB);
}

// Final paths tell where IDs agree, since a volume may hand an ID out
// again, and where they prove nothing. Without final paths, IDs that agree
// are taken at their word (the folders of the path are held open, so
// theirs are not handed out again); with neither, only the same full path
// is the same folder, and the depth limit ends a cycle through links.
bool same(GuardFolder* a, GuardFolder* b) {
  Evidence ids = byIds(a, b);
  if (ids == idsDiffer) return false;
  if (locationOf(a) && locationOf(b) && a->form == b->form) {
    if (a->locationKey != b->locationKey) return false;
    char textA[locationSize];
    char textB[locationSize];
    return firstLocation(a, textA) && firstLocation(b, textB) && sameLocation(textA, textB);
  }
  if (ids == idsAgree) return true;
  return sameFullPath(a->path, b->path);
}

// A failure to open the destination may pass: it is asked again whenever
// it is needed, and until it is had no folder can be told from it.
bool destinationKnown(WalkGuard* guard) {
  if (!guard->destinationKnown) {
    IdentityResult found = open(guard->destination.path, &guard->destination);
    guard->destinationKnown = found != identityFailed;
    guard->destinationExists = found == identityOk;
  }
  return guard->destinationKnown;
}

bool onPath(WalkGuard* guard, GuardFolder* folder) {
  for (int i = 0; i < guard->depth; ++i) {
    if (same(folder, &guard->sources[i])) return true;
    if (guard->targetKnown[i] && same(folder, &guard->targets[i])) return true;
  }
  return false;
}

// A link anywhere from the top-level destination down to a folder (link:
// what osIsLink said of the folder itself) may lead anywhere.
bool linkOnTheWay(WalkGuard* guard, int link) {
  if (link != 0) return true;
  for (int i = guard->depth - 1; i >= 0; --i) {
    if (!guard->targetKnown[i]) continue;
    if (guard->targetLinked[i] == 0) guard->targetLinked[i] = osIsLink(guard->targets[i].path) == 0 ? -1 : 1;
    if (guard->targetLinked[i] == 1) return true;
  }
  return false;
}

// A link in the destination is followed only where nothing the walk writes
// to lies: not into the destination, nor into, above or at where another
// link followed leads.
bool followOnce(WalkGuard* guard, const char* location) {
  if (guard->destinationLocation[0] && (locationWithin(location, guard->destinationLocation) ||
                                        locationWithin(guard->destinationLocation, location)))
    return false;
  for (int i = 0; i < guard->followedCount; ++i)
    if (locationWithin(location, guard->followed[i]) || locationWithin(guard->followed[i], location)) return false;
  if (guard->followedCount == walkLinksFollowed) return false;
  copyText(guard->followed[guard->followedCount++], locationSize, location);
  return true;
}

// What stood in the destination before the run may lead anywhere: into
// the source it would send the copies' writes, or, as a link below the
// destination, to another of its folders, whose copies would take turns in
// it. Its final path, in the source's form, says where it leads; without
// one, its full path says it unless a link on the way could lead elsewhere.
bool mayLeadAstray(WalkGuard* guard, GuardFolder* folder) {
  int link = osIsLink(folder->path);
  // A folder that is no link lies one name below its parent in the
  // destination, which is not inside the source: it could only be the
  // source itself, which the comparison with the path finds.
  if (guard->depth > 0 && guard->targetKnown[guard->depth - 1] && link == 0) return false;
  char location[locationSize];
  if (guard->sourceForm != locationNone &&
      osFolderLocation(folder->handle, guard->sourceForm, location, locationSize)) {
    if (locationWithin(location, guard->sourceLocation)) return true;
    return guard->depth > 0 && link != 0 && !followOnce(guard, location);
  }
  if (!osFullPath(folder->path, location, locationSize) || locationWithin(location, guard->sourceFull)) return true;
  return linkOnTheWay(guard, link);
}

GuardAnswer enter(WalkGuard* guard, const char* source) {
  if (guard->depth >= walkDepthLimit) return notWalked;
  GuardFolder folder;
  if (open(source, &folder) != identityOk) return notWalked;
  if (!destinationKnown(guard)) {
    close(&folder);
    return notWalked;
  }
  if ((guard->destinationExists && same(&folder, &guard->destination)) || onPath(guard, &folder)) {
    close(&folder);
    return passOver;
  }
  guard->sources[guard->depth] = folder;
  guard->targetKnown[guard->depth] = false;
  guard->targetLinked[guard->depth] = 0;
  ++guard->depth;
  return walkInto;
}

}  // namespace

GuardAnswer guardStart(WalkGuard* guard, const char* source, const char* destination) {
  memset(&guard->destination, 0, sizeof guard->destination);
  guard->destination.path = destination;
  guard->destinationKnown = false;
  guard->depth = 0;
  destinationKnown(guard);
  GuardAnswer answer = enter(guard, source);
  if (answer == walkInto) {
    guard->sourceForm = firstLocation(&guard->sources[0], guard->sourceLocation) ? guard->sources[0].form : locationNone;
    if (!osFullPath(source, guard->sourceFull, locationSize)) copyText(guard->sourceFull, locationSize, source);
    guard->destinationLocation[0] = 0;
    guard->followedCount = 0;
    answer = guardTarget(guard, destination, true);
    if (answer == walkInto && guard->sourceForm != locationNone &&
        !osFolderLocation(guard->targets[0].handle, guard->sourceForm, guard->destinationLocation, locationSize))
      guard->destinationLocation[0] = 0;
  }
  // At the top nothing is passed over in silence: a source that is its own
  // destination has not been copied.
  return answer == walkInto ? walkInto : notWalked;
}

GuardAnswer guardEnter(WalkGuard* guard, const char* source) { return enter(guard, source); }

GuardAnswer guardTarget(WalkGuard* guard, const char* destination, bool existed) {
  GuardFolder folder;
  IdentityResult found = open(destination, &folder);
  // A destination folder that could not be made is no folder of the walk:
  // its files fail one by one and are listed one by one.
  if (found == identityMissing) return walkInto;
  // Compared with the path as it was, and with the folder just entered.
  --guard->depth;
  GuardFolder* entered = &guard->sources[guard->depth];
  bool refused = found != identityOk || (existed && mayLeadAstray(guard, &folder)) ||
                 onPath(guard, &folder) || same(&folder, entered);
  if (refused) {
    close(&folder);
    close(entered);
    return notWalked;
  }
  guard->targets[guard->depth] = folder;
  guard->targetKnown[guard->depth] = true;
  ++guard->depth;
  return walkInto;
}

void guardLeave(WalkGuard* guard) {
  if (guard->depth == 0) return;
  --guard->depth;
  close(&guard->sources[guard->depth]);
  if (guard->targetKnown[guard->depth]) close(&guard->targets[guard->depth]);
}

void guardEnd(WalkGuard* guard) {
  while (guard->depth > 0) guardLeave(guard);
  close(&guard->destination);
}
