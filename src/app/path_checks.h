// The command-line form of FROM and TO, and the checks every pair must pass.
#pragma once

/// Copies a command-line argument into path (a PathBuffer) and normalises
/// it: a bare drive gets its root backslash, one other trailing backslash is
/// removed (a drive root keeps its own). false when it is over 519 bytes.
bool normaliseArgument(const char* argument, char* path);

/// Takes FROM's status, creates TO's missing folders, then applies the checks
/// in their order. Prints the refusal and returns -1 at the first that fails;
/// returns 0 with fromIsFolder set when the pair is accepted.
int checkPaths(const char* from, const char* to, bool* fromIsFolder);
