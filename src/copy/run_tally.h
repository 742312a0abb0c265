// The run's counters: real copies, files found different, files checked.
#pragma once

struct RunTally {
  int realCopyCount;   // files the tree copy actually copied
  int copyErrorCount;  // files verification found different
  int checkedCount;    // files verification examined
};

extern RunTally runTally;
