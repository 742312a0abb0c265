// Functions of the window and shell libraries, found on first use.
#include "platform/win32/late_link.h"

#include <windows.h>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

void* lateProc(const char* library, const char* name) {
  // From the system folder only, never from the current or program folder.
  HMODULE module = LoadLibraryExA(library, NULL, LOAD_LIBRARY_SEARCH_SYSTEM32);
  // A system without that search flag refuses it; these libraries are known
  // to it, and known libraries always come from the system folder.
  if (module == NULL && GetLastError() == ERROR_INVALID_PARAMETER) module = LoadLibraryA(library);
  if (module == NULL) return NULL;
  return (void*)GetProcAddress(module, name);
}
