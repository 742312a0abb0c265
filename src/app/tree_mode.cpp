// Tree mode run and verdict.
#include "app/tree_mode.h"

#include <stdio.h>
#include <string.h>

#include "console/screen.h"
#include "copy/run_progress.h"
#include "copy/run_tally.h"
#include "copy/tree_copy.h"
#include "copy/unbuffered_copy.h"
#include "platform/console_os.h"
#include "verify/mismatch_list.h"
#include "verify/verify_tree.h"

// Prints the mismatch lines, " %s\n" each, gathered into few console writes.
static void printMismatches() {
  char lines[8192];
  int used = 0;
  for (int index = 0;; ++index) {
    const char* path = mismatchAt(index);
    if (!path) break;
    int length = (int)strlen(path);
    if (used + length + 3 > (int)sizeof lines) {
      lines[used] = 0;
      printText(lines);
      used = 0;
    }
    if (length + 3 > (int)sizeof lines) {
      printText(" ");
      printText(path);
      printText("\n");
      continue;
    }
    lines[used++] = ' ';
    memcpy(lines + used, path, length);
    used += length;
    lines[used++] = '\n';
  }
  lines[used] = 0;
  if (used > 0) printText(lines);
}

int runTreeMode(const char* from, const char* to) {
  // The run hid the display cursor before it cleared the screen. A count
  // comes first: it gives row 9 its totals, and a destination met inside
  // the source under another name stops the run before anything is written.
  int64_t files = 0;
  int64_t bytes = 0;
  if (countTree(from, to, &files, &bytes)) {
    progressStart(files, bytes);
    copyTree(from, to);
  }
  osShowCursor(true);
  releaseCopyBuffer();
  progressEnd();

  blankAt(5, 2, 80);
  blankAt(6, 2, 80);
  blankAt(7, 2, 80);
  writeAt(5, 2, "VERIFYING...", 14);
  bool good = verifyTree(from, to);
  if (good)
    snprintf(messageBuffer, sizeof messageBuffer, "VERIFY DATA SUCCESS! (REAL COPY COUNT = %d)\n",
             runTally.realCopyCount);
  else
    snprintf(messageBuffer, sizeof messageBuffer, "VERIFY DATA ERROR! (COPY ERROR COUNT = %d)\n",
             runTally.copyErrorCount);
  writeAt(5, 2, messageBuffer, 15);
  moveCursor(6, 1);
  // A log gets the verdict the screen shows, before the list.
  if (!printsToConsole()) printText(messageBuffer);
  if (mismatchCount() > 0) {
    printMismatches();
    mismatchClear();
  }
  return good ? 0 : 1;
}
