// What the copies need to know of a destination volume, asked once per volume.
#pragma once
#include <stdint.h>

// path is a file's path: its volume is the one that holds its folder, which
// may be another than its drive's (a volume mounted in a folder, a folder
// link). A folder is given with a trailing backslash.

/// The root of the volume that holds path ("X:\", "\\server\share\",
/// "C:\Mnt\Disk\"), asked of the platform once per folder; where it cannot
/// say, the root as written, or an empty root for a path with neither a
/// drive nor a server (the current folder's volume). false when there is no
/// root either way or it would not fit size bytes.
bool volumeRootOf(const char* path, char* root, int size);

/// True when the volume of path keeps file times in 2-second steps (FAT).
bool hasCoarseTimes(const char* path);

/// Bytes per sector of the volume of path; false when it cannot be had.
bool sectorSizeOf(const char* path, uint32_t* bytesPerSector);

/// The volume of path refused unbuffered I/O for a file already: the
/// copies go through an ordinary handle there.
bool refusesUnbuffered(const char* path);
void rememberUnbufferedRefused(const char* path);

/// Forgets what was learnt of the volumes.
void forgetVolumes();
