// Which listed names a walk may copy: a name must stand for itself alone.
#pragma once
#include <stdint.h>

#include "platform/files_os.h"

/// false for a listed name that cannot stand for itself: one the code page
/// could not spell, one holding a separator or a character no name may hold,
/// one the system would shorten into another name (a trailing dot or blank),
/// a device name (CON, NUL, COM1, ...), and one of the form the copies give
/// their unfinished replacements.
bool nameCanBeCopied(const ListEntry& entry);

/// The names already met in one folder's listing, by the key the file system
/// compares them by. Small folders need no heap.
struct NameSet {
  uint64_t inline_[32];
  uint64_t* slots;
  int capacity;  // a power of two
  int count;
};

void namesStart(NameSet* names);
/// false when the file system would take name for one met before in this
/// folder (a case twin from a case-sensitive source), and when that cannot
/// be told because the set could not grow.
bool namesTake(NameSet* names, const char* name);
void namesEnd(NameSet* names);
