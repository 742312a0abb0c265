// How far the whole run is: row 9 of the copy screen and the window's title.
#pragma once
#include <stdint.h>

/// While the counting pass goes on: row 9 says so, with what it has
/// counted. Repainted at most about ten times a second.
void progressCounting(int64_t files, int64_t bytes);

/// The tree copy begins, over these totals.
void progressStart(int64_t files, int64_t bytes);

/// done bytes of the file under way are written (of total; file mode's
/// share shows in the title).
void progressWithinFile(int64_t done, int64_t total);

/// A file of size bytes is done: copied (written), already current, or
/// failed; it counts at once. The share of the bytes done (of the files
/// where there are no bytes) never goes down.
void progressFileDone(int64_t size, bool written);

/// Row 9 blanked and the console's own title back.
void progressEnd();

/// The texts of row 9 and of the title: the share done, the files and the
/// bytes done of the totals, the time left (seconds, negative when not known
/// yet). At most 79 characters for 10 million files and 100 TB.
void formatTotal(char* row, int rowSize, char* title, int titleSize, double share, int64_t doneFiles,
                 int64_t totalFiles, int64_t doneBytes, int64_t totalBytes, int64_t secondsLeft);

/// bytes in readable units, three digits at most ("512B", "1.23GB", "100TB").
void readableBytes(int64_t bytes, char* out, int size);

/// Forgets the run (a new process).
void forgetProgress();
