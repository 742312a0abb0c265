// Replacing a copy by way of a temporary name.
#include "copy/replacement.h"

#include <string.h>

#include "copy/real_location.h"
#include "platform/files_os.h"
#include "text/ascii.h"
#include "text/chars.h"
#include "text/path_text.h"

const char temporarySuffix[] = ".vestro-tmp";

bool isTemporaryName(const char* name) {
  int length = (int)strlen(name);
  int suffix = (int)sizeof temporarySuffix - 1;
  if (length < suffix) return false;
  for (int i = 0; i < suffix; ++i)
    if (foldAscii(name[length - suffix + i]) != foldAscii(temporarySuffix[i])) return false;
  return true;
}

bool temporaryNameFor(const char* destination, char* out) {
  return copyText(out, pathBufferSize, destination) && appendText(out, pathBufferSize, temporarySuffix);
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
  if (!osRealLocation(temporary, found, locationSize) || !osRealLocation(folder, place, locationSize))
    return false;
  if (place[0] == 0 || !locationWithin(found, place) || sameLocation(found, place)) return false;
  int length = (int)strlen(place);
  const char* name = found + length + (place[length - 1] == '\\' ? 0 : 1);
  if (strchr(name, '\\') || !isTemporaryName(name)) return false;
  return osRemoveFile(temporary);
}
