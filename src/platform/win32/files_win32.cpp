// File-system services on Win32 and the C runtime.
#include <errno.h>
#include <string.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <sys/utime.h>
#include <windows.h>

#include "platform/files_os.h"
#include "platform/win32/files_win32.h"

int64_t secondsOf(FILETIME time) {
  const int64_t unixEpochIn100ns = 116444736000000000LL;
  int64_t ticks = ((int64_t)time.dwHighDateTime << 32) | time.dwLowDateTime;
  int64_t since = ticks - unixEpochIn100ns;
  int64_t seconds = since / 10000000;
  if (since % 10000000 < 0) --seconds;
  return seconds;
}

void fillStatus(DWORD attributes, DWORD sizeHigh, DWORD sizeLow, FILETIME accessed, FILETIME written,
                FileStatus* status) {
  bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  status->mode = (folder ? folderModeBit : 0x8000) | ((attributes & FILE_ATTRIBUTE_READONLY) ? 0 : writableModeBit);
  status->size = folder ? 0 : (int64_t)(((uint64_t)sizeHigh << 32) | sizeLow);
  status->accessTime = secondsOf(accessed);
  status->modifyTime = secondsOf(written);
}

bool isNotFound(DWORD error) {
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

bool widePath(const char* path, WCHAR* wide) {
  WCHAR given[widePathSize];
  if (path[0] == 0 || MultiByteToWideChar(CP_ACP, 0, path, -1, given, widePathSize) == 0) return false;
  if (wcsncmp(given, L"\\\\?\\", 4) == 0) {
    wcscpy(wide, given);
    return true;
  }
  // Room for "\\?\UNC\" in front.
  WCHAR* full = wide + 8;
  DWORD length = GetFullPathNameW(given, widePathSize - 8, full, NULL);
  if (length == 0 || length >= (DWORD)widePathSize - 8) return false;
  if (length < MAX_PATH - 1) {
    memmove(wide, full, (length + 1) * sizeof(WCHAR));
  } else if (full[0] == L'\\' && full[1] == L'\\') {
    memmove(wide + 8, full + 2, (length - 1) * sizeof(WCHAR));
    memcpy(wide, L"\\\\?\\UNC\\", 8 * sizeof(WCHAR));
  } else {
    memmove(wide + 4, full, (length + 1) * sizeof(WCHAR));
    memcpy(wide, L"\\\\?\\", 4 * sizeof(WCHAR));
  }
  return true;
}

// A link's status is what it leads to, asked through a handle, which
// follows it where the attribute call describes the link itself.
static StatusResult followedStatus(const char* path, FileStatus* status) {
  HANDLE file = CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
  if (file == INVALID_HANDLE_VALUE) return isNotFound(GetLastError()) ? statusNotFound : statusFailed;
  BY_HANDLE_FILE_INFORMATION info;
  BOOL ok = GetFileInformationByHandle(file, &info);
  CloseHandle(file);
  if (!ok) return statusFailed;
  fillStatus(info.dwFileAttributes, info.nFileSizeHigh, info.nFileSizeLow, info.ftLastAccessTime,
             info.ftLastWriteTime, status);
  return statusOk;
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
  if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return followedStatus(path, status);
  fillStatus(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow, data.ftLastAccessTime,
             data.ftLastWriteTime, status);
  return statusOk;
}

int osAccess(const char* path) {
  WCHAR wide[widePathSize];
  if (!widePath(path, wide)) return ENOENT;
  if (GetFileAttributesW(wide) != INVALID_FILE_ATTRIBUTES) return 0;
  return isNotFound(GetLastError()) ? ENOENT : EACCES;
}

bool osMakeFolder(const char* path) { return CreateDirectoryA(path, NULL) != 0; }

// Access denied answers a read-only file and one the user may not delete,
// which no wait will change.
static bool heldForNow() {
  DWORD error = GetLastError();
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

bool osRemoveFile(const char* path, bool* held) {
  WCHAR wide[widePathSize];
  if (widePath(path, wide) && DeleteFileW(wide)) return true;
  if (held) *held = heldForNow();
  return false;
}

bool osReplaceFile(const char* from, const char* to, bool* held) {
  WCHAR wideFrom[widePathSize];
  WCHAR wideTo[widePathSize];
  if (widePath(from, wideFrom) && widePath(to, wideTo) && MoveFileExW(wideFrom, wideTo, MOVEFILE_REPLACE_EXISTING))
    return true;
  if (held) *held = heldForNow();
  return false;
}

// The name itself is opened for deleting, as a replacement removes it: a
// link is not followed, and one the user may not delete refuses.
Replaceable osReplaceable(const char* path) {
  WCHAR wide[widePathSize];
  if (!widePath(path, wide)) return notReplaceable;
  HANDLE name = CreateFileW(wide, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, NULL);
  if (name != INVALID_HANDLE_VALUE) {
    CloseHandle(name);
    return replaceable;
  }
  DWORD error = GetLastError();
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return replaceableLater;
  return error == ERROR_ACCESS_DENIED ? notReplaceable : replaceable;
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
  WCHAR wide[widePathSize];
  *nameTaken = false;
  if (!widePath(path, wide)) return -1;
  int fd = _wsopen(wide, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _SH_DENYNO, _S_IREAD | _S_IWRITE);
  *nameTaken = fd < 0 && errno == EEXIST;
  return fd;
}

int osReadStream(int fd, void* buffer, unsigned size) { return _read(fd, buffer, size); }

int osWriteStream(int fd, const void* buffer, unsigned size) { return _write(fd, buffer, size); }

bool osCloseStream(int fd) { return _close(fd) == 0; }

bool osSetFileTimes(const char* path, int64_t accessTime, int64_t modifyTime) {
  WCHAR wide[widePathSize];
  struct __utimbuf64 times;
  times.actime = accessTime;
  times.modtime = modifyTime;
  return widePath(path, wide) && _wutime64(wide, &times) == 0;
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
// With the right to delete, the handle can give its file another name.
static FileHandle createNew(const char* path, DWORD flags, bool* nameTaken, bool* unsupported = NULL) {
  WCHAR wide[widePathSize];
  HANDLE file = INVALID_HANDLE_VALUE;
  if (widePath(path, wide)) file = CreateFileW(wide, GENERIC_WRITE | DELETE, 0, NULL, CREATE_NEW, flags, NULL);
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

// FILE_RENAME_INFO takes the new name in full, as wide text.
bool osNameOpenFile(FileHandle file, const char* to) {
  WCHAR full[widePathSize];
  if (!widePath(to, full)) return false;
  size_t length = wcslen(full);
  union {
    FILE_RENAME_INFO info;
    char room[sizeof(FILE_RENAME_INFO) + widePathSize * sizeof(WCHAR)];
  } rename;
  memset(&rename, 0, sizeof rename);
  rename.info.ReplaceIfExists = FALSE;
  rename.info.RootDirectory = NULL;
  rename.info.FileNameLength = (DWORD)(length * sizeof(WCHAR));
  memcpy(rename.info.FileName, full, (length + 1) * sizeof(WCHAR));
  return SetFileInformationByHandle((HANDLE)file, FileRenameInfo, &rename, sizeof rename) != 0;
}
