// Destination volume facts, cached by the root of the volume that holds the
// destination's folder.
#include "copy/volume_info.h"

#include <string.h>

#include "platform/files_os.h"
#include "text/ascii.h"
#include "text/chars.h"
#include "text/path_text.h"

namespace {

const int rootSize = 260;

struct VolumeFacts {
  char root[rootSize];
  bool coarseKnown;
  bool coarse;
  bool sectorKnown;
  uint32_t sectorSize;
  bool refusesUnbuffered;
};

const int remembered = 8;
VolumeFacts volumes[remembered];
int volumeCount = 0;
int nextSlot = 0;

// The folders asked last and the roots their volumes came out as: the files
// of one folder cost no question each, and a sub-folder that is no link (a
// volume mounted in a folder is one) lies on its parent's volume, which a
// depth-first walk has asked of just before.
struct FolderRoot {
  PathBuffer folder;
  char root[rootSize];
  bool found;
  uint32_t used;  // when it was last asked for: the longest unused one goes first
};

const int foldersKept = 8;
FolderRoot folderRoots[foldersKept];
uint32_t useClock = 0;

// "X:\" for a drive path, "\\server\share\" for a network path, empty for a
// path with neither (it lies on the current folder's volume).
bool writtenRootOf(const char* path, char* root, int size) {
  if (path[0] == '\\' && path[1] == '\\') {
    // Plain byte searches: server and share names end at the first backslash.
    const char* server = strchr(path + 2, '\\');
    const char* share = server ? strchr(server + 1, '\\') : nullptr;
    if (!share) return false;
    int length = (int)(share - path + 1);
    if (length + 1 > size) return false;
    memcpy(root, path, length);
    root[length] = 0;
    return true;
  }
  if (!isAsciiLetter(path[0]) || path[1] != ':') return copyText(root, size, "");
  if (size < 4) return false;
  root[0] = path[0];
  root[1] = ':';
  root[2] = '\\';
  root[3] = 0;
  return true;
}

// The folder that holds path, with its backslash; "X:" or "." for a bare name.
void folderOf(const char* path, char* folder) {
  const char* cut = findLastChar(path, '\\');
  int length = cut ? (int)(cut - path + 1) : isAsciiLetter(path[0]) && path[1] == ':' ? 2 : 0;
  if (length >= pathBufferSize) length = 0;
  if (length == 0) {
    strcpy(folder, ".");
    return;
  }
  memcpy(folder, path, length);
  folder[length] = 0;
}

VolumeFacts* factsFor(const char* path) {
  char root[rootSize];
  if (!volumeRootOf(path, root, sizeof root)) return nullptr;
  for (int i = 0; i < volumeCount; ++i)
    if (sameTextIgnoringCase(volumes[i].root, root)) return &volumes[i];
  VolumeFacts* facts = &volumes[nextSlot];
  nextSlot = (nextSlot + 1) % remembered;
  if (volumeCount < remembered) ++volumeCount;
  memset(facts, 0, sizeof *facts);
  strcpy(facts->root, root);
  return facts;
}

// The platform is asked of the current folder's volume with no root.
const char* rootToAsk(const VolumeFacts* facts) { return facts->root[0] ? facts->root : nullptr; }

FolderRoot* keptRootOf(const char* folder) {
  for (FolderRoot& kept : folderRoots)
    if (kept.folder[0] && strcmp(kept.folder, folder) == 0) {
      kept.used = ++useClock;
      return &kept;
    }
  return nullptr;
}

// A parent asked for by each of its sub-folders in turn stays kept.
FolderRoot* freeSlot() {
  FolderRoot* oldest = &folderRoots[0];
  for (FolderRoot& kept : folderRoots) {
    if (!kept.folder[0]) return &kept;
    if (kept.used < oldest->used) oldest = &kept;
  }
  return oldest;
}

// The parent of a folder given with its backslash, with its own; false at a root.
bool parentOf(const char* folder, char* parent) {
  int length = (int)strlen(folder);
  if (length < 2) return false;
  copyText(parent, pathBufferSize, folder);
  parent[length - 1] = 0;
  const char* cut = findLastChar(parent, '\\');
  if (!cut) return false;
  parent[cut - parent + 1] = 0;
  return true;
}

// The root of the volume that holds folder (given with its backslash): its
// parent's, found the same way, unless it is a link; else the platform's
// answer, or the root as written.
FolderRoot* rootOfFolder(const char* folder, const char* path) {
  FolderRoot* kept = keptRootOf(folder);
  if (kept) return kept;
  PathBuffer parent;
  FolderRoot* above = nullptr;
  bool inherits = parentOf(folder, parent) && osIsLink(folder) == 0;
  if (inherits) above = rootOfFolder(parent, path);
  kept = freeSlot();
  kept->used = ++useClock;
  if (above && above->found) {
    copyText(kept->root, rootSize, above->root);
    kept->found = true;
  } else {
    kept->found = osVolumeRootOf(folder, kept->root, rootSize) || writtenRootOf(path, kept->root, rootSize);
  }
  strcpy(kept->folder, folder);
  return kept;
}

}  // namespace

bool volumeRootOf(const char* path, char* root, int size) {
  PathBuffer folder;
  folderOf(path, folder);
  FolderRoot* kept = rootOfFolder(folder, path);
  return kept->found && copyText(root, size, kept->root);
}

bool hasCoarseTimes(const char* path) {
  VolumeFacts* facts = factsFor(path);
  if (!facts) return false;
  if (!facts->coarseKnown) {
    char name[64];
    facts->coarse = false;
    if (osFileSystemName(rootToAsk(facts), name, sizeof name)) {
      facts->coarse = strcmp(name, "FAT") == 0 || strcmp(name, "FAT12") == 0 || strcmp(name, "FAT16") == 0 ||
                      strcmp(name, "FAT32") == 0;
    }
    facts->coarseKnown = true;
  }
  return facts->coarse;
}

bool sectorSizeOf(const char* path, uint32_t* bytesPerSector) {
  VolumeFacts* facts = factsFor(path);
  if (!facts) return false;
  if (!facts->sectorKnown) {
    uint32_t size = 0;
    // A size that is not a power of two could not align anything.
    if (!osBytesPerSector(rootToAsk(facts), &size) || size == 0 || (size & (size - 1)) != 0) return false;
    facts->sectorSize = size;
    facts->sectorKnown = true;
  }
  *bytesPerSector = facts->sectorSize;
  return true;
}

bool refusesUnbuffered(const char* path) {
  VolumeFacts* facts = factsFor(path);
  return facts && facts->refusesUnbuffered;
}

void rememberUnbufferedRefused(const char* path) {
  VolumeFacts* facts = factsFor(path);
  if (facts) facts->refusesUnbuffered = true;
}

void forgetVolumes() {
  volumeCount = 0;
  nextSlot = 0;
  for (FolderRoot& kept : folderRoots) kept.folder[0] = 0;
  useClock = 0;
}
