// File-system services the program needs, in its own types.
#pragma once
#include <stdint.h>

/// Mode bit of a folder in FileStatus::mode.
const int folderModeBit = 0x4000;
/// Mode bit of a file that may be written (not read-only), as the runtime's _S_IWRITE.
const int writableModeBit = 0x0080;

/// What a status call reports of a path. Times are whole seconds since 1970.
struct FileStatus {
  int mode;            // folderModeBit for a folder, 0x8000 for a file; writableModeBit unless read-only
  int64_t size;        // bytes
  int64_t accessTime;  // last access
  int64_t modifyTime;  // last modification
};

enum StatusResult { statusOk, statusNotFound, statusFailed };

/// Status of a path, links followed: a link takes the status of what it
/// leads to. A drive root and a name whose last byte is the second byte of
/// a double-byte character are answered like any other path.
StatusResult osFileStatus(const char* path, FileStatus* status);

/// 0 when a file or folder of that name exists, otherwise a non-zero error number.
int osAccess(const char* path);

/// Creates one folder; false when it cannot (parent missing, name taken, ...).
bool osMakeFolder(const char* path);

/// Removes one file; false when it cannot, with *held (when given) set when
/// another program holds it for now (a scanner, an indexer, a sync client:
/// a sharing or lock violation) rather than for good (access denied, it is
/// read-only, it is gone, ...). Under wine a file link is followed and the
/// file it leads to goes: remove only what this run made, or what it has
/// checked is no link.
bool osRemoveFile(const char* path, bool* held = nullptr);

/// Gives the file at from the name to in one step, replacing whatever bore
/// that name: the name only, so that a file a link or another name of it
/// led to stays as it was. false when it cannot (a folder bears the name,
/// the file there is in use or read-only, ...); from then stays as it was.
/// *held as for osRemoveFile.
bool osReplaceFile(const char* from, const char* to, bool* held = nullptr);

/// Whether the file that bears the name path (no folder and not read-only,
/// as its status shows) may give it up to a new file: yes (or nothing bears
/// it), not now (another program holds it: a sharing or lock violation), or
/// never (the user may not delete or replace it).
enum Replaceable { replaceable, replaceableLater, notReplaceable };
Replaceable osReplaceable(const char* path);

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

/// The root of the volume that holds the folder at path (links followed,
/// a volume mounted in a folder being its own: "C:\Mnt\Disk\"), ending in a
/// backslash, at most size - 1 bytes; false when it cannot be had.
bool osVolumeRootOf(const char* path, char* root, int size);

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
/// name of a file. *unsupported, when asked, is set when the volume refuses
/// unbuffered I/O altogether (an ordinary handle will do there).
FileHandle osCreateUnbuffered(const char* path, bool* nameTaken, bool* unsupported = nullptr);
/// Creates a new file for ordinary cached writing, no sharing: any size from
/// any buffer. Fails as osCreateUnbuffered does. Both handles may rename
/// their file (osNameOpenFile).
FileHandle osCreateBuffered(const char* path, bool* nameTaken);
/// Gives the file open for writing the free name to, without closing it;
/// false when the name is taken or the volume cannot rename an open file.
bool osNameOpenFile(FileHandle file, const char* to);
bool osReadFile(FileHandle file, void* buffer, uint32_t size, uint32_t* done);
/// *unsupported, when asked, is set when the volume refused the write as a
/// kind of I/O it does not take (an unbuffered handle's write there).
bool osWriteFile(FileHandle file, const void* buffer, uint32_t size, uint32_t* done, bool* unsupported = nullptr);
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

/// One listed entry, as the folder's own record shows it: a link shows
/// itself (its own times, size 0), not what it leads to.
struct ListEntry {
  char name[260];   // the entry's name, NUL-ended
  FileStatus status; // as a status call of the entry would report it, unless it is a link
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

// A folder's identity. Its number on its volume is cheap to ask and tells
// two folders apart when the numbers differ; numbers that agree need the
// full identity (the volume's serial and the 128-bit ID), which costs more.
// Some volumes give numbers that prove nothing: 0 or all ones where they
// keep none, numbers handed out again once a folder's last handle closes
// (so the walk holds the folders of its path open). Where IDs prove
// nothing, where a folder really is (its final path) still tells.

struct OsFolder;
typedef OsFolder* FolderHandle;

enum IdentityResult { identityOk, identityMissing, identityFailed };

/// Opens the folder at path (links followed) to ask who it is; as long as
/// it stays open its ID is its own. identityMissing when nothing of that
/// name exists, identityFailed when it cannot be opened.
IdentityResult osOpenFolder(const char* path, FolderHandle* folder);
void osCloseFolder(FolderHandle folder);

/// The folder's 64-bit number on its volume.
bool osFolderIndex(FolderHandle folder, uint64_t* index);

/// The full identity: the volume's serial and the 128-bit ID (a 64-bit
/// number widened where the volume has no 128-bit one).
struct FolderId {
  uint64_t volume;
  uint64_t low;
  uint64_t high;
};
bool osFolderId(FolderHandle folder, FolderId* id);

/// The forms a final path can take: the drive form ("\\?\C:\..."), the
/// volume GUID form, and the device form the volume was opened by. Two
/// final paths compare only in the same form.
enum LocationForm { locationDrive, locationGuid, locationDevice, locationNone };

/// Where the open folder really is, in that form, as osRealLocation gives
/// its text; false when the volume cannot give it in that form.
bool osFolderLocation(FolderHandle folder, LocationForm form, char* location, int size);

/// The folder's creation time (100-nanosecond units since 1601): two
/// folders that show one ID and two creation times are two folders.
bool osFolderCreated(FolderHandle folder, int64_t* created);

/// Where the entry name of the open folder would be if it were no link, as
/// osFolderLocation gives the folder's own location in that form, a
/// backslash and the name.
bool osChildLocation(FolderHandle folder, LocationForm form, const char* name, char* location, int size);

/// The full path that path names as written (current folder and ".."
/// applied, no link followed), at most size - 1 bytes.
bool osFullPath(const char* path, char* full, int size);

/// 1 when the name at path is itself a link (a reparse point), 0 when it is
/// not, -1 when that cannot be had.
int osIsLink(const char* path);

/// A key of a listed name as the file system compares names: two names that
/// it takes for the same one (they differ only in letter case) get one key.
uint64_t osNameKey(const char* name);
