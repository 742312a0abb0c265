// The one walk over a source tree and its copy's place. It alone lists
// folders, checks names, builds paths and asks the walk guard and the
// volumes; the passes over the tree (count, copy, verify) are steps it
// calls, so that no two passes can decide a folder differently.
#pragma once
#include "platform/files_os.h"

/// The deepest level walked: a folder below it is not walked, and listed.
const int walkDepthLimit = 260;

/// A level of the walk: a source folder and its destination folder.
struct WalkLevel {
  const char* source;
  const char* destination;
  int depth;               // 0 for the top level
  bool destinationIsNew;   // the pass made it this run: no copy stands in it yet
  const char* volumeRoot;  // of the volume its copies land on, as volumeRootOf gives it; null: none
};

/// What a pass does where the walk meets something. Any step may be null.
struct WalkSteps {
  /// A file of the level: its source and destination paths and its status
  /// (links followed).
  void (*file)(const WalkLevel& level, const char* source, const char* destination, const FileStatus& status);
  /// Before the walk looks at a sub-folder's destination: a pass that
  /// writes makes it there. true when it did not exist (it is new).
  bool (*make)(const char* destination, bool parentIsNew);
  /// A level entered (also the top one, before anything is looked at), and
  /// a sub-level left again for its parent.
  void (*entered)(const WalkLevel& level);
  void (*left)(const WalkLevel& level, const WalkLevel& parent);
  /// Something that gets no copy: the entry name of folder (a name that
  /// cannot stand for itself, or whose path would not fit), or, with name
  /// null, folder itself (not walked, or its listing failed or broke off).
  void (*missed)(const char* folder, const char* name);
};

enum WalkOutcome {
  walkDone,      // the tree was walked; what got no copy went to missed
  walkUnlisted,  // the source could not be listed, or holds nothing at all
  walkRefused,   // the source is its own destination or holds it, or cannot be told from it
  walkStopped,   // the destination was met inside the source under another name (missed)
};

/// Walks source and, folder by folder, destination, depth first.
WalkOutcome walkTree(const char* source, const char* destination, const WalkSteps& steps);
