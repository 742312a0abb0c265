// Walk guard by folder identity.
#include "copy/walk_guard.h"

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
