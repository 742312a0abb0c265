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

/// false when the listed folder entry at path folder is the walk's own
/// destination, is already on the current path (a link cycle), or lies too
/// deep; otherwise folder (which must stay valid until guardLeave) becomes
/// part of the current path.
bool guardEnter(WalkGuard* guard, const char* folder, const ListEntry& entry);
void guardLeave(WalkGuard* guard);

/// false for a listed name that cannot stand for one file or folder: one the
/// code page could not spell, or one holding a separator or a character no
/// name may hold (it would lead somewhere else).
bool nameCanBeCopied(const ListEntry& entry);
