// Walk guard by folder identity.
#include "copy/walk_guard.h"

#include <string.h>

#include "text/sjis.h"

static bool sameFolder(const FolderId& a, const FolderId& b) { return a.volume == b.volume && a.index == b.index; }

void guardStart(WalkGuard* guard, const char* source, const char* destination) {
  guard->destinationKnown = osFolderIdentity(destination, &guard->destination);
  guard->depth = 0;
  guard->known[0] = osFolderIdentity(source, &guard->path[0]);
  guard->depth = 1;
}

bool guardEnter(WalkGuard* guard, const char* folder) {
  if (guard->depth >= walkDepthLimit) return false;
  FolderId id;
  bool known = osFolderIdentity(folder, &id);
  if (known) {
    if (guard->destinationKnown && sameFolder(id, guard->destination)) return false;
    for (int i = 0; i < guard->depth; ++i)
      if (guard->known[i] && sameFolder(id, guard->path[i])) return false;
  }
  // A folder whose identity cannot be had is walked; the path length still
  // bounds how deep that can go.
  guard->path[guard->depth] = id;
  guard->known[guard->depth] = known;
  ++guard->depth;
  return true;
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
