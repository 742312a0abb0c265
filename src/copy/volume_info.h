// What the copies need to know of a destination volume, asked once per volume.
#pragma once
#include <stdint.h>

/// Room for a volume root's text and its NUL.
const int volumeRootSize = 260;

/// The root of the volume that holds folder ("X:\", "\\server\share\",
/// "C:\Mnt\Disk\"; links followed), as the platform gives it; where it
/// cannot say, the root as written, or an empty root for a path with
/// neither a drive nor a server (the current folder's volume). false when
/// there is no root either way or it would not fit size bytes.
bool volumeRootOf(const char* folder, char* root, int size);

/// The same for the folder that holds the file at path.
bool volumeRootOfFile(const char* path, char* root, int size);

// The facts of the volume whose root volumeRootOf gave.

/// True when the volume keeps file times in 2-second steps (FAT).
bool hasCoarseTimes(const char* root);

/// Bytes per sector; false when it cannot be had.
bool sectorSizeOf(const char* root, uint32_t* bytesPerSector);

/// The volume refused unbuffered I/O for a file already: the copies go
/// through an ordinary handle there.
bool refusesUnbuffered(const char* root);
void rememberUnbufferedRefused(const char* root);

/// Forgets what was learnt of the volumes.
void forgetVolumes();
