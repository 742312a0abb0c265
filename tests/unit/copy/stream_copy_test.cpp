// copySingleFile: the copy, its screen, the skip and space rules, and every
// failure, against the in-memory file system.
#include "copy/stream_copy.h"

#include <string>
#include <vector>

#include "vestro_test.h"

class StreamCopy : public VestroTest {
 protected:
  const char* from = "D:\\photos\\a.jpg";
  const char* to = "X:\\backup\\a.jpg";
  void SetUp() override {
    VestroTest::SetUp();
    addFolder("X:\\backup");
  }
  std::string status() { return rowText(7, 2, 15); }
};

TEST_F(StreamCopy, TenMegabytesInPieces) {
  std::string bytes = patternBytes(10 * 1024 * 1024);
  addFile(from, bytes, 132500000012345678LL);
  EXPECT_TRUE(copySingleFile(from, to));
  EXPECT_EQ(contentOf(to), bytes);
  FakeNode* copy = findNode(to);
  EXPECT_EQ(statusSeconds(copy->lastWrite), statusSeconds(132500000012345678LL));
  EXPECT_EQ(copy->accessTime, findNode(from)->accessTime);
  EXPECT_EQ(rowText(5, 13, 6), "a.jpg ");
  EXPECT_EQ(attrAt(5, 13), 11);
  EXPECT_EQ(rowText(6, 13, 11), "10,485,760 ");
  EXPECT_EQ(attrAt(6, 13), 11);
  std::vector<std::string> progress = paintsAt(7, 2);
  std::vector<std::string> expected = {std::string(15, ' '), "40.00 %", "80.00 %", "100.00 %", "100.00 %"};
  EXPECT_EQ(progress, expected);
  EXPECT_EQ(attrAt(7, 2), 15);
}

TEST_F(StreamCopy, EmptyAndExactPieceSizes) {
  addFile("D:\\empty", "", 132500000000000000LL);
  EXPECT_TRUE(copySingleFile("D:\\empty", "X:\\backup\\empty"));
  EXPECT_TRUE(exists("X:\\backup\\empty"));
  EXPECT_EQ(findNode("X:\\backup\\empty")->bytes.size(), 0u);
  EXPECT_EQ(paintsAt(7, 2), (std::vector<std::string>{std::string(15, ' '), "100.00 %"}));
  EXPECT_EQ(rowText(6, 13, 2), "0 ");

  resetFakeConsole();
  clearFaults();
  addFile("D:\\four", patternBytes(4194304));
  EXPECT_TRUE(copySingleFile("D:\\four", "X:\\backup\\four"));
  EXPECT_EQ(paintsAt(7, 2), (std::vector<std::string>{std::string(15, ' '), "100.00 %", "100.00 %"}));
  EXPECT_EQ(contentOf("X:\\backup\\four"), patternBytes(4194304));
}

TEST_F(StreamCopy, SkipsACurrentCopyWithoutTouchingIt) {
  addFile(from, "same bytes", 132500000000000000LL);
  addFile(to, "SAME BYTES", 132500000009999999LL);  // same second, same size
  fakeFiles.log.clear();
  EXPECT_FALSE(copySingleFile(from, to));
  EXPECT_EQ(status(), "Already Copied!");
  EXPECT_EQ(attrAt(7, 2), 12);
  EXPECT_EQ(contentOf(to), "SAME BYTES");
  EXPECT_TRUE(fakeFiles.log.empty());
  EXPECT_EQ(rowText(6, 13, 3), "   ");  // the size is not shown for a skipped file

  // Another second: copied again, and the second run then skips.
  findNode(to)->lastWrite = 132500000010000000LL;
  EXPECT_TRUE(copySingleFile(from, to));
  EXPECT_EQ(contentOf(to), "same bytes");
  EXPECT_FALSE(copySingleFile(from, to));
  EXPECT_EQ(status(), "Already Copied!");
}

TEST_F(StreamCopy, FreeSpaceBoundary) {
  addFile(from, patternBytes(5000));
  fakeFiles.volumes["X:"].freeBytes = 4999;
  EXPECT_FALSE(copySingleFile(from, to));
  EXPECT_EQ(status(), "Disk Space Err!");
  EXPECT_EQ(attrAt(7, 2), 12);
  EXPECT_EQ(rowText(6, 13, 6), "5,000 ");
  EXPECT_FALSE(exists(to));
  fakeFiles.volumes["X:"].freeBytes = 5000;
  EXPECT_TRUE(copySingleFile(from, to));
  EXPECT_EQ(contentOf(to).size(), 5000u);
}

TEST_F(StreamCopy, FreeSpaceIsAskedOnlyOfDriveRoots) {
  addVolume("\\\\server\\share");
  addFile(from, "abc");
  EXPECT_TRUE(copySingleFile(from, "\\\\server\\share\\a.jpg"));
  EXPECT_EQ(fakeFiles.faults.freeBytes.calls, 0);
  // When the question itself fails the copy goes on.
  fakeFiles.faults.freeBytes.arm(1);
  EXPECT_TRUE(copySingleFile(from, to));
  EXPECT_EQ(fakeFiles.faults.freeBytes.hits, 1);
  EXPECT_EQ(contentOf(to), "abc");
}

TEST_F(StreamCopy, FailuresBeforeTheCopy) {
  addFile(from, "abc");
  writeAt(6, 13, "OLD SIZE", 11);
  findNode(from)->statusFails = true;
  EXPECT_FALSE(copySingleFile(from, to));
  EXPECT_EQ(rowText(5, 13, 5), "a.jpg");
  EXPECT_EQ(rowText(6, 13, 8), "OLD SIZE");
  EXPECT_EQ(status(), std::string(15, ' '));
  findNode(from)->statusFails = false;

  fakeFiles.faults.alloc.arm(1);
  EXPECT_FALSE(copySingleFile(from, to));
  EXPECT_FALSE(exists(to));

  fakeFiles.faults.openStreamRead.arm(1);
  EXPECT_FALSE(copySingleFile(from, to));
  EXPECT_EQ(status(), "Open Error!    ");
  EXPECT_EQ(attrAt(7, 2), 12);
  EXPECT_FALSE(exists(to));

  addFile(to, "older copy", 132000000000000000LL);
  findNode(to)->readOnly = true;
  EXPECT_FALSE(copySingleFile(from, to));
  EXPECT_EQ(status(), "Open Error!    ");
  EXPECT_EQ(contentOf(to), "older copy");
}

TEST_F(StreamCopy, FailuresDuringTheCopyRemoveThePartialFile) {
  std::string bytes = patternBytes(9 * 1024 * 1024);
  addFile(from, bytes);
  fakeFiles.faults.readStream.arm(2);
  EXPECT_FALSE(copySingleFile(from, to));
  EXPECT_EQ(status(), "Read Error!    ");
  EXPECT_EQ(attrAt(7, 2), 12);
  EXPECT_FALSE(exists(to));

  clearFaults();
  fakeFiles.faults.writeStream.arm(3);
  EXPECT_FALSE(copySingleFile(from, to));
  EXPECT_EQ(status(), "Write Error!   ");
  EXPECT_FALSE(exists(to));

  clearFaults();
  fakeFiles.faults.shortWrite.arm(1);
  EXPECT_FALSE(copySingleFile(from, to));
  EXPECT_EQ(status(), "Write Error!   ");
  EXPECT_FALSE(exists(to));
  EXPECT_EQ(fakeFiles.faults.setFileTimes.calls, 0);

  clearFaults();
  fakeFiles.faults.closeWritten.arm(1);  // a write held back fails at the close
  EXPECT_FALSE(copySingleFile(from, to));
  EXPECT_EQ(status(), "Write Error!   ");
  EXPECT_EQ(attrAt(7, 2), 12);
  EXPECT_FALSE(exists(to));
  EXPECT_EQ(fakeFiles.faults.setFileTimes.calls, 0);

  clearFaults();
  fakeFiles.volumes["X:"].freeBytes = bytes.size() + 1;
  fakeFiles.volumes["X:"].freeBytes -= 4 * 1024 * 1024;  // room for half the file, and the rule sees more
  fakeFiles.faults.freeBytes.arm(1);
  EXPECT_FALSE(copySingleFile(from, to));
  EXPECT_EQ(status(), "Write Error!   ");
  EXPECT_FALSE(exists(to));
}

TEST_F(StreamCopy, ShortReadsAreNotFailures) {
  std::string bytes = patternBytes(6 * 1024 * 1024 + 3);
  addFile(from, bytes);
  fakeFiles.faults.shortRead.arm(1, true);
  EXPECT_TRUE(copySingleFile(from, to));
  EXPECT_EQ(contentOf(to), bytes);
}

TEST_F(StreamCopy, AGrownSourceStopsAt100Percent) {
  addFile(from, patternBytes(8 * 1024 * 1024));
  findNode(from)->reportedSize = 1024 * 1024;
  EXPECT_TRUE(copySingleFile(from, to));
  for (const std::string& text : paintsAt(7, 2)) EXPECT_TRUE(text == "100.00 %" || text == std::string(15, ' ')) << text;
}

TEST_F(StreamCopy, NameAreaClearsExactlyThePreviousName) {
  addFile("D:\\abcdefghijklmnopqrst", "1");  // a 20-byte name
  addFile("D:\\tiny", "2");
  writeAt(5, 33, "#", 15);
  copySingleFile("D:\\abcdefghijklmnopqrst", "X:\\backup\\abcdefghijklmnopqrst");
  EXPECT_EQ(lastNameWidth, 21);
  copySingleFile("D:\\tiny", "X:\\backup\\tiny");
  EXPECT_EQ(rowText(5, 13, 21), "tiny" + std::string(16, ' ') + "#");
  std::vector<std::string> blanks = paintsAt(5, 13);
  EXPECT_EQ(blanks[blanks.size() - 2], std::string(20, ' '));
}
