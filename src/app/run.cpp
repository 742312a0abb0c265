// The run sequence.
#include "app/run.h"

#include "app/file_mode.h"
#include "app/path_checks.h"
#include "app/start_menu.h"
#include "app/tree_mode.h"
#include "console/screen.h"
#include "env/user_path.h"
#include "platform/console_os.h"
#include "platform/code_page_os.h"
#include "text/code_page.h"
#include "text/path_text.h"
#include "text/chars.h"

namespace {

int refuseLong(const char* label, const char* argument, const char* name) {
  printText(label);
  printText(argument);
  if (name) {
    printText("\\");
    printText(name);
  }
  printText("] IS TOO LONG.\n");
  return -1;
}

int runSequence(int argc, char** argv) {
  // Every text of the run is in the system's ANSI code page: its character
  // boundaries are learnt once, before any text is looked at.
  CodePageFacts codePage;
  osAnsiCodePage(&codePage);
  useCodePage(codePage);
  registerInUserPath();
  PathBuffer from;
  PathBuffer to;
  if (argc != 3) {
    if (!runStartMenu(from, to)) return -1;
  } else if (!normaliseArgument(argv[1], from)) {
    return refuseLong("FROM_FOLDER[", argv[1], nullptr);
  } else if (!normaliseArgument(argv[2], to)) {
    return refuseLong("TO_FOLDER[", argv[2], nullptr);
  }

  bool fromIsFolder = false;
  if (checkPaths(from, to, &fromIsFolder) != 0) return -1;
  // The file to write must fit a path buffer as a whole.
  PathBuffer folder;
  copyText(folder, sizeof folder, to);
  if (!fromIsFolder && !fileTarget(from, to)) return refuseLong("TO_FOLDER[", folder, baseNameOf(from));

  // Tree mode hides the display cursor for the copy. It is hidden before
  // the clear: the first call of the window library costs tens of
  // milliseconds under wine, spent while the clear would wait for the
  // console to come up.
  if (fromIsFolder) osShowCursor(false);
  clearScreen();
  int code = fromIsFolder ? runTreeMode(from, to) : runFileMode(from, to);
  flushScreen();
  return code;
}

}  // namespace

int runVestro(int argc, char** argv) {
  // Loaded while the console is still starting.
  osPrepareShowCursor();
  // A click in the window would start a selection, which stops every
  // console write, and with it the copy, until a key is pressed.
  osStopQuickEdit();
  int code = runSequence(argc, argv);
  osRestoreInputMode();
  return code;
}
