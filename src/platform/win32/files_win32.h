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
