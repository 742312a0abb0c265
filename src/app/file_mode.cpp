// File mode run.
#include "app/file_mode.h"

#include <stdio.h>
#include <string.h>

#include "console/screen.h"
#include "copy/copy_screen.h"
#include "copy/run_progress.h"
#include "copy/stream_copy.h"
#include "text/path_text.h"
#include "text/chars.h"

bool fileTarget(const char* from, char* to) {
  PathBuffer target;
  int length = snprintf(target, sizeof target, "%s\\%s", to, baseNameOf(from));
  if (length < 0 || length >= (int)sizeof target) return false;
  return copyText(to, pathBufferSize, target);
}

int runFileMode(const char* from, const char* to) {
  // Header rows are display text: a row longer than the buffer is only
  // shortened on the screen, which shows far less than that anyway.
  snprintf(messageBuffer, sizeof messageBuffer, "FROM FOLDER = %s", from);
  writeAt(2, 2, messageBuffer, 10);
  snprintf(messageBuffer, sizeof messageBuffer, "TO   FOLDER = %s", to);
  writeAt(3, 2, messageBuffer, 10);
  writeAt(5, 2, "FILENAME = ", 11);
  writeAt(6, 2, "FILESIZE = ", 11);
  bool current = false;
  bool copied = copySingleFile(from, to, &current);
  progressEnd();  // the window's title back
  moveCursor(8, 1);
  // A log gets the outcome the screen shows.
  const char* word = shownStatus();
  if (word && !printsToConsole()) {
    printText(word);
    printText("\n");
  }
  return copied || current ? 0 : 1;
}
