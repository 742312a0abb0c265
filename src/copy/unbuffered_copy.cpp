// Unbuffered sector-aligned file copy.
#include "copy/unbuffered_copy.h"

#include <stdint.h>
#include <string.h>

#include "copy/copy_rules.h"
#include "copy/copy_screen.h"
#include "copy/replacement.h"
#include "copy/volume_info.h"
#include "platform/files_os.h"
#include "platform/memory_os.h"
#include "text/chars.h"
#include "text/path_text.h"

namespace {

const uint32_t largestChunk = 4194304;

// One sector-aligned buffer serves every file of the run. It is aligned to
// 4,096 bytes at least: a volume may take its writes in larger sectors than
// the one it reports.
char* chunkBuffer = nullptr;
uint32_t chunkAlignment = 0;
uint32_t chunkCapacity = 0;
const uint32_t leastAlignment = 4096;

char* bufferFor(uint32_t sectorSize, uint32_t chunkSize) {
  uint32_t alignment = sectorSize > leastAlignment ? sectorSize : leastAlignment;
  if (chunkBuffer && chunkAlignment % alignment == 0 && chunkCapacity >= chunkSize) return chunkBuffer;
  releaseCopyBuffer();
  chunkBuffer = (char*)osAlignedAlloc(chunkSize, alignment);
  if (chunkBuffer) {
    chunkAlignment = alignment;
    chunkCapacity = chunkSize;
  }
  return chunkBuffer;
}

// A copy that stopped part way must never pass for a good one: it goes
// (only ever a file this call made, under whichever name it was made).
bool abandon(FileHandle source, FileHandle target, NewCopy* copy, const char* word) {
  if (target) osCloseFile(target);
  osCloseFile(source);
  dropNewCopy(copy);
  showStatus(word);
  return false;
}

// A volume that refuses the unbuffered create as unsupported gets the file
// through an ordinary handle, and its later files go there at once.
FileHandle createFile(const char* path, const char* root, bool* sectors, bool* nameTaken) {
  bool unsupported = false;
  FileHandle file = *sectors ? osCreateUnbuffered(path, nameTaken, &unsupported) : nullptr;
  if (unsupported) {
    rememberUnbufferedRefused(root);
    *sectors = false;
  }
  return *sectors ? file : osCreateBuffered(path, nameTaken);
}

// How the copy's file is made, wherever the replacement puts it.
struct Making {
  const char* root;
  bool sectors;
  FileHandle file;
};

bool makeFile(const char* path, bool* nameTaken, void* context) {
  Making* making = (Making*)context;
  making->file = createFile(path, making->root, &making->sectors, nameTaken);
  return making->file != nullptr;
}

// The volume refused the unbuffered handle's first write as unsupported:
// the file made for it (by this call, under written) goes, and one made
// through an ordinary handle takes its place. Null, with the file gone or
// nothing of this call's left, when that cannot be done.
FileHandle remakeBuffered(FileHandle to, const char* written, const char* root, bool* removed) {
  rememberUnbufferedRefused(root);
  osCloseFile(to);
  *removed = osRemoveFile(written);
  bool taken = false;
  return *removed ? osCreateBuffered(written, &taken) : nullptr;
}

}  // namespace

void releaseCopyBuffer() {
  if (chunkBuffer) osAlignedFree(chunkBuffer);
  chunkBuffer = nullptr;
  chunkAlignment = 0;
  chunkCapacity = 0;
}

bool copyFileUnbuffered(const char* source, const char* destination, const FileStatus* listed,
                        bool destinationIsNew, const char* volumeRoot) {
  const char* name = baseNameOf(source);
  char root[volumeRootSize];
  bool rooted = volumeRoot || volumeRootOfFile(destination, root, sizeof root);
  if (!volumeRoot) volumeRoot = rooted ? root : "";
  FileStatus status;
  memset(&status, 0, sizeof status);
  if (listed) status = *listed;
  else osFileStatus(source, &status);
  showFileName(name);
  showFileSize(status.size);
  clearStatus();

  // A folder this run has just made holds no copy to skip or replace.
  FileStatus standing;
  memset(&standing, 0, sizeof standing);
  CopyState state =
      destinationIsNew ? copyMissing : copyStateOf(status, destination, hasCoarseTimes(volumeRoot), &standing);
  if (state == copyCurrent) {
    showStatus("Already Copied!");
    return false;
  }
  if (lacksRoomFor(destination, volumeRoot, status.size)) {
    showStatus("Disk Space Err!");
    return false;
  }
  // What cannot give up its name is known before the copy is made.
  if (state == copyStale && !mayReplace(destination, standing)) {
    showStatus("Open Error!");
    return false;
  }

  FileHandle from = osOpenRead(source);
  if (!from) {
    showStatus("Open Error!");
    return false;
  }
  int64_t lastWrite = 0;
  int64_t size = 0;
  if (!osFileFacts(from, &size, &lastWrite)) {
    osCloseFile(from);
    showStatus("Read Error!");
    return false;
  }

  // The writes that must be aligned go to the destination, so its volume
  // decides the sector size.
  uint32_t sector = 0;
  if (!rooted || !sectorSizeOf(volumeRoot, &sector)) {
    osCloseFile(from);
    return false;
  }
  int64_t alignedSize = size - size % sector;
  uint32_t chunk = sector > largestChunk ? sector : largestChunk / sector * sector;
  char* buffer = bufferFor(sector, chunk);
  if (!buffer) {
    osCloseFile(from);
    return false;
  }

  // A file shorter than a sector has no whole sector to keep out of the
  // cache: it goes through an ordinary handle as it is, and needs no end set.
  // What stands at the destination is never opened: the copy is written
  // beside where it goes and takes its name once whole.
  Making making = {volumeRoot, size >= sector && !refusesUnbuffered(volumeRoot), nullptr};
  NewCopy copy;
  bool made = makeNewCopy(&copy, destination, state, makeFile, &making);
  FileHandle to = making.file;
  bool sectors = making.sectors;
  if (!made) {
    osCloseFile(from);
    showStatus("Open Error!");
    return false;
  }
  // Through the unbuffered handle every write is whole sectors from the
  // aligned buffer: the last piece, tail included, is padded to a whole
  // sector, and the end of the file is set to the true size afterwards.
  int64_t copied = 0;
  while (copied < size) {
    uint32_t request = size - copied < chunk ? (uint32_t)(size - copied) : chunk;
    uint32_t got = 0;
    // A short read means the source shrank: what is left would be a hole.
    if (!osReadFile(from, buffer, request, &got) || got != request)
      return abandon(from, to, &copy, "Read Error!");
    uint32_t whole = sectors ? (got + sector - 1) / sector * sector : got;
    memset(buffer + got, 0, whole - got);
    uint32_t put = 0;
    bool unsupported = false;
    bool wrote = osWriteFile(to, buffer, whole, &put, &unsupported) && put == whole;
    if (!wrote && unsupported && sectors && copied == 0) {
      bool removed = false;
      sectors = false;
      to = remakeBuffered(to, copy.made, volumeRoot, &removed);
      if (!to && removed) {
        osCloseFile(from);
        showStatus("Open Error!");
        return false;
      }
      whole = got;
      wrote = to && osWriteFile(to, buffer, whole, &put) && put == whole;
    }
    if (!wrote) return abandon(from, to, &copy, "Write Error!");
    copied += got;
    // The share shown counts whole sectors only, as before the tail.
    if (got >= sector) showProgress(copied < alignedSize ? copied : alignedSize, size);
  }
  if (sectors && size % sector != 0 && !osSetEndOfFile(to, size)) return abandon(from, to, &copy, "Write Error!");
  // The time is set last: no write follows to change it. A copy without it
  // would look stale, or would put one that does in place of the old copy.
  if (!osSetLastWrite(to, lastWrite)) return abandon(from, to, &copy, "Write Error!");
  nameOpenCopy(&copy, to);
  // A write the system held back can still fail at the close.
  if (!osCloseFile(to)) return abandon(from, nullptr, &copy, "Write Error!");
  osCloseFile(from);
  // The old copy stays when its name cannot be taken (held by another
  // program for longer than a moment).
  if (!nameNewCopy(&copy)) {
    showStatus("Open Error!");
    return false;
  }
  showDone();
  return true;
}
