// The program's own file path and the user's "Path" environment value.
#pragma once

/// Value types as the registry stores them (any other number may come back too).
enum RegistryType : int { regNone = 0, regText = 1, regExpandText = 2, regBinary = 3, regNumber = 4, regMultiText = 7 };

/// Full path of the running program into buffer (size bytes, NUL-ended).
/// Returns the length the system reported: size when the path was cut,
/// 0 on failure.
int osProgramPath(char* buffer, int size);

struct OsKey;
typedef OsKey* RegistryKey;

/// Opens the current user's "Environment" key for reading or for writing;
/// null on failure.
RegistryKey osOpenUserEnvironment(bool forWriting);

/// Reads the value "Path" into data (size bytes) with its type and byte
/// count; false when it is missing, larger than size, or cannot be read, and
/// for text that holds a character the ANSI code page cannot carry.
bool osQueryPathValue(RegistryKey key, void* data, int size, RegistryType* type, int* length);

/// Stores text as "Path", an expandable string of strlen(text) + 1 bytes.
bool osSetPathValue(RegistryKey key, const char* text);

void osCloseKey(RegistryKey key);
