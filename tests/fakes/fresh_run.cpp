// A fresh start for every test and every fuzz input.
#include "fresh_run.h"

#include "copy/copy_rules.h"
#include "copy/copy_screen.h"
#include "copy/replacement.h"
#include "copy/run_progress.h"
#include "copy/run_tally.h"
#include "copy/tree_copy.h"
#include "copy/unbuffered_copy.h"
#include "copy/volume_info.h"
#include "env/user_path.h"
#include "fake_code_page.h"
#include "fake_console.h"
#include "fake_files.h"
#include "fake_registry.h"
#include "verify/mismatch_list.h"

void startFreshRun() {
  useFakeCodePage(932);
  releaseCopyBuffer();
  mismatchClear();
  clearStatus();
  resetFakeConsole();
  resetFakeFiles();
  resetFakeRegistry();
  programFolder[0] = 0;
  forgetVolumes();
  forgetFreeSpace();
  lastNameWidth = 0;
  lastFromWidth = 0;
  lastToWidth = 0;
  runTally = RunTally{0, 0, 0};
  forgetProgress();
  forgetReplaceRights();
}
