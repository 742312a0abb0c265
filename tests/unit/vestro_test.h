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
#include "verify/mismatch_list.h"

/// Bytes that differ from position to position, so that a shifted or
/// misplaced piece shows up.
inline std::string patternBytes(size_t size, int seed = 1) {
  std::string bytes(size, 0);
  uint32_t x = 2463534242u + seed;
  for (size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    bytes[i] = (char)x;
  }
  return bytes;
}

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
    EXPECT_EQ(fakeFiles.liveBlocks, 0) << "a buffer was not released";
  }
};
