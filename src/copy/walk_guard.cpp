// Walk guard by folder identity.
#include "copy/walk_guard.h"

#include <string.h>


namespace {

enum Sameness { different, same, cannotTell };

bool volumeOf(GuardFolder* folder) {
  if (folder->volumeState == 0) folder->volumeState = osVolumeSerial(folder->path, &folder->volume) ? 1 : -1;
  return folder->volumeState == 1;
}

// Numbers that differ tell two folders apart at once; numbers that agree
// need the volumes too.
Sameness compare(GuardFolder* a, GuardFolder* b) {
  if (a->index != b->index) return different;
  if (!volumeOf(a) || !volumeOf(b)) return cannotTell;
  return a->volume == b->volume ? same : different;
}

// location: where it really is, asked in the same call, when not null.
IdentityResult identify(const char* path, GuardFolder* folder, char* location = nullptr) {
  folder->path = path;
  folder->volumeState = 0;
  return osFolderIndex(path, &folder->index, location, location ? locationSize : 0);
}

// A failure to learn the destination's identity may pass: it is asked again
// whenever it is needed, and until it is had no folder can be told from it.
bool destinationKnown(WalkGuard* guard) {
  if (!guard->destinationKnown) {
    IdentityResult found = identify(guard->destination.path, &guard->destination);
    guard->destinationKnown = found != identityFailed;
    guard->destinationExists = found == identityOk;
  }
  return guard->destinationKnown;
}

// The worst of folder against every folder of the path on both sides.
Sameness againstPath(WalkGuard* guard, GuardFolder* folder) {
  Sameness worst = different;
  for (int i = 0; i < guard->depth && worst != same; ++i) {
    Sameness s = compare(folder, &guard->sources[i]);
    if (s == different && guard->targetKnown[i]) s = compare(folder, &guard->targets[i]);
    if (s != different) worst = s;
  }
  return worst;
}

GuardAnswer enter(WalkGuard* guard, const char* source, char* location) {
  if (guard->depth >= walkDepthLimit) return passOver;
  GuardFolder folder;
  if (identify(source, &folder, location) != identityOk || !destinationKnown(guard)) return notWalked;
  Sameness met = guard->destinationExists ? compare(&folder, &guard->destination) : different;
  if (met != same) {
    Sameness onPath = againstPath(guard, &folder);
    if (onPath != different) met = onPath;
  }
  if (met == same) return passOver;
  if (met == cannotTell) return notWalked;
  guard->sources[guard->depth] = folder;
  guard->targetKnown[guard->depth] = false;
  ++guard->depth;
  return walkInto;
}

}  // namespace

GuardAnswer guardStart(WalkGuard* guard, const char* source, const char* destination) {
  guard->destination.path = destination;
  guard->destinationKnown = false;
  guard->depth = 0;
  destinationKnown(guard);
  // The source's real location is had with its identity, or nothing is walked.
  GuardAnswer answer = enter(guard, source, guard->sourceLocation);
  if (answer == walkInto) answer = guardTarget(guard, destination, true);
  // At the top nothing is passed over in silence: a source that is its own
  // destination has not been copied.
  return answer == walkInto ? walkInto : notWalked;
}

GuardAnswer guardEnter(WalkGuard* guard, const char* source) { return enter(guard, source, nullptr); }

GuardAnswer guardTarget(WalkGuard* guard, const char* destination, bool existed) {
  GuardFolder folder;
  char location[locationSize];
  IdentityResult found = identify(destination, &folder, existed ? location : nullptr);
  // A destination folder that could not be made is no folder of the walk:
  // its files fail one by one and are listed one by one.
  if (found == identityMissing) return walkInto;
  // Compared with the path as it was, and with the folder just entered.
  --guard->depth;
  if (found != identityOk) return notWalked;
  // What stood there before the run may lead anywhere: into the source it
  // would send the copies' writes.
  if (existed && locationWithin(location, guard->sourceLocation)) return notWalked;
  Sameness met = againstPath(guard, &folder);
  if (met == different) met = compare(&folder, &guard->sources[guard->depth]);
  if (met != different) return notWalked;
  guard->targets[guard->depth] = folder;
  guard->targetKnown[guard->depth] = true;
  ++guard->depth;
  return walkInto;
}

void guardLeave(WalkGuard* guard) {
  if (guard->depth > 0) --guard->depth;
}
