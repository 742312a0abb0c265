/* The floor of a tree copy under wine: the least Win32 work that copies a
 * tree with its last-write times and then checks it, against which the
 * bench sets VESTRO's times.
 *
 *   floor.exe FROM TO            every copy written in place (CREATE_ALWAYS)
 *   floor.exe FROM TO replace    every copy made new under NAME.tmp, written,
 *                                timed, closed, then renamed over NAME
 *   floor.exe FROM TO handle     as replace, but the copy (opened with the
 *                                right to delete) takes its name through its
 *                                still-open handle, before the close
 *
 * Per file: one listing entry, one source open, one create, one read and one
 * write per 4 MiB, the source's time read and set, two closes (and the rename
 * when replacing). Then a second walk with one attribute call a side.
 * Prints "N files, M bad" and ends with 1 when anything failed. */
#define _WIN32_WINNT 0x0600
#include <stdio.h>
#include <string.h>
#include <windows.h>

#define PIECE (4 << 20)

static char *piece;
static long files, bad;
static int replacing;
static int throughHandle;

/* Gives the open file the name to, replacing what bears it. */
static BOOL renameOpen(HANDLE file, const char *to) {
  static union {
    FILE_RENAME_INFO info;
    char room[sizeof(FILE_RENAME_INFO) + 2 * 1040];
  } rename;
  WCHAR wide[1040];
  DWORD length;
  if (MultiByteToWideChar(CP_ACP, 0, to, -1, wide, 1040) == 0) return FALSE;
  length = GetFullPathNameW(wide, 1040, rename.info.FileName, NULL);
  if (length == 0 || length >= 1040) return FALSE;
  rename.info.ReplaceIfExists = TRUE;
  rename.info.RootDirectory = NULL;
  rename.info.FileNameLength = length * sizeof(WCHAR);
  return SetFileInformationByHandle(file, FileRenameInfo, &rename, sizeof rename);
}

static void join(char *out, const char *folder, const char *name) {
  snprintf(out, 520, "%s\\%s", folder, name);
}

static void copyFile(const char *from, const char *to) {
  char temporary[530];
  const char *made = to;
  HANDLE source, copy;
  DWORD got, put;
  FILETIME written;

  ++files;
  source = CreateFileA(from, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
  if (source == INVALID_HANDLE_VALUE) {
    ++bad;
    return;
  }
  if (replacing) {
    snprintf(temporary, sizeof temporary, "%s.tmp", to);
    made = temporary;
  }
  copy = CreateFileA(made, GENERIC_WRITE | (throughHandle ? DELETE : 0), 0, NULL, replacing ? CREATE_NEW : CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, NULL);
  if (copy == INVALID_HANDLE_VALUE) {
    CloseHandle(source);
    ++bad;
    return;
  }
  for (;;) {
    if (!ReadFile(source, piece, PIECE, &got, NULL)) {
      ++bad;
      break;
    }
    if (got == 0) break;
    if (!WriteFile(copy, piece, got, &put, NULL) || put != got) {
      ++bad;
      break;
    }
  }
  if (!GetFileTime(source, NULL, NULL, &written) || !SetFileTime(copy, NULL, NULL, &written)) ++bad;
  if (throughHandle && !renameOpen(copy, to)) ++bad;
  CloseHandle(copy);
  CloseHandle(source);
  if (replacing && !throughHandle && !MoveFileExA(temporary, to, MOVEFILE_REPLACE_EXISTING)) ++bad;
}

/* Size and whole seconds of the last-write time agree. */
static void checkFile(const char *from, const char *to) {
  WIN32_FILE_ATTRIBUTE_DATA a, b;
  ULONGLONG ta, tb;
  if (!GetFileAttributesExA(from, GetFileExInfoStandard, &a) || !GetFileAttributesExA(to, GetFileExInfoStandard, &b)) {
    ++bad;
    return;
  }
  ta = ((ULONGLONG)a.ftLastWriteTime.dwHighDateTime << 32 | a.ftLastWriteTime.dwLowDateTime) / 10000000;
  tb = ((ULONGLONG)b.ftLastWriteTime.dwHighDateTime << 32 | b.ftLastWriteTime.dwLowDateTime) / 10000000;
  if (a.nFileSizeHigh != b.nFileSizeHigh || a.nFileSizeLow != b.nFileSizeLow || ta != tb) ++bad;
}

static void walk(const char *from, const char *to, int copying) {
  char pattern[520], source[520], target[520];
  WIN32_FIND_DATAA found;
  HANDLE listing;

  join(pattern, from, "*.*");
  listing = FindFirstFileA(pattern, &found);
  if (listing == INVALID_HANDLE_VALUE) return;
  do {
    if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
    join(source, from, found.cFileName);
    join(target, to, found.cFileName);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (copying) CreateDirectoryA(target, NULL);
      walk(source, target, copying);
    } else if (copying) {
      copyFile(source, target);
    } else {
      checkFile(source, target);
    }
  } while (FindNextFileA(listing, &found));
  FindClose(listing);
}

int main(int argc, char **argv) {
  if (argc < 3 || (argc > 3 && strcmp(argv[3], "replace") != 0 && strcmp(argv[3], "handle") != 0)) {
    printf("usage: floor FROM TO [replace|handle]\n");
    return 2;
  }
  replacing = argc > 3;
  throughHandle = replacing && strcmp(argv[3], "handle") == 0;
  piece = VirtualAlloc(NULL, PIECE, MEM_COMMIT, PAGE_READWRITE);
  if (!piece) return 2;
  CreateDirectoryA(argv[2], NULL);
  walk(argv[1], argv[2], 1);
  walk(argv[1], argv[2], 0);
  printf("%ld files, %ld bad\n", files, bad);
  return bad != 0;
}
