// The per-file areas of the copy screen.
#include "copy/copy_screen.h"

#include <stdio.h>
#include <string.h>

#include "console/number_text.h"
#include "console/screen.h"
#include "copy/run_progress.h"

int lastNameWidth = 0;

static const char* statusWord = nullptr;

void showFileName(const char* name) {
  blankAt(5, 13, lastNameWidth);
  writeAt(5, 13, name, 11);
  lastNameWidth = cellsOf(name) + 1;
}

void showFileSize(int64_t size) {
  blankAt(6, 13, 16);
  writeAt(6, 13, groupDigits(size), 11);
}

void clearStatus() {
  blankAt(7, 2, 16);
  statusWord = nullptr;
}

void showStatus(const char* word) {
  clearStatus();
  writeAt(7, 2, word, 12);
  statusWord = word;
}

const char* shownStatus() { return statusWord; }

void showProgress(int64_t done, int64_t total) {
  // A file that grew since its size was taken would pass 100 %.
  double share = total > 0 ? (double)done / (double)total * 100.0 : 100.0;
  if (share > 100.0) share = 100.0;
  char progress[16];
  snprintf(progress, sizeof progress, "%.2f %%", share);
  // The whole run's row keeps step with the file's.
  holdScreen();
  writeAt(7, 2, progress, 15);
  progressWithinFile(done, total);
  releaseScreen();
}

void showDone() { writeAt(7, 2, "100.00 %", 15); }
