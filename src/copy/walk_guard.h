// Keeps a tree walk out of its own destination and out of folder-link cycles.
#pragma once
#include "platform/files_os.h"

const int walkDepthLimit = 260;

/// The folders of the walk's current path and the top-level destination it
/// must never enter. Identities are costly to ask (the volume's serial
/// number), so they are asked only of entries that could be one of those
/// folders: links, and entries named like the destination.
struct WalkGuard {
  FolderId destination;
  bool destinationKnown;
  char destinationName[260];  // the destination's own name on disk, "" if unknown
  const char* path[walkDepthLimit];  // the folders of the current path (the walk's buffers)
  FolderId ids[walkDepthLimit];
  signed char idState[walkDepthLimit];  // 0 not asked yet, 1 known, -1 cannot be had
  int depth;
};

/// Starts a walk of source into destination (both existing folders).
/// source must stay valid for the whole walk.
void guardStart(WalkGuard* guard, const char* source, const char* destination);

/// What the walk does with a listed folder.
enum GuardAnswer {
  walkInto,    // folder (which must stay valid until guardLeave) joins the current path
  passOver,    // the walk's own destination, a link cycle, or too deep
  cannotTell,  // might be the destination or a cycle, but its identity cannot be had
};

/// Whether the walk may enter the listed folder entry at path folder.
/// A folder it cannot tell is not entered, and verification lists it: walked
/// blindly it could be the destination, copied into itself level by level.
GuardAnswer guardEnter(WalkGuard* guard, const char* folder, const ListEntry& entry);
void guardLeave(WalkGuard* guard);

/// false for a listed name that cannot stand for one file or folder: one the
/// code page could not spell, or one holding a separator or a character no
/// name may hold (it would lead somewhere else).
bool nameCanBeCopied(const ListEntry& entry);
