// The run sequence.
#include "app/run.h"

#include "app/path_checks.h"
#include "console/screen.h"
#include "text/path_text.h"

static int refuseLong(const char* label, const char* argument) {
  printText(label);
  printText(argument);
  printText("] IS TOO LONG.\n");
  return -1;
}

int runVestro(int argc, char** argv) {
  PathBuffer from;
  PathBuffer to;
  if (argc != 3) return -1;
  if (!normaliseArgument(argv[1], from)) return refuseLong("FROM_FOLDER[", argv[1]);
  if (!normaliseArgument(argv[2], to)) return refuseLong("TO_FOLDER[", argv[2]);

  bool fromIsFolder = false;
  if (checkPaths(from, to, &fromIsFolder) != 0) return -1;
  clearScreen();
  flushScreen();
  return 0;
}
