// File-system services on Win32 and the C runtime.
#include <errno.h>
#include <string.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <sys/utime.h>
#include <windows.h>
#include <winternl.h>

#include "platform/files_os.h"

static const int64_t unixEpochIn100ns = 116444736000000000LL;

static int64_t secondsOf(FILETIME time) {
  int64_t ticks = ((int64_t)time.dwHighDateTime << 32) | time.dwLowDateTime;
  int64_t since = ticks - unixEpochIn100ns;
  int64_t seconds = since / 10000000;
  if (since % 10000000 < 0) --seconds;
  return seconds;
}

// A status as the runtime's status call gives it, from the fields that the
// attribute call and the listing both carry.
static void fillStatus(DWORD attributes, DWORD sizeHigh, DWORD sizeLow, FILETIME accessed, FILETIME written,
                       FileStatus* status) {
  bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  status->mode = folder ? folderModeBit : 0x8000;
  status->size = folder ? 0 : (int64_t)(((uint64_t)sizeHigh << 32) | sizeLow);
  status->accessTime = secondsOf(accessed);
  status->modifyTime = secondsOf(written);
}

// The errors the runtime's status call reports as "not found".
static bool isNotFound(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_NO_MORE_FILES:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return true;
  }
  return false;
}

// _stat64 would do here, but under wine it refuses a name whose last byte is
// the second byte of a double-byte character (0x5C) and a bare drive; the
// attribute call answers both correctly with the same fields.
StatusResult osFileStatus(const char* path, FileStatus* status) {
  if (path[0] == 0) return statusNotFound;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
    return isNotFound(GetLastError()) ? statusNotFound : statusFailed;
  }
  fillStatus(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow, data.ftLastAccessTime,
             data.ftLastWriteTime, status);
  return statusOk;
}

int osAccess(const char* path) {
  if (path[0] == 0) return ENOENT;
  if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return 0;
  return isNotFound(GetLastError()) ? ENOENT : EACCES;
}

bool osMakeFolder(const char* path) { return CreateDirectoryA(path, NULL) != 0; }

// Access denied also answers a read-only file, which no wait will change.
static bool heldForNow(const char* path) {
  DWORD error = GetLastError();
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return true;
  if (error != ERROR_ACCESS_DENIED) return false;
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

bool osRemoveFile(const char* path, bool* held) {
  if (DeleteFileA(path)) return true;
  if (held) *held = heldForNow(path);
  return false;
}

bool osReplaceFile(const char* from, const char* to, bool* held) {
  if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING)) return true;
  if (held) *held = heldForNow(to);
  return false;
}

bool osFreeBytes(const char* root, uint64_t* freeBytes) {
  ULARGE_INTEGER available, total, free;
  if (!GetDiskFreeSpaceExA(root, &available, &total, &free)) return false;
  *freeBytes = available.QuadPart;
  return true;
}

bool osBytesPerSector(const char* root, uint32_t* bytesPerSector) {
  DWORD sectorsPerCluster, bytes, freeClusters, clusters;
  if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytes, &freeClusters, &clusters)) return false;
  *bytesPerSector = bytes;
  return true;
}

// Asked through a handle on the root: wine's GetVolumeInformationA prints a
// warning onto the console when it cannot read the volume's label.
bool osFileSystemName(const char* root, char* name, int size) {
  HANDLE folder = CreateFileA(root ? root : ".", 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
  if (folder == INVALID_HANDLE_VALUE) return false;
  WCHAR wide[MAX_PATH + 1];
  BOOL ok = GetVolumeInformationByHandleW(folder, NULL, 0, NULL, NULL, NULL, wide, MAX_PATH + 1);
  CloseHandle(folder);
  if (!ok || size < 1) return false;
  int k = 0;
  for (; wide[k] != 0 && k < size - 1; ++k) name[k] = wide[k] < 0x80 ? (char)wide[k] : '?';
  name[k] = 0;
  return true;
}

static bool startsWith(const char* text, const char* prefix) {
  for (; *prefix; ++text, ++prefix)
    if (*text != *prefix) return false;
  return true;
}

// GetVolumePathNameA walks the text back to the longest prefix that is a
// volume's mount point. It takes a relative path for one on the boot
// volume, answers the boot volume's root for a drive that does not exist,
// follows no link, and leaves the backslash off when the buffer is one
// short. So it is asked of the full path, or of where the folder really is
// when it can be opened, with room to spare; and an answer that does not
// lead the path it was asked of is none.
bool osVolumeRootOf(const char* path, char* root, int size) {
  char asked[1024];
  if (path[0] == 0) return false;  // fails with no error set
  DWORD length = GetFullPathNameA(path, sizeof asked, asked, NULL);
  if (length == 0 || length >= sizeof asked) return false;
  HANDLE folder = CreateFileA(asked, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
  if (folder != INVALID_HANDLE_VALUE) {
    char real[1024];
    DWORD n = GetFinalPathNameByHandleA(folder, real, sizeof real, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(folder);
    if (n > 0 && n < sizeof real && startsWith(real, "\\\\?\\UNC\\")) {
      asked[0] = '\\';
      lstrcpynA(asked + 1, real + 7, sizeof asked - 1);
    } else if (n > 0 && n < sizeof real && startsWith(real, "\\\\?\\")) {
      lstrcpynA(asked, real + 4, sizeof asked);
    }
  }
  char volume[1024];
  if (!GetVolumePathNameA(asked, volume, sizeof volume)) return false;
  int n = lstrlenA(volume);
  if (n == 0 || n + 2 > (int)sizeof volume) return false;
  if (volume[n - 1] != '\\') {
    volume[n++] = '\\';
    volume[n] = 0;
  }
  int stem = n - 1;
  if (lstrlenA(asked) < stem ||
      CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, volume, stem, asked, stem) != CSTR_EQUAL ||
      (asked[stem] != 0 && asked[stem] != '\\') || n + 1 > size)
    return false;
  lstrcpynA(root, volume, size);
  return true;
}

int osOpenStreamRead(const char* path) { return _sopen(path, _O_RDONLY | _O_BINARY, _SH_DENYNO); }

int osOpenStreamWrite(const char* path, bool* nameTaken) {
  int fd = _sopen(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _SH_DENYNO, _S_IREAD | _S_IWRITE);
  *nameTaken = fd < 0 && errno == EEXIST;
  return fd;
}

int osReadStream(int fd, void* buffer, unsigned size) { return _read(fd, buffer, size); }

int osWriteStream(int fd, const void* buffer, unsigned size) { return _write(fd, buffer, size); }

bool osCloseStream(int fd) { return _close(fd) == 0; }

bool osSetFileTimes(const char* path, int64_t accessTime, int64_t modifyTime) {
  struct __utimbuf64 times;
  times.actime = accessTime;
  times.modtime = modifyTime;
  return _utime64(path, &times) == 0;
}

// What a volume that takes no unbuffered I/O answers an unbuffered create
// or write (also a write it finds misaligned for its sectors).
static bool isUnsupported(DWORD error) { return error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED; }

static FileHandle fromHandle(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? nullptr : (FileHandle)handle;
}

FileHandle osOpenRead(const char* path) {
  return fromHandle(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL));
}

// CREATE_NEW also refuses a link that leads nowhere, which CREATE_ALWAYS
// would follow to make the file it names.
static FileHandle createNew(const char* path, DWORD flags, bool* nameTaken, bool* unsupported = NULL) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, flags, NULL);
  DWORD error = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  *nameTaken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
  if (unsupported) *unsupported = isUnsupported(error);
  return fromHandle(file);
}

FileHandle osCreateUnbuffered(const char* path, bool* nameTaken, bool* unsupported) {
  return createNew(path, FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nameTaken, unsupported);
}

FileHandle osCreateBuffered(const char* path, bool* nameTaken) {
  return createNew(path, FILE_ATTRIBUTE_NORMAL, nameTaken);
}

bool osReadFile(FileHandle file, void* buffer, uint32_t size, uint32_t* done) {
  DWORD count = 0;
  BOOL ok = ReadFile((HANDLE)file, buffer, size, &count, NULL);
  *done = count;
  return ok != 0;
}

bool osWriteFile(FileHandle file, const void* buffer, uint32_t size, uint32_t* done, bool* unsupported) {
  DWORD count = 0;
  BOOL ok = WriteFile((HANDLE)file, buffer, size, &count, NULL);
  *done = count;
  if (unsupported) *unsupported = !ok && isUnsupported(GetLastError());
  return ok != 0;
}

// Two calls rather than GetFileInformationByHandle, which works out the
// volume's serial number too: under wine that alone costs more than copying
// a small file.
bool osFileFacts(FileHandle file, int64_t* size, int64_t* lastWrite) {
  LARGE_INTEGER length;
  FILETIME written;
  if (!GetFileSizeEx((HANDLE)file, &length) || !GetFileTime((HANDLE)file, NULL, NULL, &written)) return false;
  *size = length.QuadPart;
  *lastWrite = (int64_t)(((uint64_t)written.dwHighDateTime << 32) | written.dwLowDateTime);
  return true;
}

bool osSetEndOfFile(FileHandle file, int64_t size) {
  FILE_END_OF_FILE_INFO end;
  end.EndOfFile.QuadPart = size;
  return SetFileInformationByHandle((HANDLE)file, FileEndOfFileInfo, &end, sizeof end) != 0;
}

bool osSetLastWrite(FileHandle file, int64_t fileTime) {
  FILETIME written;
  written.dwLowDateTime = (DWORD)(fileTime & 0xFFFFFFFF);
  written.dwHighDateTime = (DWORD)((uint64_t)fileTime >> 32);
  return SetFileTime((HANDLE)file, NULL, NULL, &written) != 0;
}

bool osCloseFile(FileHandle file) { return CloseHandle((HANDLE)file) != 0; }

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
struct FileIdInformation {
  ULONGLONG volumeSerial;
  BYTE identifier[16];
};

bool osFolderId(FolderHandle folder, FolderId* id) {
  FileIdInformation full;
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

bool osFullPath(const char* path, char* full, int size) {
  DWORD length = GetFullPathNameA(path, (DWORD)size, full, NULL);
  return length > 0 && length < (DWORD)size;
}

int osIsLink(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
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
