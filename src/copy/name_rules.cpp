// The checks of listed names.
#include "copy/name_rules.h"

#include <string.h>

#include "copy/replacement.h"
#include "platform/memory_os.h"
#include "text/chars.h"
#include "text/path_text.h"

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
