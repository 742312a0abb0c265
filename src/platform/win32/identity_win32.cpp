// Folder identity and final paths on Win32.
#include <string.h>
#include <windows.h>
#include <winternl.h>

#include "platform/files_os.h"
#include "platform/win32/files_win32.h"

// Through the wide call, as the listing goes: a folder that can be listed
// can be told apart too, also where the narrow calls stop short of 520
// bytes. A file opens the same way.
static HANDLE openFolder(const char* path, IdentityResult* failure) {
  WCHAR wide[1024];
  *failure = identityFailed;
  if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, 1024) == 0) return INVALID_HANDLE_VALUE;
  HANDLE folder = CreateFileW(wide, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
  if (folder == INVALID_HANDLE_VALUE && isNotFound(GetLastError())) *failure = identityMissing;
  return folder;
}

// The final path of the open file in one form, in UTF-8: the text is only
// compared, never shown or handed back to the system, and no character is
// lost to the code page. Some volumes give no form at all (a share whose
// parent folder the user may not list, a RAM disk, some user-mode file
// systems); one without a drive letter has no drive form.
static bool locationIn(HANDLE file, LocationForm form, char* location, int size) {
  static const DWORD flags[] = {VOLUME_NAME_DOS, VOLUME_NAME_GUID, VOLUME_NAME_NT};
  if (form == locationNone) return false;
  WCHAR wide[2048];
  DWORD length = GetFinalPathNameByHandleW(file, wide, 2048, FILE_NAME_NORMALIZED | flags[form]);
  if (length == 0 || length >= 2048) return false;
  return WideCharToMultiByte(CP_UTF8, 0, wide, -1, location, size, NULL, NULL) > 0;
}

// The drive form costs a fraction of the others under wine.
bool osRealLocation(const char* path, char* location, int size) {
  IdentityResult failure;
  HANDLE file = openFolder(path, &failure);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = false;
  for (int form = locationDrive; form < locationNone && !ok; ++form)
    ok = locationIn(file, (LocationForm)form, location, size);
  CloseHandle(file);
  return ok;
}

IdentityResult osOpenFolder(const char* path, FolderHandle* folder) {
  IdentityResult failure;
  HANDLE handle = openFolder(path, &failure);
  if (handle == INVALID_HANDLE_VALUE) return failure;
  *folder = (FolderHandle)handle;
  return identityOk;
}

void osCloseFolder(FolderHandle folder) { CloseHandle((HANDLE)folder); }

// The file index alone, without the volume's serial number that
// GetFileInformationByHandle works out too: under wine that part costs
// several hundred microseconds a call.
typedef LONG(WINAPI* QueryInformationFile)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, ULONG);
static const ULONG fileInternalInformation = 6;

bool osFolderIndex(FolderHandle folder, uint64_t* index) {
  static QueryInformationFile query =
      (QueryInformationFile)(void*)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationFile");
  if (query) {
    IO_STATUS_BLOCK status;
    LARGE_INTEGER number;
    if (query((HANDLE)folder, &status, &number, sizeof number, fileInternalInformation) < 0) return false;
    *index = (uint64_t)number.QuadPart;
    return true;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle((HANDLE)folder, &info)) return false;
  *index = ((uint64_t)info.nFileIndexHigh << 32) | info.nFileIndexLow;
  return true;
}

// The 128-bit ID where the volume has one (ReFS does not keep its 64-bit
// numbers unique); older systems and volumes answer the 64-bit call only.
// (FILE_ID_INFO and its class number, as the headers give them from
// Windows 8 on.)
static const FILE_INFO_BY_HANDLE_CLASS fileIdInfo = (FILE_INFO_BY_HANDLE_CLASS)18;
struct FileIdRecord {
  ULONGLONG volumeSerial;
  BYTE identifier[16];
};

bool osFolderId(FolderHandle folder, FolderId* id) {
  FileIdRecord full;
  if (GetFileInformationByHandleEx((HANDLE)folder, fileIdInfo, &full, sizeof full)) {
    id->volume = full.volumeSerial;
    memcpy(&id->low, full.identifier, 8);
    memcpy(&id->high, full.identifier + 8, 8);
    return true;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle((HANDLE)folder, &info)) return false;
  id->volume = info.dwVolumeSerialNumber;
  id->low = ((uint64_t)info.nFileIndexHigh << 32) | info.nFileIndexLow;
  id->high = 0;
  return true;
}

bool osFolderLocation(FolderHandle folder, LocationForm form, char* location, int size) {
  return locationIn((HANDLE)folder, form, location, size);
}

bool osFolderCreated(FolderHandle folder, int64_t* created) {
  FILE_BASIC_INFO basic;
  if (!GetFileInformationByHandleEx((HANDLE)folder, FileBasicInfo, &basic, sizeof basic)) return false;
  *created = basic.CreationTime.QuadPart;
  return true;
}

// The name is converted as the final path is: to UTF-8 from the code page.
bool osChildLocation(FolderHandle folder, LocationForm form, const char* name, char* location, int size) {
  WCHAR wide[MAX_PATH + 1];
  if (!locationIn((HANDLE)folder, form, location, size) || MultiByteToWideChar(CP_ACP, 0, name, -1, wide, MAX_PATH + 1) == 0)
    return false;
  int length = lstrlenA(location);
  if (length == 0 || length + 2 > size) return false;
  if (location[length - 1] != '\\') location[length++] = '\\';
  return WideCharToMultiByte(CP_UTF8, 0, wide, -1, location + length, size - length, NULL, NULL) > 0;
}

bool osFullPath(const char* path, char* full, int size) {
  DWORD length = GetFullPathNameA(path, (DWORD)size, full, NULL);
  return length > 0 && length < (DWORD)size;
}

int osIsLink(const char* path) {
  WCHAR wide[widePathSize];
  if (!widePath(path, wide)) return -1;
  DWORD attributes = GetFileAttributesW(wide);
  if (attributes == INVALID_FILE_ATTRIBUTES) return -1;
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? 1 : 0;
}

// Names are compared as the system compares them: letter case folded over
// the whole of Unicode, not only over ASCII.
uint64_t osNameKey(const char* name) {
  WCHAR wide[MAX_PATH + 1];
  WCHAR folded[MAX_PATH + 1];
  int length = MultiByteToWideChar(CP_ACP, 0, name, -1, wide, MAX_PATH + 1);
  int count = length > 0 ? LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, wide, length, folded, MAX_PATH + 1) : 0;
  uint64_t key = 14695981039346656037ULL;
  if (count > 0) {
    for (int i = 0; i < count; ++i) key = (key ^ folded[i]) * 1099511628211ULL;
  } else {
    for (const char* p = name; *p; ++p) key = (key ^ (unsigned char)*p) * 1099511628211ULL;
  }
  return key;
}
