// Destination volume facts, cached by root.
#include "copy/volume_info.h"

#include <string.h>

#include "platform/files_os.h"
#include "text/ascii.h"

namespace {

struct VolumeFacts {
  char root[260];
  bool coarseKnown;
  bool coarse;
  bool sectorKnown;
  uint32_t sectorSize;
};

const int remembered = 8;
VolumeFacts volumes[remembered];
int volumeCount = 0;
int nextSlot = 0;

bool sameRoot(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (foldAscii(*a) != foldAscii(*b)) return false;
  return *a == *b;
}

// A path with neither a drive nor a server lies on the current folder's
// volume, which the platform is asked about with an empty root.
VolumeFacts* factsFor(const char* path) {
  char root[260];
  bool unrooted = !(path[0] == '\\' && path[1] == '\\') && !(isAsciiLetter(path[0]) && path[1] == ':');
  if (unrooted) root[0] = 0;
  else if (!volumeRootOf(path, root, sizeof root)) return nullptr;
  for (int i = 0; i < volumeCount; ++i)
    if (sameRoot(volumes[i].root, root)) return &volumes[i];
  VolumeFacts* facts = &volumes[nextSlot];
  nextSlot = (nextSlot + 1) % remembered;
  if (volumeCount < remembered) ++volumeCount;
  memset(facts, 0, sizeof *facts);
  strcpy(facts->root, root);
  return facts;
}

}  // namespace

bool volumeRootOf(const char* path, char* root, int size) {
  if (path[0] == '\\' && path[1] == '\\') {
    // Plain byte searches: server and share names end at the first backslash.
    const char* server = strchr(path + 2, '\\');
    const char* share = server ? strchr(server + 1, '\\') : nullptr;
    if (!share) return false;
    int length = (int)(share - path + 1);
    if (length + 1 > size || length > 259) return false;
    memcpy(root, path, length);
    root[length] = 0;
    return true;
  }
  if (!isAsciiLetter(path[0]) || path[1] != ':' || size < 4) return false;
  root[0] = path[0];
  root[1] = ':';
  root[2] = '\\';
  root[3] = 0;
  return true;
}

bool hasCoarseTimes(const char* path) {
  VolumeFacts* facts = factsFor(path);
  if (!facts) return false;
  if (!facts->coarseKnown) {
    char name[64];
    facts->coarse = false;
    if (osFileSystemName(facts->root[0] ? facts->root : nullptr, name, sizeof name)) {
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
    if (!osBytesPerSector(facts->root[0] ? facts->root : nullptr, &size) || size == 0 || (size & (size - 1)) != 0) return false;
    facts->sectorSize = size;
    facts->sectorKnown = true;
  }
  *bytesPerSector = facts->sectorSize;
  return true;
}

void forgetVolumes() {
  volumeCount = 0;
  nextSlot = 0;
}
