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

// The folder asked last and the root its volume came out as: the files of
// one folder cost no question each.
PathBuffer lastFolder;
char lastRoot[rootSize];
bool lastFound = false;

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

}  // namespace

bool volumeRootOf(const char* path, char* root, int size) {
  PathBuffer folder;
  folderOf(path, folder);
  if (!lastFolder[0] || strcmp(folder, lastFolder) != 0) {
    lastFound = osVolumeRootOf(folder, lastRoot, sizeof lastRoot) || writtenRootOf(path, lastRoot, sizeof lastRoot);
    strcpy(lastFolder, folder);
  }
  return lastFound && copyText(root, size, lastRoot);
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
  lastFolder[0] = 0;
}
