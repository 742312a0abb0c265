// Keeps a tree walk out of its own destination and out of folder-link
// cycles.
#pragma once
#include <stdint.h>

#include "copy/folder_identity.h"
#include "copy/real_location.h"
#include "copy/tree_walk.h"

const int walkLinksFollowed = 16;

/// The folders of the walk's current path, on the source side and on the
/// destination side, and the top-level destination. Every folder the walk
/// enters must be new to both paths: whatever spelling or link leads there,
/// a folder met again is a cycle, and the destination met as a source would
/// be copied into itself. A folder that cannot be told apart from one of
/// them (folder_identity) is kept out and listed.
struct WalkGuard {
  HeldFolder destination;  // the top-level destination, held open for the walk
  bool destinationKnown;
  bool destinationExists;
  LocationForm sourceForm;  // locationNone: the source has no final path
  char sourceLocation[locationSize];  // where the top-level source really is
  char sourceFull[locationSize];      // its full path as written
  char destinationLocation[locationSize];  // where the top-level destination is, in the source's form; empty: unknown
  char followed[walkLinksFollowed][locationSize];  // where the links followed in the destination lead
  int followedCount;
  HeldFolder sources[walkDepthLimit];
  HeldFolder targets[walkDepthLimit];
  bool targetKnown[walkDepthLimit];  // false: that destination folder does not exist
  int depth;
};

/// What the walk does with a folder.
enum GuardAnswer {
  walkInto,   // it joins the current path; guardLeave when it is done
  passOver,   // a link to the walk's own destination, or a way back up its path: nothing to copy there
  notWalked,  // it cannot be told apart from a folder of the walk, its copy would land in a folder of
              // the walk itself or of the source, it cannot be opened, or it lies too deep: not
              // copied, and verification lists it
  walkStops,  // the destination itself, met inside the source under another name: nothing more may be
              // written; it is listed
};

/// Starts a walk of source into destination (both must stay valid for the
/// whole walk). walkInto, or notWalked when they are one folder, or the
/// destination (or a folder above it) is the source or cannot be told from
/// it, or really lies inside it. guardEnd follows either way.
GuardAnswer guardStart(WalkGuard* guard, const char* source, const char* destination);

/// Whether the walk may enter the source sub-folder at path source (link:
/// its listing shows a link); on walkInto it joins the path and guardTarget
/// must follow.
GuardAnswer guardEnter(WalkGuard* guard, const char* source, bool link);

/// Whether the folder entered last may be copied into destination (as it
/// stands now; missing when it could not be made). Not when it really lies
/// at the top-level source or inside it, whatever links lead there; where
/// that cannot be had, when it or a folder above it in the destination is a
/// link. Nor a link below the destination that leads elsewhere into the
/// destination, or where another link followed leads: two source folders
/// would share one copy. On anything but walkInto the folder has left the
/// path again.
GuardAnswer guardTarget(WalkGuard* guard, const char* destination);

/// The destination folder entered last is a link or a volume's mount point:
/// the volume its copies land on may be another than its parent's.
bool guardTargetLinked(const WalkGuard* guard);

void guardLeave(WalkGuard* guard);

/// Lets go of every folder the guard still holds.
void guardEnd(WalkGuard* guard);
