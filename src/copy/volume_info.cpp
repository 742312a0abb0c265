// Destination volume facts, cached by the volume's root.
#include "copy/volume_info.h"

#include <string.h>

#include "platform/files_os.h"
#include "text/ascii.h"
#include "text/chars.h"
#include "text/path_text.h"

namespace {

struct VolumeFacts {
  char root[volumeRootSize];
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

VolumeFacts* factsFor(const char* root) {
  for (int i = 0; i < volumeCount; ++i)
    if (sameTextIgnoringCase(volumes[i].root, root)) return &volumes[i];
  VolumeFacts* facts = &volumes[nextSlot];
  nextSlot = (nextSlot + 1) % remembered;
  if (volumeCount < remembered) ++volumeCount;
  memset(facts, 0, sizeof *facts);
  copyText(facts->root, volumeRootSize, root);
  return facts;
}

// The platform is asked of the current folder's volume with no root.
const char* rootToAsk(const VolumeFacts* facts) { return facts->root[0] ? facts->root : nullptr; }

}  // namespace

bool volumeRootOf(const char* folder, char* root, int size) {
  return osVolumeRootOf(folder, root, size) || writtenRootOf(folder, root, size);
}

// The folder with its backslash; "X:" or "." for a bare name.
bool volumeRootOfFile(const char* path, char* root, int size) {
  PathBuffer folder;
  const char* cut = findLastChar(path, '\\');
  int length = cut ? (int)(cut - path + 1) : isAsciiLetter(path[0]) && path[1] == ':' ? 2 : 0;
  if (length == 0 || length >= pathBufferSize) {
    strcpy(folder, ".");
  } else {
    memcpy(folder, path, length);
    folder[length] = 0;
  }
  return volumeRootOf(folder, root, size);
}

bool hasCoarseTimes(const char* root) {
  VolumeFacts* facts = factsFor(root);
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

bool sectorSizeOf(const char* root, uint32_t* bytesPerSector) {
  VolumeFacts* facts = factsFor(root);
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

bool refusesUnbuffered(const char* root) { return factsFor(root)->refusesUnbuffered; }

void rememberUnbufferedRefused(const char* root) { factsFor(root)->refusesUnbuffered = true; }

void forgetVolumes() {
  volumeCount = 0;
  nextSlot = 0;
}
