// Single-file stream copy.
#include "copy/stream_copy.h"

#include <string.h>

#include "copy/copy_rules.h"
#include "copy/copy_screen.h"
#include "copy/replacement.h"
#include "copy/volume_info.h"
#include "platform/files_os.h"
#include "platform/memory_os.h"
#include "text/chars.h"
#include "text/path_text.h"

// Progress is painted after each piece; the bytes move in smaller blocks,
// which stay in the processor's cache between the read and the write.
static const unsigned pieceSize = 4194304;
static const unsigned blockSize = 65536;

static bool openWrite(const char* path, bool* nameTaken, void* file) {
  *(int*)file = osOpenStreamWrite(path, nameTaken);
  return *(int*)file >= 0;
}

bool copySingleFile(const char* source, const char* destination, bool* current) {
  if (current) *current = false;
  showFileName(baseNameOf(source));
  clearStatus();

  FileStatus status;
  memset(&status, 0, sizeof status);
  if (osFileStatus(source, &status) != statusOk) return false;
  // A copy of such a name would be taken for an unfinished replacement of
  // another file, and removed by it.
  if (isTemporaryName(baseNameOf(source))) {
    showFileSize(status.size);
    showStatus("Open Error!");
    return false;
  }
  char root[volumeRootSize];
  if (!volumeRootOfFile(destination, root, sizeof root)) root[0] = 0;
  FileStatus standing;
  CopyState state = copyStateOf(status, destination, hasCoarseTimes(root), &standing);
  if (state == copyCurrent) {
    showStatus("Already Copied!");
    if (current) *current = true;
    return false;
  }
  showFileSize(status.size);
  if (lacksRoomFor(destination, root, status.size)) {
    showStatus("Disk Space Err!");
    return false;
  }
  // What cannot give up its name is known before the copy is made.
  if (state == copyStale && !mayReplace(destination, standing)) {
    showStatus("Open Error!");
    return false;
  }

  char* buffer = (char*)osAlloc(blockSize);
  if (!buffer) return false;
  int from = osOpenStreamRead(source);
  if (from < 0) {
    osFree(buffer);
    showStatus("Open Error!");
    return false;
  }
  // What stands at the destination is never opened: the copy is written
  // beside it and takes its name once whole.
  NewCopy copy;
  int to = -1;
  bool made = makeNewCopy(&copy, destination, state, openWrite, &to);
  if (!made) {
    osCloseStream(from);
    osFree(buffer);
    showStatus("Open Error!");
    return false;
  }

  const char* failure = nullptr;
  int64_t copied = 0;
  unsigned unpainted = 0;
  for (;;) {
    int got = osReadStream(from, buffer, blockSize);
    if (got == 0) break;
    if (got < 0) {
      failure = "Read Error!";
      break;
    }
    if (osWriteStream(to, buffer, (unsigned)got) != got) {
      failure = "Write Error!";
      break;
    }
    copied += got;
    unpainted += (unsigned)got;
    if (unpainted >= pieceSize) {
      unpainted = 0;
      showProgress(copied, status.size);
    }
  }
  if (!failure && unpainted > 0) showProgress(copied, status.size);
  osCloseStream(from);
  // A write the system held back can still fail at the close.
  if (!osCloseStream(to) && !failure) failure = "Write Error!";
  osFree(buffer);

  // A copy takes its name only with its times: one without them would look
  // stale, or put one that does in place of the old copy.
  if (!failure && !osSetFileTimes(copy.made, status.accessTime, status.modifyTime)) failure = "Write Error!";
  // The copy is incomplete: never leave it looking current.
  if (failure) dropNewCopy(&copy);
  else if (!nameNewCopy(&copy)) failure = "Open Error!";
  if (failure) {
    showStatus(failure);
    return false;
  }
  showDone();
  return true;
}
