// Folder listing on Win32.
#include <windows.h>

#include "platform/files_os.h"
#include "platform/win32/files_win32.h"

// The narrow listing calls silently put look-alikes in place of characters
// the code page lacks (a yen sign becomes a backslash, an accented letter
// loses its accent), which would name another file or another folder. The
// wide calls with a conversion that admits no substitutes tell them apart.
// UTF-8 carries every character but an unpaired surrogate, and takes
// neither the no-best-fit flag nor the substitute report: there the
// conversion fails instead.
static void fillEntry(const WIN32_FIND_DATAW& found, ListEntry* entry) {
  static const bool utf8 = GetACP() == CP_UTF8;
  BOOL substituted = FALSE;
  int length = WideCharToMultiByte(CP_ACP, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, found.cFileName,
                                   -1, entry->name, sizeof entry->name, NULL, utf8 ? NULL : &substituted);
  if (length == 0) {
    lstrcpynA(entry->name, "?", sizeof entry->name);
    substituted = TRUE;
  }
  entry->isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  fillStatus(found.dwFileAttributes, found.nFileSizeHigh, found.nFileSizeLow, found.ftLastAccessTime,
             found.ftLastWriteTime, &entry->status);
  entry->isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  entry->nameLost = substituted != FALSE;
}

static ListResult listingEnded() {
  DWORD error = GetLastError();
  return error == ERROR_NO_MORE_FILES || error == ERROR_FILE_NOT_FOUND ? listEnd : listFailed;
}

ListResult osListFirst(const char* pattern, ListHandle* listing, ListEntry* entry) {
  WCHAR wide[1024];
  if (MultiByteToWideChar(CP_ACP, 0, pattern, -1, wide, 1024) == 0) return listFailed;
  WIN32_FIND_DATAW found;
  HANDLE handle = FindFirstFileW(wide, &found);
  if (handle == INVALID_HANDLE_VALUE) return listingEnded();
  fillEntry(found, entry);
  *listing = (ListHandle)handle;
  return listEntry;
}

ListResult osListNext(ListHandle listing, ListEntry* entry) {
  WIN32_FIND_DATAW found;
  if (!FindNextFileW((HANDLE)listing, &found)) return listingEnded();
  fillEntry(found, entry);
  return listEntry;
}

void osListClose(ListHandle listing) { FindClose((HANDLE)listing); }
