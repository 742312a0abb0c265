// What the Win32 file-system services share: status from the fields the
// attribute call, a handle and a listing all carry, and the errors that
// mean "not found".
#pragma once
#include <windows.h>

#include "platform/files_os.h"

/// Seconds since 1970 of a file time, rounded down, as the runtime's status call gives them.
int64_t secondsOf(FILETIME time);

/// A status as the runtime's status call gives it.
void fillStatus(DWORD attributes, DWORD sizeHigh, DWORD sizeLow, FILETIME accessed, FILETIME written,
                FileStatus* status);

/// The errors the runtime's status call reports as "not found".
bool isNotFound(DWORD error);

/// Room for a wide path of widePath.
const int widePathSize = 1100;

/// path in wide characters for the calls a copy's temporary name reaches,
/// whose ending can take it past the 260 characters that the narrow calls
/// (and wide ones without the prefix) take where long paths are off: the
/// full path, with \\?\ in front where it is that long. false when it
/// cannot be had.
bool widePath(const char* path, WCHAR* wide);
