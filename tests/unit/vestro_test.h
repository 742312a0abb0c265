// A fixture that gives every test a fresh console, file system and program state.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "console/screen.h"
#include "copy/copy_rules.h"
#include "copy/copy_screen.h"
#include "copy/run_tally.h"
#include "copy/tree_copy.h"
#include "copy/unbuffered_copy.h"
#include "copy/volume_info.h"
#include "fake_console.h"
#include "fake_files.h"
#include "fresh_run.h"
#include "pattern_bytes.h"
#include "verify/mismatch_list.h"

class VestroTest : public ::testing::Test {
 protected:
  void SetUp() override {
    startFreshRun();
    addVolume("D:");
    addVolume("X:");
  }
  void TearDown() override {
    releaseCopyBuffer();
    mismatchClear();
    EXPECT_EQ(fakeFiles.openHandles, 0) << "a handle, descriptor or listing was left open";
    EXPECT_EQ(fakeFiles.strayHandles, 0) << "a folder handle that was not open was handed in";
    EXPECT_EQ(fakeFiles.liveBlocks, 0) << "a buffer was not released";
  }
};
