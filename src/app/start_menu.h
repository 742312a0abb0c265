// The usage screen with its one-key menu, and the shell's pickers.
#pragma once

/// Clears the console, prints the usage text and the menu, reads one key at
/// the prompt and lets the user pick the source (a folder for D, a file for
/// F) and then the destination folder. Fills from and to (PathBuffers) with
/// the picked paths as the dialogs give them; false for any other key, Enter,
/// or a picker that was cancelled or failed.
bool runStartMenu(char* from, char* to);

/// The file-open dialog for an existing file: its full path, or null on
/// cancel or failure. The text stays valid until the next call.
const char* pickInputFile();

/// The folder picker titled title: the chosen folder's path, or null on
/// cancel, failure, or a choice without a file-system path. The text stays
/// valid until the next call.
const char* pickFolder(const char* title);
