// What the copies need to know of a destination volume, asked once per volume.
#pragma once
#include <stdint.h>

/// The root of path's volume: "X:\" for a drive path, "\\server\share\" for a
/// network path. false when path has neither form or the root would not fit
/// size bytes.
bool volumeRootOf(const char* path, char* root, int size);

/// True when the volume of path keeps file times in 2-second steps (FAT).
bool hasCoarseTimes(const char* path);

/// Bytes per sector of the volume of path; false when it cannot be had.
bool sectorSizeOf(const char* path, uint32_t* bytesPerSector);

/// Forgets what was learnt of the volumes.
void forgetVolumes();
