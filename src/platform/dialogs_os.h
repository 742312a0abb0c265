// The shell's pickers.
#pragma once

/// The file-open dialog titled title, for an existing file; the chosen path
/// goes into result (size bytes). false on cancel or failure.
bool osPickFile(const char* title, char* result, int size);

/// The folder picker titled title, for file-system folders only; the chosen
/// path goes into result (at least 260 bytes). false on cancel, failure, or a
/// choice without a file-system path.
bool osPickFolder(const char* title, char* result);
