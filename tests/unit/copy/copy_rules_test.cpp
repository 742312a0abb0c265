// The free-space rule's reuse of an answer, and the time comparison.
#include "copy/copy_rules.h"

#include "vestro_test.h"

class CopyRules : public VestroTest {};

TEST_F(CopyRules, FreeSpaceAnswerIsReusedOnlyToSayThereIsRoom) {
  fakeConsole.clockStep = 0;
  fakeFiles.volumes["X:"].freeBytes = 10000;
  EXPECT_FALSE(lacksSpace("X:\\a", "X:\\", 4000));
  EXPECT_FALSE(lacksSpace("x:\\b", "x:\\", 4000));
  EXPECT_EQ(fakeFiles.faults.freeBytes.calls, 1);
  // The estimate has 2,000 left: asking for more asks the volume again, which
  // meanwhile has room again.
  fakeFiles.volumes["X:"].freeBytes = 9000;
  EXPECT_FALSE(lacksSpace("X:\\c", "X:\\", 3000));
  EXPECT_EQ(fakeFiles.faults.freeBytes.calls, 2);
  fakeFiles.volumes["X:"].freeBytes = 100;
  EXPECT_TRUE(lacksSpace("X:\\d", "X:\\", 6001));
  EXPECT_EQ(fakeFiles.faults.freeBytes.calls, 3);
  // Another drive is always asked; an old answer is asked again.
  EXPECT_FALSE(lacksSpace("D:\\e", "D:\\", 1));
  EXPECT_EQ(fakeFiles.faults.freeBytes.calls, 4);
  fakeConsole.clock += 1000;
  EXPECT_FALSE(lacksSpace("D:\\f", "D:\\", 1));
  EXPECT_EQ(fakeFiles.faults.freeBytes.calls, 5);
}

TEST_F(CopyRules, TimesAgreeExactlyOrWithinTwoSecondsOnCoarseVolumes) {
  EXPECT_TRUE(sameModifyTime(100, 100, false));
  EXPECT_FALSE(sameModifyTime(100, 101, false));
  EXPECT_TRUE(sameModifyTime(100, 102, true));
  EXPECT_TRUE(sameModifyTime(102, 100, true));
  EXPECT_FALSE(sameModifyTime(100, 103, true));
}
