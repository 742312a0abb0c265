// Walk guard by folder identity.
#include "copy/walk_guard.h"

#include <string.h>

#include "text/chars.h"
#include "text/path_text.h"

namespace {

// A failure to open the destination may pass: it is asked again whenever
// it is needed, and until it is had no folder can be told from it.
bool destinationKnown(WalkGuard* guard) {
  if (!guard->destinationKnown) {
    IdentityResult found = openFolder(guard->destination.path, guard->destination.link, &guard->destination);
    guard->destinationKnown = found != identityFailed;
    guard->destinationExists = found == identityOk;
  }
  return guard->destinationKnown;
}

// The folders of one side of the path from which a folder that is no link,
// met below them on that side, lies strictly deeper than any: from the
// deepest link on the way down. Only a link can lead back up (on these
// volumes a folder has one parent), however the volume numbers its folders.
int plainBelow(const HeldFolder* side, const bool* known, int depth, const HeldFolder* folder) {
  if (folder->link) return depth;
  int from = 0;
  for (int i = 0; i < depth; ++i)
    if (!known || known[i]) {
      if (side[i].link) from = i;
    }
  return from;
}

// What folder is to the walk's path: a folder of it (on the source side or
// the destination side), not one of it, or cannot tell. *target is set when
// it is one of the destination side. sourceSide: folder was met as a source.
Sameness onPath(WalkGuard* guard, HeldFolder* folder, bool sourceSide, bool* target) {
  int plainSources = sourceSide ? plainBelow(guard->sources, nullptr, guard->depth, folder) : guard->depth;
  int plainTargets = sourceSide ? guard->depth : plainBelow(guard->targets, guard->targetKnown, guard->depth, folder);
  Sameness found = otherFolder;
  for (int i = 0; i < guard->depth; ++i) {
    Sameness s = i >= plainSources ? otherFolder : compare(folder, &guard->sources[i]);
    if (s == sameFolder) return sameFolder;
    if (s == cannotTell) found = cannotTell;
    if (!guard->targetKnown[i]) continue;
    s = i >= plainTargets ? otherFolder : compare(folder, &guard->targets[i]);
    if (s == sameFolder) {
      *target = true;
      return sameFolder;
    }
    if (s == cannotTell) found = cannotTell;
  }
  return found;
}

// A link anywhere from the top-level destination down to folder may lead
// anywhere.
bool linkOnTheWay(WalkGuard* guard, const HeldFolder* folder) {
  if (folder->link) return true;
  for (int i = guard->depth - 1; i >= 0; --i)
    if (guard->targetKnown[i] && guard->targets[i].link) return true;
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

// A link whose final path is where its own name stands leads nowhere else
// (a volume mounted there, or a folder some volumes mark as a link).
bool standsWhereItLeads(WalkGuard* guard, const HeldFolder* folder, const char* location) {
  if (!guard->targetKnown[guard->depth - 1]) return false;
  char own[locationSize];
  return osChildLocation(guard->targets[guard->depth - 1].handle, guard->sourceForm, baseNameOf(folder->path), own,
                         locationSize) &&
         sameLocation(own, location);
}

// What stands in the destination may lead anywhere: into the source it
// would send the copies' writes, or, as a link below the destination, to
// another of its folders, whose copies would take turns in it. Its final
// path, in the source's form, says where it leads; without one, its full
// path says it unless a link on the way could lead elsewhere.
bool mayLeadAstray(WalkGuard* guard, HeldFolder* folder) {
  int link = osIsLink(folder->path);
  folder->link = link != 0;
  // A folder that is no link lies one name below its parent in the
  // destination, which is not inside the source: it could only be the
  // source itself, which the comparison with the path finds.
  if (guard->depth > 0 && guard->targetKnown[guard->depth - 1] && link == 0) return false;
  char location[locationSize];
  if (guard->sourceForm != locationNone &&
      osFolderLocation(folder->handle, guard->sourceForm, location, locationSize)) {
    if (locationWithin(location, guard->sourceLocation)) return true;
    if (guard->depth == 0 || link == 0 || standsWhereItLeads(guard, folder, location)) return false;
    return !followOnce(guard, location);
  }
  if (!osFullPath(folder->path, location, locationSize) || locationWithin(location, guard->sourceFull)) return true;
  return linkOnTheWay(guard, folder);
}

GuardAnswer enter(WalkGuard* guard, const char* source, bool link) {
  if (guard->depth >= walkDepthLimit) return notWalked;
  HeldFolder folder;
  if (openFolder(source, link, &folder) != identityOk) return notWalked;
  if (!destinationKnown(guard)) {
    closeFolder(&folder);
    return notWalked;
  }
  // The destination, or a folder of its side, met as a source: through a
  // link it is the copy itself; under another name it lies inside the
  // source, and every copy so far has been written there.
  Sameness found = otherFolder;
  bool target = false;
  if (guard->destinationExists) {
    found = compare(&folder, &guard->destination);
    target = found == sameFolder;
  }
  if (found != sameFolder) {
    Sameness path = onPath(guard, &folder, true, &target);
    if (path != otherFolder) found = path;
  }
  if (found != otherFolder) {
    closeFolder(&folder);
    if (found == cannotTell) return notWalked;
    return target && !link ? walkStops : passOver;
  }
  guard->sources[guard->depth] = folder;
  guard->targetKnown[guard->depth] = false;
  ++guard->depth;
  return walkInto;
}

// The length of the root of a full path: "X:\", or "\\server\share\".
int rootLength(const char* full) {
  if (full[0] != '\\' || full[1] != '\\') return full[1] == ':' && full[2] == '\\' ? 3 : 0;
  int found = 0;
  for (int i = 0; full[i]; ++i)
    if (full[i] == '\\' && ++found == 4) return i + 1;
  return 0;
}

// Whether a folder above the destination, by its full path, is the source,
// or cannot be told from it: the destination lies inside the source under
// another name (a second name of a share or a folder).
bool aboveIsSource(WalkGuard* guard) {
  char above[locationSize];
  if (!osFullPath(guard->destination.path, above, locationSize)) return false;
  int root = rootLength(above);
  if (root == 0) return false;
  HeldFolder* source = &guard->sources[0];
  for (int cut = (int)strlen(above) - 1; cut >= root - 1; --cut) {
    if (above[cut] != '\\' || isTrailByte(above, cut)) continue;
    above[cut == root - 1 ? root : cut] = 0;
    HeldFolder folder;
    // Either may have been reached through a link.
    if (openFolder(above, osIsLink(above) != 0 || source->link, &folder) == identityOk) {
      Sameness found = compare(&folder, source);
      closeFolder(&folder);
      if (found != otherFolder) return true;
    }
  }
  return false;
}

}  // namespace

GuardAnswer guardStart(WalkGuard* guard, const char* source, const char* destination) {
  memset(&guard->destination, 0, sizeof guard->destination);
  guard->destination.path = destination;
  guard->destination.link = osIsLink(destination) != 0;
  guard->destinationKnown = false;
  guard->depth = 0;
  destinationKnown(guard);
  GuardAnswer answer = enter(guard, source, osIsLink(source) != 0);
  if (answer == walkInto) {
    guard->sourceForm = firstLocation(&guard->sources[0], guard->sourceLocation) ? guard->sources[0].form : locationNone;
    if (!osFullPath(source, guard->sourceFull, locationSize)) copyText(guard->sourceFull, locationSize, source);
    guard->destinationLocation[0] = 0;
    guard->followedCount = 0;
    answer = guardTarget(guard, destination);
    if (answer == walkInto && guard->targetKnown[0] && guard->sourceForm != locationNone &&
        !osFolderLocation(guard->targets[0].handle, guard->sourceForm, guard->destinationLocation, locationSize))
      guard->destinationLocation[0] = 0;
    if (answer == walkInto && aboveIsSource(guard)) answer = notWalked;
  }
  // At the top nothing is passed over in silence: a source that is its own
  // destination has not been copied.
  return answer == walkInto ? walkInto : notWalked;
}

GuardAnswer guardEnter(WalkGuard* guard, const char* source, bool link) { return enter(guard, source, link); }

GuardAnswer guardTarget(WalkGuard* guard, const char* destination) {
  HeldFolder folder;
  IdentityResult found = openFolder(destination, false, &folder);
  // A destination folder that could not be made is no folder of the walk:
  // its files fail one by one and are listed one by one.
  if (found == identityMissing) return walkInto;
  // Compared with the path as it was, and with the folder just entered.
  --guard->depth;
  HeldFolder* entered = &guard->sources[guard->depth];
  bool target = false;
  bool refused = found != identityOk || mayLeadAstray(guard, &folder) || onPath(guard, &folder, false, &target) != otherFolder ||
                 compare(&folder, entered) != otherFolder;
  if (refused) {
    closeFolder(&folder);
    closeFolder(entered);
    return notWalked;
  }
  guard->targets[guard->depth] = folder;
  guard->targetKnown[guard->depth] = true;
  ++guard->depth;
  return walkInto;
}

bool guardTargetLinked(const WalkGuard* guard) {
  return guard->depth > 0 && guard->targetKnown[guard->depth - 1] && guard->targets[guard->depth - 1].link;
}

void guardLeave(WalkGuard* guard) {
  if (guard->depth == 0) return;
  --guard->depth;
  closeFolder(&guard->sources[guard->depth]);
  if (guard->targetKnown[guard->depth]) closeFolder(&guard->targets[guard->depth]);
}

void guardEnd(WalkGuard* guard) {
  while (guard->depth > 0) guardLeave(guard);
  closeFolder(&guard->destination);
}
