// File mode through the whole run: header, target path, cursor, exit code.
#include "app/file_mode.h"

#include <string>

#include "app/run.h"
#include "vestro_test.h"

class FileMode : public VestroTest {
 protected:
  int run(const char* from, const char* to) {
    const char* argv[] = {"vestro.exe", from, to};
    return runVestro(3, (char**)argv);
  }
};

TEST_F(FileMode, HeaderCopyAndCursor) {
  addFile("D:\\photos\\a.jpg", "picture");
  addFolder("X:\\backup");
  EXPECT_EQ(run("D:\\photos\\a.jpg", "X:\\backup\\"), 0);
  EXPECT_EQ(fakeConsole.clears, 1);
  EXPECT_EQ(rowText(2, 2, 31), "FROM FOLDER = D:\\photos\\a.jpg  ");
  EXPECT_EQ(attrAt(2, 2), 10);
  EXPECT_EQ(rowText(3, 2, 30), "TO   FOLDER = X:\\backup\\a.jpg ");
  EXPECT_EQ(attrAt(3, 30), 10);
  EXPECT_EQ(rowText(5, 2, 16), "FILENAME = a.jpg");
  EXPECT_EQ(attrAt(5, 2), 11);
  EXPECT_EQ(rowText(6, 2, 12), "FILESIZE = 7");
  EXPECT_EQ(rowText(7, 2, 9), "100.00 % ");
  EXPECT_EQ(contentOf("X:\\backup\\a.jpg"), "picture");
  EXPECT_EQ(fakeConsole.cursorX, 0);
  EXPECT_EQ(fakeConsole.cursorY, 7);
  EXPECT_EQ(fakeConsole.cursorShowCalls, 0);  // only tree mode hides it
}

TEST_F(FileMode, DriveRootTargetHasTwoBackslashes) {
  addFile("D:\\a.jpg", "picture");
  EXPECT_EQ(run("D:\\a.jpg", "X:"), 0);
  EXPECT_EQ(rowText(3, 2, 24), "TO   FOLDER = X:\\\\a.jpg ");
  EXPECT_EQ(contentOf("X:\\a.jpg"), "picture");
}

// 0 for a copy made or already current, 1 for one that was not; a log
// (no console) gets the status word.
TEST_F(FileMode, SecondRunAndFailuresEndWithOne) {
  addFile("D:\\a.jpg", "picture");
  EXPECT_EQ(run("D:\\a.jpg", "X:\\"), 0);
  EXPECT_EQ(run("D:\\a.jpg", "X:\\"), 0);
  EXPECT_EQ(rowText(7, 2, 15), "Already Copied!");
  EXPECT_EQ(fakeConsole.cursorY, 7);
  EXPECT_TRUE(fakeConsole.printed.empty());
  clearFaults();
  fakeFiles.faults.openStreamWrite.arm(1);
  findNode("X:\\a.jpg")->lastWrite += 50000000;
  fakeConsole.spanFails = true;
  EXPECT_EQ(run("D:\\a.jpg", "X:\\"), 1);
  EXPECT_EQ(rowText(7, 2, 11), "Open Error!");
  EXPECT_EQ(printedText(), "Open Error!\n");
  fakeFiles.volumes["X:"].freeBytes = 3;
  EXPECT_EQ(run("D:\\a.jpg", "X:\\"), 1);
  EXPECT_EQ(printedText(), "Open Error!\nDisk Space Err!\n");
}

TEST_F(FileMode, TargetThatWouldNotFitIsRefusedBeforeClearing) {
  std::string folder = "X:\\" + std::string(250, 'f') + "\\" + std::string(249, 'f');
  addFolder(folder.c_str());
  std::string name = std::string(30, 'n');
  addFile(("D:\\" + name).c_str(), "x");
  EXPECT_EQ(run(("D:\\" + name).c_str(), folder.c_str()), -1);
  EXPECT_EQ(printedText(), "TO_FOLDER[" + folder + "\\" + name + "] IS TOO LONG.\n");
  EXPECT_EQ(fakeConsole.clears, 0);
}
