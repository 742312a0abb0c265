// In-memory file system with fault switches, for the copy, verify and path tests.
#pragma once
#include <stdint.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/files_os.h"

/// Makes one operation fail: on call number failOnCall (1-based, counted
/// from the last reset), and on every later call too when persistent.
struct FakeFault {
  int failOnCall = 0;
  bool persistent = false;
  int calls = 0;  // calls made
  int hits = 0;   // failures injected
  void arm(int call, bool always = false) {
    failOnCall = call;
    persistent = always;
  }
  bool strike();  // counts a call; true when this one must fail
};

/// Every fallible file operation of the seam, each with its own fault.
struct FakeFaults {
  FakeFault status, access, makeFolder, removeFile, freeBytes, sectorSize, fileSystem;
  FakeFault openStreamRead, openStreamWrite, readStream, writeStream, setFileTimes;
  FakeFault openRead, createUnbuffered, createBuffered, readFile, writeFile, fileFacts, setEndOfFile, volumeRoot;
  FakeFault setLastWrite, listFirst, listNext, folderIdentity, folderId, replaceFile, realLocation;
  // replaceFile: every rename (over an old copy, to a free name, through an
  // open handle); access: also the question whether a name can be replaced
  FakeFault closeWritten;  // the close of a handle or descriptor open for writing reports a failure
  FakeFault shortRead;   // a read that succeeds with fewer bytes than asked and than remain
  FakeFault shortWrite;  // a write that succeeds with fewer bytes than asked
  FakeFault alloc, alignedAlloc;
};

struct FakeNode {
  bool folder = false;
  std::string name;         // as created (letter case kept)
  std::string bytes;
  int64_t lastWrite = 0;    // 100 ns units since 1601
  int64_t accessTime = 0;   // seconds since 1970
  int64_t created = 0;      // 100 ns units since 1601
  uint64_t id = 0;
  bool readOnly = false;
  bool deleteDenied = false;  // the user may not delete or replace it
  bool statusFails = false;  // status and existence tests fail other than "not found"
  bool openFails = false;    // every open of this file fails
  bool listFails = false;    // listing this folder fails
  bool identityFails = false; // it cannot be opened to ask who it is
  bool hidesFinalPaths = false; // no final path for anything below it (a folder the user may not list)
  uint64_t index = 0;         // when set, the number its volume gives it (else id, unique everywhere)
  std::string listedAs;      // when set, the listing shows this name, lost to the code page
  int64_t reportedSize = -1; // when >= 0, the size status calls report (a stale view)
  std::string linkTo;        // a link: the key of the file or folder it leads to
  bool hardLink = false;     // with linkTo: a second name of that file, not a link
                             // (its real location is its own name)
  bool alias = false;        // with linkTo: a second name of that folder, as a bind
                             // mount or a share under two names gives it: no link,
                             // and its final path is its own
  int writers = 0;           // open handles that deny sharing
  int readers = 0;
};

/// What a volume's file IDs are worth: unique, all 0, all ones, handed out
/// again once the last handle of a folder closes, or shared by several
/// folders at once (one in three: two open folders may show one ID).
enum FakeIds { idsUnique, idsZero, idsAllOnes, idsReused, idsColliding };

/// How a volume that takes no unbuffered I/O says so: at the create, or at
/// an unbuffered handle's first write (both as unsupported).
enum UnbufferedRefusal { refusesNothing, refusesCreate, refusesFirstWrite };

struct FakeVolume {
  FakeIds ids = idsUnique;
  bool finalPaths = true;  // false: no final path in any form
  uint32_t sectorSize = 512;
  uint64_t freeBytes = 1ull << 40;
  std::string fileSystem = "NTFS";
  UnbufferedRefusal unbufferedRefused = refusesNothing;
};

struct FakeFiles {
  std::map<std::string, FakeNode> nodes;              // by key: upper-cased canonical path
  std::map<std::string, std::vector<std::string>> children;  // folder key -> child keys, listing order
  std::map<std::string, FakeVolume> volumes;          // "C:" or "\\SERVER\SHARE"
  std::string currentFolder;                          // key of the current folder
  FakeFaults faults;
  int64_t clock;                                      // 100 ns; moves on at every change
  uint64_t nextId;
  int openHandles;                                    // handles, descriptors and listings not closed
  int strayHandles;                                   // folder handles handed in that were never open or are closed
  int liveBlocks;                                     // heap blocks not released
  std::vector<std::string> log;                       // "op path" of every call that changes something
  size_t longestPath;                                 // longest path text the program handed to any call
  int heldRenames;   // the next renames refused, as while another program holds the file
  int heldRemovals;  // the same for removals
  /// Called with "status", "open" or "read" and the path's key just before
  /// the operation looks at the file: a test can change the file under it.
  std::function<void(const std::string& op, const std::string& key)> hook;
};

extern FakeFiles fakeFiles;

/// Empty file system with volume C: and current folder C:\WORK.
void resetFakeFiles();
/// root "X:" or "\\SERVER\SHARE"; or a folder ("C:\Mnt\Disk", made with its
/// parents) where the volume is mounted: what lies below it is the volume's.
void addVolume(const char* root, uint32_t sectorSize = 512, const char* fileSystem = "NTFS");
/// Creates a folder and its missing parents.
void addFolder(const char* path);
/// Creates a file (and missing parents) with these bytes and last-write time.
void addFile(const char* path, const std::string& bytes, int64_t lastWrite = 132000000000000000LL);
/// Creates a folder link at path leading to the folder target.
void addFolderLink(const char* path, const char* target);
/// Gives the folder target a second name, path, with its own final path.
void addFolderAlias(const char* path, const char* target);
/// Creates a file link at path leading to target, which need not exist.
void addFileLink(const char* path, const char* target);
/// Gives the existing file target a second name, path: one content.
void addHardLink(const char* path, const char* target);
/// The node a path reaches (links followed), or null.
FakeNode* findNode(const char* path);
/// The node that bears the path's last name itself (a link not followed), or null.
FakeNode* findName(const char* path);
bool exists(const char* path);
/// Removes a file or an empty folder, as another program would.
void removePath(const char* path);
std::string contentOf(const char* path);
/// A fault-free copy of the names listed in a folder (no "." or "..").
std::vector<std::string> listNames(const char* folder);
/// Everything below root and root itself (names, kinds, bytes, times, links),
/// as one text to compare before and after a run.
std::string treeState(const char* root);
/// Seconds since 1970 of a 100 ns file time, as a status call reports them.
int64_t statusSeconds(int64_t fileTime);
/// Turns every fault off and zeroes its counts.
void clearFaults();
