// Registration of the program's folder in the user's search path.
#include "env/user_path.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "platform/registry_os.h"
#include "text/path_text.h"
#include "text/chars.h"

char programFolder[folderSize];

// Whether the token nextToken took from at ended where a later read of the
// value starts afresh: at the end, or at a ';' of its own outside quotes. A
// token cut at the entry limit ends anywhere else.
static bool endedAtSeparator(const char* at, const char* next) {
  if (*next == 0) return true;
  if (*next != ';' || isTrailByte(at, (int)(next - at))) return false;
  int quotes = 0;
  for (const char* p = at; p < next; ++p) quotes += *p == '"';
  return quotes % 2 == 0;
}

// Written without quotes, an entry must read back as itself: a ';' in it
// would split it, and a lone lead byte at its end would take the ';' after
// it as its second byte.
static bool readsBackWhole(const char* entry) {
  if (strchr(entry, ';')) return false;
  int last = (int)strlen(entry) - 1;
  return last < 0 || !isLeadByte((unsigned char)entry[last]) || isTrailByte(entry, last);
}

static bool appendEntry(char* result, int size, const char* entry, bool quoted) {
  if (result[0] != 0 && !appendText(result, size, ";")) return false;
  if (quoted && !appendText(result, size, "\"")) return false;
  if (!appendText(result, size, entry)) return false;
  return !quoted || appendText(result, size, "\"");
}

PathRewrite rewritePathValue(const char* value, const char* folder, char* result, int size) {
  char entry[folderSize];
  bool whole = true;
  result[0] = 0;
  for (const char* at = value; *at != 0;) {
    const char* next = nextToken(at, entry, ";", folderSize);
    if (!next) {
      // An entry of double quotes alone reads as nothing and ends the scan,
      // which would drop every entry after it.
      if (at[strspn(at, ";")] != 0) whole = false;
      break;
    }
    if (sameTextIgnoringCase(entry, folder)) return pathListed;
    if (whole) whole = endedAtSeparator(at, next) && readsBackWhole(entry);
    if (whole) whole = appendEntry(result, size, entry, false);
    at = next;
  }
  // The next run must read the folder back as itself to find it listed; one
  // holding ';' does so between quotes.
  bool quoted = strchr(folder, ';') != nullptr;
  size_t length = strlen(folder);
  bool readable = length > 0 && length < (size_t)folderSize && !strchr(folder, '"');
  if (!readable || (!quoted && !readsBackWhole(folder))) whole = false;
  if (whole) whole = appendEntry(result, size, folder, quoted);
  if (!whole) {
    result[0] = 0;
    return pathKept;
  }
  return pathRewritten;
}

// The module path cut at its last real backslash. A path the system could
// not give, or gave cut short, yields no folder at all.
static bool findProgramFolder() {
  char path[folderSize];
  int length = osProgramPath(path, folderSize);
  if (length <= 0 || length >= folderSize) return false;
  const char* slash = findLastChar(path, '\\');
  if (slash) path[slash - path] = 0;
  return copyText(programFolder, folderSize, path);
}

// Turns the data read into text in place (buffer zeroed past the data). A
// number becomes its signed decimal text. False when the data holds more
// than its first text (a multi-string, or bytes after a NUL): a rewrite
// would drop the rest.
static bool valueAsText(char* buffer, RegistryType type, int length) {
  if (type == regNumber) {
    int32_t number;
    memcpy(&number, buffer, sizeof number);
    memset(buffer, 0, pathValueSize);
    snprintf(buffer, pathValueSize, "%d", (int)number);
    return true;
  }
  if (type == regMultiText) return false;
  for (int i = (int)strlen(buffer); i < length; ++i)
    if (buffer[i] != 0) return false;
  return true;
}

int registerInUserPath() {
  if (programFolder[0] == 0 && !findProgramFolder()) return 0;
  char folder[folderSize];
  copyText(folder, sizeof folder, programFolder);
  if (endsInBackslash(folder)) folder[strlen(folder) - 1] = 0;

  RegistryKey key = osOpenUserEnvironment(false);
  if (!key) return 0;
  char value[pathValueSize + 1];  // one NUL past what the read may fill
  memset(value, 0, sizeof value);
  RegistryType type = regNone;
  int length = 0;
  bool read = osQueryPathValue(key, value, pathValueSize, &type, &length);
  osCloseKey(key);
  if (!read) return 0;

  bool carried = valueAsText(value, type, length);
  char result[pathValueSize];
  PathRewrite rewrite = rewritePathValue(value, folder, result, sizeof result);
  if (rewrite == pathListed) return 1;
  if (rewrite == pathKept || !carried) return 0;

  key = osOpenUserEnvironment(true);
  if (!key) return 0;
  bool stored = osSetPathValue(key, result);
  osCloseKey(key);
  return stored ? 1 : 0;
}
