// Destination path creation.
#include "copy/path_chain.h"

#include <string.h>

#include "platform/files_os.h"
#include "text/ascii.h"
#include "text/chars.h"
#include "text/path_text.h"

int makePathChain(const char* path) {
  if (strlen(path) >= (size_t)pathBufferSize) return 0;
  if (osAccess(path) == 0) return 0;

  PathBuffer prefix;
  PathBuffer component;
  const char* at = nextToken(path, component, ":\\", pathBufferSize);
  if (!at) return 0;

  bool drive = strlen(component) == 1 && isAsciiLetter(component[0]) && path[1] == ':';
  if (drive) {
    prefix[0] = component[0];
    prefix[1] = ':';
    prefix[2] = '\\';
    prefix[3] = 0;
    int error = osAccess(prefix);
    if (error != 0) return error;
  } else if (path[0] == '\\' && path[1] == '\\') {
    // Network form: the server name is never tested.
    copyText(prefix, sizeof prefix, "\\\\");
    appendText(prefix, sizeof prefix, component);
  } else {
    // Relative to the current folder, or below the current drive's root when
    // the path starts with one backslash: the first name is created too.
    copyText(prefix, sizeof prefix, path[0] == '\\' ? "\\" : "");
    if (!appendText(prefix, sizeof prefix, component)) return 0;
    if (osAccess(prefix) != 0 && !osMakeFolder(prefix)) return 0;
  }

  while (*at != 0) {
    at = nextToken(at, component, ":\\", pathBufferSize);
    if (!at) return 0;
    if (!appendText(prefix, sizeof prefix, "\\") || !appendText(prefix, sizeof prefix, component)) return 0;
    if (osAccess(prefix) == 0) continue;
    if (!osMakeFolder(prefix)) return 0;
  }
  return 0;
}
