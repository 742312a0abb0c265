// The program's file path and the user's "Path" value on Win32.
#include <string.h>
#include <windows.h>

#include "platform/registry_os.h"

int osProgramPath(char* buffer, int size) {
  DWORD length = GetModuleFileNameA(NULL, buffer, (DWORD)size);
  // Older systems leave a path that was cut short without its NUL.
  if (size > 0) buffer[size - 1] = 0;
  return (int)length;
}

RegistryKey osOpenUserEnvironment(bool forWriting) {
  HKEY key = NULL;
  REGSAM access = forWriting ? KEY_WRITE : KEY_READ;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Environment", 0, access, &key) != ERROR_SUCCESS) return nullptr;
  return (RegistryKey)key;
}

// The narrow read gives a character that the code page lacks as '?' or as a
// look-alike (a yen sign as a backslash, an accented letter without its
// accent); storing that text back would change the entry. Compares the
// stored text with what the narrow bytes turn back into.
static bool carriesEveryCharacter(HKEY key, const char* narrow, DWORD narrowBytes) {
  static WCHAR stored[8192];
  static WCHAR back[8192];
  DWORD kind = REG_NONE;
  DWORD bytes = sizeof stored;
  if (RegQueryValueExW(key, L"Path", NULL, &kind, (BYTE*)stored, &bytes) != ERROR_SUCCESS) return false;
  int count = MultiByteToWideChar(CP_ACP, 0, narrow, (int)narrowBytes, back, 8192);
  return (DWORD)count * sizeof(WCHAR) == bytes && memcmp(back, stored, bytes) == 0;
}

bool osQueryPathValue(RegistryKey key, void* data, int size, RegistryType* type, int* length) {
  DWORD kind = REG_NONE;
  DWORD bytes = (DWORD)size;
  if (RegQueryValueExA((HKEY)key, "Path", NULL, &kind, (BYTE*)data, &bytes) != ERROR_SUCCESS) return false;
  bool text = kind == REG_SZ || kind == REG_EXPAND_SZ || kind == REG_MULTI_SZ;
  if (text && !carriesEveryCharacter((HKEY)key, (const char*)data, bytes)) return false;
  *type = (RegistryType)kind;
  *length = (int)bytes;
  return true;
}

bool osSetPathValue(RegistryKey key, const char* text) {
  DWORD bytes = (DWORD)strlen(text) + 1;
  return RegSetValueExA((HKEY)key, "Path", 0, REG_EXPAND_SZ, (const BYTE*)text, bytes) == ERROR_SUCCESS;
}

void osCloseKey(RegistryKey key) { RegCloseKey((HKEY)key); }
