// Keeps a tree walk out of its own destination and out of folder-link
// cycles, and away from names that would reach another entry than their own.
#pragma once
#include <stdint.h>

#include "copy/real_location.h"
#include "platform/files_os.h"

const int walkDepthLimit = 260;

/// A folder as the guard knows it: its number on its volume, and the
/// volume's serial once it has been needed.
struct GuardFolder {
  const char* path;  // valid while the folder is on the walk's path
  uint64_t index;
  uint64_t volume;
  signed char volumeState;  // 0 not asked yet, 1 known, -1 cannot be had
};

/// The folders of the walk's current path, on the source side and on the
/// destination side, by identity, and the top-level destination. Every
/// folder the walk enters must be new to both paths: whatever spelling or
/// link leads there, a folder met again is a cycle, and the destination met
/// as a source would be copied into itself.
struct WalkGuard {
  GuardFolder destination;  // the top-level destination, asked again until its identity is had
  bool destinationKnown;
  bool destinationExists;
  char sourceLocation[locationSize];  // where the top-level source really is, links followed
  GuardFolder sources[walkDepthLimit];
  GuardFolder targets[walkDepthLimit];
  bool targetKnown[walkDepthLimit];  // false: that destination folder does not exist
  int depth;
};

/// What the walk does with a folder.
enum GuardAnswer {
  walkInto,   // it joins the current path; guardLeave when it is done
  passOver,   // the walk's own destination or a way back up its path: nothing to copy there
  notWalked,  // it cannot be told from those, or its copy would land in a folder of the
              // walk itself: not copied, and verification lists it
};

/// Starts a walk of source into destination (both must stay valid for the
/// whole walk). walkInto, or notWalked when they cannot be told apart, are
/// one folder, or the destination really lies inside the source.
GuardAnswer guardStart(WalkGuard* guard, const char* source, const char* destination);

/// Whether the walk may enter the source sub-folder at path source; on
/// walkInto it joins the path and guardTarget must follow.
GuardAnswer guardEnter(WalkGuard* guard, const char* source);

/// Whether the folder entered last may be copied into destination (made
/// already, or missing when it could not be made). A destination folder
/// that stood before the run (existed) is only filled when it really lies
/// neither at the top-level source nor inside it, whatever links lead
/// there. On anything but walkInto the folder has left the path again.
GuardAnswer guardTarget(WalkGuard* guard, const char* destination, bool existed);

void guardLeave(WalkGuard* guard);
