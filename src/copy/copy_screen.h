// The per-file areas of the copy screen: name (row 5), size (row 6) and
// progress or status word (row 7).
#pragma once
#include <stdint.h>

/// Cells plus one of the name shown last on row 5 (0 at start), the
/// count that blanks exactly that name.
extern int lastNameWidth;

/// Clears the previous name and shows this one at row 5, column 13.
void showFileName(const char* name);
/// Clears the size area and shows the size, digit-grouped, at row 6, column 13.
void showFileSize(int64_t size);
/// Blanks the status area (row 7, columns 2 to 16).
void clearStatus();
/// A status word such as "Already Copied!" in bright red.
void showStatus(const char* word);
/// The status word shown since the status area was last cleared, or null.
const char* shownStatus();
/// The share done, "%.2f %%", in bright white; never more than "100.00 %".
void showProgress(int64_t done, int64_t total);
/// "100.00 %".
void showDone();
