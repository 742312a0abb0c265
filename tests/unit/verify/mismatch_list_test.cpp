// The mismatch list: order, lookups past the ends, clearing, memory failures.
#include "verify/mismatch_list.h"

#include <string>

#include "vestro_test.h"

class MismatchList : public VestroTest {};

TEST_F(MismatchList, KeepsOrderAndOwnsItsCopies) {
  char path[16] = "E:\\a";
  mismatchAppend(path);
  path[3] = 'b';
  mismatchAppend(path);
  EXPECT_EQ(mismatchCount(), 2);
  EXPECT_STREQ(mismatchAt(0), "E:\\a");
  EXPECT_STREQ(mismatchAt(1), "E:\\b");
  EXPECT_EQ(mismatchAt(2), nullptr);
  EXPECT_EQ(mismatchAt(-1), nullptr);
  EXPECT_STREQ(mismatchAt(0), "E:\\a");  // going back works too
  mismatchClear();
  EXPECT_EQ(mismatchCount(), 0);
  EXPECT_EQ(mismatchAt(0), nullptr);
  mismatchClear();
  EXPECT_EQ(fakeFiles.liveBlocks, 0);
}

TEST_F(MismatchList, MemoryFailuresRecordNothing) {
  fakeFiles.faults.alloc.arm(1);
  mismatchAppend("first");
  fakeFiles.faults.alloc.arm(3);  // the node of the next append succeeds, its text fails
  mismatchAppend("second");
  EXPECT_EQ(mismatchCount(), 0);
  EXPECT_EQ(fakeFiles.liveBlocks, 0);
  mismatchAppend("third");
  EXPECT_EQ(mismatchCount(), 1);
  EXPECT_STREQ(mismatchAt(0), "third");
}

// Quadratic appends or reads would make this take minutes.
TEST_F(MismatchList, HundredThousandEntriesInOrder) {
  for (int i = 0; i < 100000; ++i) mismatchAppend(("D:\\f" + std::to_string(i)).c_str());
  ASSERT_EQ(mismatchCount(), 100000);
  for (int i = 0; i < 100000; ++i) ASSERT_EQ(mismatchAt(i), "D:\\f" + std::to_string(i));
  EXPECT_EQ(mismatchAt(100000), nullptr);
}
