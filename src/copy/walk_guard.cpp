// Walk guard by folder identity.
#include "copy/walk_guard.h"

#include <string.h>

#include "text/path_text.h"
#include "text/sjis.h"

static bool sameFolder(const FolderId& a, const FolderId& b) { return a.volume == b.volume && a.index == b.index; }

static bool identityAt(WalkGuard* guard, int level, FolderId* id) {
  if (guard->idState[level] == 0) guard->idState[level] = osFolderIdentity(guard->path[level], &guard->ids[level]) ? 1 : -1;
  *id = guard->ids[level];
  return guard->idState[level] == 1;
}

void guardStart(WalkGuard* guard, const char* source, const char* destination) {
  guard->destinationKnown = osFolderIdentity(destination, &guard->destination);
  // The destination's name as the listing shows it, whatever case or short
  // form the path spells it in; a drive root has none.
  guard->destinationName[0] = 0;
  ListHandle listing = nullptr;
  ListEntry own;
  if (osListFirst(destination, &listing, &own) == listEntry) {
    if (!own.nameLost) strcpy(guard->destinationName, own.name);
    osListClose(listing);
  }
  guard->path[0] = source;
  guard->idState[0] = 0;
  guard->depth = 1;
}

GuardAnswer guardEnter(WalkGuard* guard, const char* folder, const ListEntry& entry) {
  if (guard->depth >= walkDepthLimit) return passOver;
  // Without a link, a folder is new to the path and can only be the
  // destination itself, which then bears the destination's name.
  bool suspect = entry.isLink || guard->destinationName[0] == 0 ||
                 sameTextIgnoringCase(entry.name, guard->destinationName);
  FolderId id = {0, 0};
  if (suspect) {
    if (!osFolderIdentity(folder, &id)) return cannotTell;
    if (guard->destinationKnown && sameFolder(id, guard->destination)) return passOver;
    FolderId above;
    for (int i = 0; i < guard->depth; ++i)
      if (identityAt(guard, i, &above) && sameFolder(id, above)) return passOver;
  }
  guard->path[guard->depth] = folder;
  guard->ids[guard->depth] = id;
  guard->idState[guard->depth] = suspect ? 1 : 0;  // others are asked when needed
  ++guard->depth;
  return walkInto;
}

void guardLeave(WalkGuard* guard) {
  if (guard->depth > 0) --guard->depth;
}

bool nameCanBeCopied(const ListEntry& entry) {
  if (entry.nameLost || entry.name[0] == 0) return false;
  for (int i = 0; entry.name[i] != 0; i += isLeadByte((unsigned char)entry.name[i]) ? 2 : 1) {
    if (strchr("\\/:*?\"<>|", entry.name[i])) return false;
    if (isLeadByte((unsigned char)entry.name[i]) && entry.name[i + 1] == 0) return false;
  }
  return true;
}
