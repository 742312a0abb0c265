// Keeps a tree walk out of its own destination and out of folder-link cycles.
#pragma once
#include "platform/files_os.h"

const int walkDepthLimit = 260;

/// The folders of the walk's current path, by identity, and the top-level
/// destination it must never enter.
struct WalkGuard {
  FolderId destination;
  bool destinationKnown;
  FolderId path[walkDepthLimit];
  bool known[walkDepthLimit];
  int depth;
};

/// Starts a walk of source into destination (both existing folders).
void guardStart(WalkGuard* guard, const char* source, const char* destination);

/// false when folder is the walk's own destination, is already on the
/// current path (a link cycle), or lies too deep; otherwise folder becomes
/// part of the current path until guardLeave.
bool guardEnter(WalkGuard* guard, const char* folder);
void guardLeave(WalkGuard* guard);

/// false for a listed name that cannot stand for one file or folder: one the
/// code page could not spell, or one holding a separator or a character no
/// name may hold (it would lead somewhere else).
bool nameCanBeCopied(const ListEntry& entry);
