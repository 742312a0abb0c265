// Whether two folders are one, by what their volumes say of them.
#include "copy/folder_identity.h"

#include <string.h>

#include "copy/real_location.h"
#include "text/ascii.h"

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

// 1: the ID was had and is worth something; 2: only its volume's serial
// is; -1: it cannot be had.
int idOf(HeldFolder* folder) {
  if (folder->idState == 0)
    folder->idState = !osFolderId(folder->handle, &folder->id) ? -1 : idWorth(folder->id) ? 1 : 2;
  return folder->idState;
}

bool locationOf(HeldFolder* folder) {
  if (folder->locationState == 0) {
    char text[locationSize];
    firstLocation(folder, text);
  }
  return folder->locationState == 1;
}

bool sameFullPath(const char* a, const char* b) {
  char fullA[locationSize];
  char fullB[locationSize];
  if (!osFullPath(a, fullA, locationSize) || !osFullPath(b, fullB, locationSize)) return sameLocation(a, b);
  return sameLocation(fullA, fullB);
}

}  // namespace

bool firstLocation(HeldFolder* folder, char* text) {
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

IdentityResult openFolder(const char* path, bool link, HeldFolder* folder) {
  memset(folder, 0, sizeof *folder);
  folder->path = path;
  folder->link = link;
  IdentityResult found = osOpenFolder(path, &folder->handle);
  if (found != identityOk) {
    folder->handle = nullptr;
    return found;
  }
  folder->indexHad = osFolderIndex(folder->handle, &folder->index) && folder->index != 0 && folder->index != allOnes;
  return identityOk;
}

void closeFolder(HeldFolder* folder) {
  if (folder->handle) osCloseFolder(folder->handle);
  folder->handle = nullptr;
}

// Numbers that differ tell two folders apart at once, and are all that most
// comparisons need. Both folders are held open, so neither ID can have been
// handed out again.
Sameness compare(HeldFolder* folder, HeldFolder* known) {
  if (folder->indexHad && known->indexHad && folder->index != known->index) return otherFolder;
  const FolderId& a = folder->id;
  const FolderId& b = known->id;
  int idsA = idOf(folder);
  int idsB = idOf(known);
  // One volume has one serial (two may share one): serials that differ tell
  // two folders apart even where the volume keeps no IDs.
  if (idsA > 0 && idsB > 0 && a.volume != 0 && b.volume != 0 && a.volume != b.volume) return otherFolder;
  if (idsA == 1 && idsB == 1) {
    if (a.low != b.low || a.high != b.high) return otherFolder;
    int64_t createdA = 0;
    int64_t createdB = 0;
    bool twoTimes = osFolderCreated(folder->handle, &createdA) && osFolderCreated(known->handle, &createdB) &&
                    createdA != createdB;
    return twoTimes ? otherFolder : sameFolder;
  }
  if (locationOf(folder) && locationOf(known) && folder->form == known->form) {
    if (folder->locationKey != known->locationKey) return otherFolder;
    char textA[locationSize];
    char textB[locationSize];
    if (!firstLocation(folder, textA) || !firstLocation(known, textB)) return cannotTell;
    return sameLocation(textA, textB) ? sameFolder : otherFolder;
  }
  if (sameFullPath(folder->path, known->path)) return sameFolder;
  return folder->link ? cannotTell : otherFolder;
}
