// Argument normalisation and the path checks.
#include "app/path_checks.h"

#include <string.h>

#include "console/screen.h"
#include "copy/path_chain.h"
#include "platform/files_os.h"
#include "text/ascii.h"
#include "text/chars.h"
#include "text/path_text.h"

bool normaliseArgument(const char* argument, char* path) {
  if (!copyText(path, pathBufferSize, argument)) return false;
  int length = (int)strlen(path);
  if (length == 2 && isAsciiLetter(path[0]) && path[1] == ':') {
    appendText(path, pathBufferSize, "\\");
  } else if (length == 3 && isAsciiLetter(path[0]) && path[1] == ':' && path[2] == '\\') {
    // A drive root keeps its backslash: without it the text would name the
    // drive's current folder instead.
  } else if (endsInBackslash(path)) {
    path[length - 1] = 0;
  }
  return true;
}

// A leading part counts only at a folder boundary: the candidate is a
// drive root (it ends in a backslash), or the other text goes on with a
// backslash of its own right after it. E:\PICTURE2 is no sub-folder of
// E:\PICTURE.
static bool leadsAsFolder(const char* candidate, const char* text) {
  int length = (int)strlen(candidate);
  if (leadingMatch(candidate, text) != length) return false;
  return endsInBackslash(candidate) || (text[length] == '\\' && !isTrailByte(text, length));
}

static void refuse(const char* before, const char* first, const char* middle, const char* second,
                   const char* after) {
  printText(before);
  printText(first);
  printText(middle);
  if (second) printText(second);
  if (after) printText(after);
}

int checkPaths(const char* from, const char* to, bool* fromIsFolder) {
  FileStatus fromStatus;
  FileStatus toStatus;
  memset(&fromStatus, 0, sizeof fromStatus);
  memset(&toStatus, 0, sizeof toStatus);

  StatusResult found = osFileStatus(from, &fromStatus);
  if (found == statusNotFound) {
    refuse("FROM_FOLDER[", from, "] DOES NOT EXIST.\n", nullptr, nullptr);
    return -1;
  }
  if (found != statusOk) {
    refuse("FROM_FOLDER[", from, "] CANNOT BE ACCESSED.\n", nullptr, nullptr);
    return -1;
  }
  *fromIsFolder = (fromStatus.mode & folderModeBit) != 0;
  makePathChain(to);

  found = osFileStatus(to, &toStatus);
  if (found == statusNotFound) {
    refuse("TO_FOLDER[", to, "] DOES NOT EXIST.\n", nullptr, nullptr);
    return -1;
  }
  if (found != statusOk) {
    refuse("TO_FOLDER[", to, "] CANNOT BE ACCESSED.\n", nullptr, nullptr);
    return -1;
  }
  if ((toStatus.mode & folderModeBit) == 0) {
    refuse("TO_FOLDER[", to, "] IS NOT FOLDER.\n", nullptr, nullptr);
    return -1;
  }
  // Letters are folded only where they are characters of their own: two
  // different double-byte characters never count as the same text.
  if (sameTextIgnoringCase(from, to)) {
    refuse("FROM and TO VALUES[", from, "] ARE THE SAME.\n", nullptr, nullptr);
    return -1;
  }
  if (leadsAsFolder(from, to)) {
    refuse("TO_FOLDER[", to, "] IS A SUBFOLDER OF THE FROM_FOLDER(", from, ").\n");
    return -1;
  }
  if (leadsAsFolder(to, from)) {
    refuse("FROM_FOLDER[", from, "] IS A SUBFOLDER OF THE TO_FOLDER(", to, ").\n");
    return -1;
  }
  return 0;
}
