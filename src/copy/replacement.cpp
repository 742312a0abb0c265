// Replacing a copy by way of a temporary name.
#include "copy/replacement.h"

#include <stdio.h>
#include <string.h>

#include "copy/real_location.h"
#include "platform/console_os.h"
#include "platform/files_os.h"
#include "text/ascii.h"
#include "text/chars.h"

const char temporarySuffix[] = ".vestro-tmp";

namespace {

const int longestName = 255;

// A scanner, an indexer or a sync client may hold a file just written for
// a moment: a change it refuses is tried again for about a second.
const uint32_t retryWaits[] = {50, 100, 200, 300, 350};

typedef bool (*Change)(const char* path, const char* to, bool* held);

bool removeFile(const char* path, const char*, bool* held) { return osRemoveFile(path, held); }
bool renameOver(const char* from, const char* to, bool* held) { return osReplaceFile(from, to, held); }

bool retrying(Change change, const char* path, const char* to = nullptr) {
  bool held = false;
  for (uint32_t wait : retryWaits) {
    if (change(path, to, &held)) return true;
    if (!held) return false;
    osSleep(wait);
  }
  return change(path, to, nullptr);
}

bool removeRetrying(const char* path) { return retrying(removeFile, path); }

}  // namespace

bool isTemporaryName(const char* name) {
  int length = (int)strlen(name);
  int suffix = (int)sizeof temporarySuffix - 1;
  if (length < suffix) return false;
  for (int i = 0; i < suffix; ++i)
    if (foldAscii(name[length - suffix + i]) != foldAscii(temporarySuffix[i])) return false;
  return true;
}

// A long name gets a short one: the same for every spelling of the name
// the system takes for it, so that a run finds what an earlier one left.
bool temporaryNameFor(const char* destination, char* out) {
  const char* name = baseNameOf(destination);
  int suffix = (int)sizeof temporarySuffix - 1;
  if ((int)strlen(name) + suffix <= longestName && copyText(out, pathBufferSize, destination) &&
      appendText(out, pathBufferSize, temporarySuffix))
    return true;
  char shortName[32];
  snprintf(shortName, sizeof shortName, "~%08x%s", (unsigned)(osNameKey(name) & 0xFFFFFFFFu), temporarySuffix);
  int folder = (int)(name - destination);
  if (folder + (int)strlen(shortName) >= pathBufferSize) return false;
  memcpy(out, destination, folder);
  strcpy(out + folder, shortName);
  return true;
}

// A leftover's real location must be a file of the same folder that bears a
// temporary name: a link leads elsewhere, and its removal would follow it.
// (Real locations are UTF-8; the ending is ASCII, so it reads the same.)
bool clearLeftover(const char* temporary) {
  PathBuffer folder;
  copyText(folder, sizeof folder, temporary);
  int cut = (int)(baseNameOf(temporary) - temporary);
  if (cut == 0) {
    copyText(folder, sizeof folder, ".");
  } else {
    // A drive's root keeps its backslash: "X:" alone is the drive's current folder.
    folder[cut == 3 && folder[1] == ':' ? cut : cut - 1] = 0;
  }
  char found[locationSize];
  char place[locationSize];
  // On a volume that gives no real locations, only a name that is no link
  // is sure to lead to a file of that folder.
  if (!osRealLocation(temporary, found, locationSize) || !osRealLocation(folder, place, locationSize))
    return osIsLink(temporary) == 0 && removeRetrying(temporary);
  if (place[0] == 0 || !locationWithin(found, place) || sameLocation(found, place)) return false;
  int length = (int)strlen(place);
  const char* name = found + length + (place[length - 1] == '\\' ? 0 : 1);
  if (strchr(name, '\\') || !isTemporaryName(name)) return false;
  return removeRetrying(temporary);
}

bool lacksRoomFor(const char* destination, const char* root, int64_t size) {
  if (!lacksSpace(destination, root, size)) return false;
  PathBuffer temporary;
  if (!temporaryNameFor(destination, temporary) || osAccess(temporary) != 0 || !clearLeftover(temporary)) return true;
  forgetFreeSpace();
  return lacksSpace(destination, root, size);
}

namespace {

// The right to replace a file is most often the folder's: once a file of a
// folder may give up its name, the others are taken to as well (one that
// may not still keeps its old copy: its rename fails and its new copy goes).
PathBuffer grantingFolder = "";

}  // namespace

bool mayReplace(const char* destination, const FileStatus& standing) {
  if (standing.mode != 0 && ((standing.mode & folderModeBit) || !(standing.mode & writableModeBit))) return false;
  int folder = (int)(baseNameOf(destination) - destination);
  if (grantingFolder[0] && (int)strlen(grantingFolder) == folder && strncmp(grantingFolder, destination, folder) == 0)
    return true;
  Replaceable answer = osReplaceable(destination);
  if (answer == replaceable && folder < pathBufferSize) {
    memcpy(grantingFolder, destination, folder);
    grantingFolder[folder] = 0;
  }
  return answer != notReplaceable;
}

void forgetReplaceRights() { grantingFolder[0] = 0; }

bool makeNewCopy(NewCopy* copy, const char* destination, CopyState state, MakeFile make, void* file) {
  copy->destination = destination;
  copy->made = copy->temporary;
  copy->replacing = state != copyMissing;
  bool taken = false;
  if (!temporaryNameFor(destination, copy->temporary)) return false;
  // A temporary file of that name can only be one a stopped run left.
  if (make(copy->temporary, &taken, file)) return true;
  return taken && clearLeftover(copy->temporary) && make(copy->temporary, &taken, file);
}

void nameOpenCopy(NewCopy* copy, FileHandle file) {
  if (!copy->replacing && copy->made == copy->temporary && osNameOpenFile(file, copy->destination))
    copy->made = copy->destination;
}

bool nameNewCopy(NewCopy* copy) {
  if (copy->made == copy->destination) return true;
  // Where nothing stood, only a link that leads nowhere can bear the name.
  if (retrying(renameOver, copy->temporary, copy->destination)) {
    copy->made = copy->destination;
    return true;
  }
  dropNewCopy(copy);
  return false;
}

void dropNewCopy(NewCopy* copy) {
  if (copy->made == copy->temporary) removeRetrying(copy->temporary);
  else osRemoveFile(copy->made);
}
