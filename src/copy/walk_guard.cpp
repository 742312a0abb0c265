// Walk guard by folder identity, and the checks of listed names.
#include "copy/walk_guard.h"

#include <string.h>

#include "copy/replacement.h"
#include "platform/memory_os.h"
#include "text/path_text.h"
#include "text/chars.h"

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

namespace {

const char* const deviceNames[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4",
                                   "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3",
                                   "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9", "CONIN$", "CONOUT$"};

// A device name reaches the device whatever extension follows it, and
// blanks before the extension do not count.
bool isDeviceName(const char* name) {
  char base[16];
  int length = 0;
  while (name[length] != 0 && name[length] != '.' && length < (int)sizeof base - 1) {
    base[length] = name[length];
    ++length;
  }
  if (name[length] != 0 && name[length] != '.') return false;
  while (length > 0 && base[length - 1] == ' ') --length;
  base[length] = 0;
  if (length < 3 || length == 5 || length > 7) return false;
  for (const char* device : deviceNames)
    if (sameTextIgnoringCase(base, device)) return true;
  return false;
}

}  // namespace

bool nameCanBeCopied(const ListEntry& entry) {
  if (entry.nameLost || entry.name[0] == 0) return false;
  int last = 0;
  for (int i = 0; entry.name[i] != 0; i = nextCharAt(entry.name, i)) {
    unsigned char c = (unsigned char)entry.name[i];
    if (c < 0x20 || strchr("\\/:*?\"<>|", c)) return false;
    if (isLeadByte(c) && entry.name[i + 1] == 0) return false;
    last = i;
  }
  // The system drops a trailing dot or blank: "report." would open "report".
  if (entry.name[last] == '.' || entry.name[last] == ' ') return false;
  // A copy of such a name could be taken for an unfinished replacement.
  return !isDeviceName(entry.name) && !isTemporaryName(entry.name);
}

void namesStart(NameSet* names) {
  memset(names->inline_, 0, sizeof names->inline_);
  names->slots = names->inline_;
  names->capacity = (int)(sizeof names->inline_ / sizeof names->inline_[0]);
  names->count = 0;
}

namespace {

// Open addressing over the keys; 0 marks a free slot.
bool placeKey(uint64_t* slots, int capacity, uint64_t key) {
  for (int at = (int)(key & (uint64_t)(capacity - 1));; at = (at + 1) & (capacity - 1)) {
    if (slots[at] == key) return false;
    if (slots[at] == 0) {
      slots[at] = key;
      return true;
    }
  }
}

bool grow(NameSet* names) {
  int capacity = names->capacity * 2;
  uint64_t* slots = (uint64_t*)osAlloc(sizeof(uint64_t) * (size_t)capacity);
  if (!slots) return false;
  memset(slots, 0, sizeof(uint64_t) * (size_t)capacity);
  for (int i = 0; i < names->capacity; ++i)
    if (names->slots[i] != 0) placeKey(slots, capacity, names->slots[i]);
  if (names->slots != names->inline_) osFree(names->slots);
  names->slots = slots;
  names->capacity = capacity;
  return true;
}

}  // namespace

bool namesTake(NameSet* names, const char* name) {
  uint64_t key = osNameKey(name);
  if (key == 0) key = 1;
  if (2 * (names->count + 1) > names->capacity && !grow(names)) return false;
  if (!placeKey(names->slots, names->capacity, key)) return false;
  ++names->count;
  return true;
}

void namesEnd(NameSet* names) {
  if (names->slots != names->inline_) osFree(names->slots);
  names->slots = names->inline_;
  names->capacity = 0;
  names->count = 0;
}
