// File-system services the program needs, in its own types.
#pragma once
#include <stdint.h>

/// Mode bit of a folder in FileStatus::mode.
const int folderModeBit = 0x4000;

/// What a status call reports of a path. Times are whole seconds since 1970.
struct FileStatus {
  int mode;            // folderModeBit for a folder, 0x8000 for a file
  int64_t size;        // bytes
  int64_t accessTime;  // last access
  int64_t modifyTime;  // last modification
};

enum StatusResult { statusOk, statusNotFound, statusFailed };

/// Status of a path. A drive root and a name whose last byte is the second
/// byte of a double-byte character are answered like any other path.
StatusResult osFileStatus(const char* path, FileStatus* status);

/// 0 when a file or folder of that name exists, otherwise a non-zero error number.
int osAccess(const char* path);

/// Creates one folder; false when it cannot (parent missing, name taken, ...).
bool osMakeFolder(const char* path);

/// Removes one file; false when it cannot. Under wine a file link is
/// followed and the file it leads to goes: remove only what this run made,
/// or what it has checked is no link.
bool osRemoveFile(const char* path);

/// Gives the file at from the name to in one step, replacing whatever bore
/// that name: the name only, so that a file a link or another name of it
/// led to stays as it was. false when it cannot (a folder bears the name,
/// the file there is in use or read-only, ...); from then stays as it was.
bool osReplaceFile(const char* from, const char* to);

/// Where the file or folder at path really is, every link on the way
/// followed, as one text for all its spellings (a drive root ends in a
/// backslash), at most size - 1 bytes; false when it cannot be had.
bool osRealLocation(const char* path, char* location, int size);

/// Free bytes available to the caller on the volume of root ("X:\").
bool osFreeBytes(const char* root, uint64_t* freeBytes);

/// Bytes per sector of the volume of root ("X:\" or "\\server\share\"; null:
/// the volume of the current folder).
bool osBytesPerSector(const char* root, uint32_t* bytesPerSector);

/// File system name of the volume of root ("NTFS", "FAT32", ...), at most
/// size - 1 bytes; root null: the volume of the current folder.
bool osFileSystemName(const char* root, char* name, int size);

// Stream descriptors of the C runtime (whole-file copies in file mode).

/// Opens for reading in binary mode, sharing everything; -1 on failure.
int osOpenStreamRead(const char* path);
/// Creates a new file for writing in binary mode, sharing everything,
/// writable; -1 on failure, with *nameTaken set when something (a file, a
/// folder, a link, even one that leads nowhere) already bears the name.
int osOpenStreamWrite(const char* path, bool* nameTaken);
/// Reads up to size bytes: the count read, 0 at end of file, -1 on failure.
int osReadStream(int fd, void* buffer, unsigned size);
/// Writes size bytes: the count written, -1 on failure.
int osWriteStream(int fd, const void* buffer, unsigned size);
/// false when the close reported a failure (a write the system held back failed).
bool osCloseStream(int fd);
/// Sets last-access and last-write times from whole seconds.
bool osSetFileTimes(const char* path, int64_t accessTime, int64_t modifyTime);

// Handles (sector-aligned copies in tree mode). Null means no handle.
struct OsFile;
typedef OsFile* FileHandle;

/// Opens an existing file for reading, sharing reading only.
FileHandle osOpenRead(const char* path);
/// Creates a new file for unbuffered sequential writing, no sharing. Every
/// read or write through it must start at a multiple of the sector size,
/// move a multiple of it, and use a buffer aligned to it. Null on failure,
/// with *nameTaken set when something already bears the name: an existing
/// file is never opened, so nothing is written through a link or another
/// name of a file.
FileHandle osCreateUnbuffered(const char* path, bool* nameTaken);
/// Creates a new file for ordinary cached writing, no sharing: any size from
/// any buffer. Fails as osCreateUnbuffered does.
FileHandle osCreateBuffered(const char* path, bool* nameTaken);
bool osReadFile(FileHandle file, void* buffer, uint32_t size, uint32_t* done);
bool osWriteFile(FileHandle file, const void* buffer, uint32_t size, uint32_t* done);
/// Size and last-write time (100-nanosecond units since 1601) of an open
/// file, in one call.
bool osFileFacts(FileHandle file, int64_t* size, int64_t* lastWrite);
/// Sets the end of the file at size bytes (also through an unbuffered
/// handle, whose writes end on a whole sector).
bool osSetEndOfFile(FileHandle file, int64_t size);
/// Sets the last-write time only (creation and last access stay).
bool osSetLastWrite(FileHandle file, int64_t fileTime);
/// false when the close reported a failure (a write the system held back failed).
bool osCloseFile(FileHandle file);

// Folder listing.

/// One listed entry.
struct ListEntry {
  char name[260];   // the entry's name, NUL-ended
  FileStatus status; // as a status call of the entry would report it
  bool isFolder;    // carries the folder bit (also a link to a folder)
  bool isLink;      // a link (reparse point) to somewhere else
  bool nameLost;    // the name has characters the code page cannot spell
                    // ('?' stands in for them): it cannot be opened by name
};

struct OsListing;
typedef OsListing* ListHandle;

enum ListResult { listEntry, listEnd, listFailed };

/// Starts listing pattern ("folder\*.*"): listEntry with the first entry and
/// the listing in *listing; listEnd when the folder holds no entry at all
/// (only a drive root can); listFailed when it cannot be listed.
ListResult osListFirst(const char* pattern, ListHandle* listing, ListEntry* entry);
/// listEntry with the next entry, listEnd after the last, listFailed when the
/// listing broke off.
ListResult osListNext(ListHandle listing, ListEntry* entry);
void osListClose(ListHandle listing);

// A folder's identity is its number on its volume and the volume's serial
// number: the same for every spelling that reaches it (letter case, relative
// path, short name, link). The number is cheap to ask; the serial is not
// (under wine it costs as much as copying a small file), and is asked only
// of two folders whose numbers agree.

enum IdentityResult { identityOk, identityMissing, identityFailed };

/// The folder's number on its volume, and, when location is not null, where
/// it really is as osRealLocation gives it (size bytes). identityMissing
/// when nothing of that name exists; identityFailed when it exists but
/// either cannot be had.
IdentityResult osFolderIndex(const char* path, uint64_t* index, char* location = nullptr, int size = 0);

/// The serial number of the volume that holds the folder at path (links
/// followed); false when it cannot be had.
bool osVolumeSerial(const char* path, uint64_t* serial);

/// A key of a listed name as the file system compares names: two names that
/// it takes for the same one (they differ only in letter case) get one key.
uint64_t osNameKey(const char* name);
