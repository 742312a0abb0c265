// Copying one file through the C runtime's descriptors (file mode).
#pragma once

/// Copies source to destination (both full file paths) in 4 MiB pieces with
/// the copy screen's name, size and progress, then gives the copy the
/// source's access and modification times. false when skipped (already
/// copied, too little room) or when anything failed; a copy that failed part
/// way is removed. *current, when asked, tells a copy already current.
bool copySingleFile(const char* source, const char* destination, bool* current = nullptr);
