// The second walk over the tree: every source file against its copy.
#pragma once

/// Compares each file below source with its copy below destination by
/// status, modification time and size; each one that differs goes into the
/// mismatch list and runTally.copyErrorCount, every one examined into
/// runTally.checkedCount (shown at row 5, column 14). true when nothing
/// differed; false also when source cannot be listed.
bool verifyTree(const char* source, const char* destination);
