// Tree mode through the whole run: verdicts, the printed list, the cursor.
#include "app/tree_mode.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/run.h"
#include "vestro_test.h"

class TreeMode : public VestroTest {
 protected:
  void SetUp() override {
    VestroTest::SetUp();
    addFile("D:\\PICTURE\\a.jpg", patternBytes(3000));
    addFile("D:\\PICTURE\\2009\\b.jpg", patternBytes(700));
  }
  int run(const char* from, const char* to) {
    const char* argv[] = {"vestro.exe", from, to};
    return runVestro(3, (char**)argv);
  }
};

TEST_F(TreeMode, SuccessVerdictOverTheCount) {
  EXPECT_EQ(run("D:\\PICTURE", "X:\\PICTURE"), 0);
  EXPECT_EQ(rowText(5, 2, 43), "VERIFY DATA SUCCESS! (REAL COPY COUNT = 2) ");
  EXPECT_EQ(attrAt(5, 2), 15);
  EXPECT_EQ(rowText(6, 1, 80), std::string(80, ' '));
  EXPECT_EQ(rowText(7, 1, 80), std::string(80, ' '));
  std::vector<std::string> row5 = paintsAt(5, 2);
  ASSERT_GE(row5.size(), 2u);
  EXPECT_EQ(row5[row5.size() - 2], "VERIFYING...");
  EXPECT_EQ(fakeConsole.cursorX, 0);
  EXPECT_EQ(fakeConsole.cursorY, 5);
  EXPECT_TRUE(fakeConsole.printed.empty());
  EXPECT_EQ(fakeConsole.cursorShows, 0);

  resetFakeConsole();
  runTally = RunTally{0, 0, 0};
  EXPECT_EQ(run("D:\\PICTURE", "X:\\PICTURE"), 0);
  EXPECT_EQ(rowText(5, 2, 42), "VERIFY DATA SUCCESS! (REAL COPY COUNT = 0)");
}

TEST_F(TreeMode, ErrorVerdictAndTheList) {
  addFolder("X:\\PICTURE\\a.jpg");  // a folder where the source has a file
  addFile("X:\\PICTURE\\2009\\b.jpg", "x");
  findNode("X:\\PICTURE\\2009\\b.jpg")->readOnly = true;
  EXPECT_EQ(run("D:\\PICTURE", "X:\\PICTURE"), 0);
  EXPECT_EQ(rowText(5, 2, 41), "VERIFY DATA ERROR! (COPY ERROR COUNT = 2)");
  ASSERT_EQ(fakeConsole.printed.size(), 1u);
  EXPECT_EQ(fakeConsole.printed[0].y, 5);
  EXPECT_EQ(fakeConsole.printed[0].x, 0);
  EXPECT_EQ(printedText(), " D:\\PICTURE\\a.jpg\n D:\\PICTURE\\2009\\b.jpg\n");
  EXPECT_EQ(mismatchCount(), 0);
}

TEST_F(TreeMode, UnlistableSourceGivesAnErrorWithNoList) {
  findNode("D:\\PICTURE")->listFails = true;
  EXPECT_EQ(run("D:\\PICTURE", "X:\\PICTURE"), 0);
  EXPECT_EQ(rowText(5, 2, 41), "VERIFY DATA ERROR! (COPY ERROR COUNT = 0)");
  EXPECT_TRUE(fakeConsole.printed.empty());
}

TEST_F(TreeMode, DestinationInsideTheSourceByARelativePath) {
  fakeFiles.currentFolder = "D:\\PICTURE";
  EXPECT_EQ(run("D:\\PICTURE", "copy"), 0);
  EXPECT_EQ(rowText(5, 2, 42), "VERIFY DATA SUCCESS! (REAL COPY COUNT = 2)");
  EXPECT_TRUE(exists("D:\\PICTURE\\copy\\2009\\b.jpg"));
  EXPECT_FALSE(exists("D:\\PICTURE\\copy\\copy"));
}

TEST_F(TreeMode, AFolderThatCannotBeToldFromTheDestinationIsListed) {
  // The destination inside the source, and no folder identity to be had
  // after the destination's own: its namesake is neither entered nor
  // copied into itself, and the error verdict names it.
  fakeFiles.currentFolder = "D:\\PICTURE";
  fakeFiles.faults.folderIdentity.arm(2, true);
  EXPECT_EQ(run("D:\\PICTURE", "copy"), 0);
  EXPECT_TRUE(exists("D:\\PICTURE\\copy\\2009\\b.jpg"));
  EXPECT_FALSE(exists("D:\\PICTURE\\copy\\copy"));
  EXPECT_EQ(rowText(5, 2, 18), "VERIFY DATA ERROR!");
  EXPECT_EQ(printedText(), " D:\\PICTURE\\copy\n");
}

TEST_F(TreeMode, LongListIsPrintedWhole) {
  for (int i = 0; i < 3000; ++i) addFile(("D:\\PICTURE\\many\\file" + std::to_string(i)).c_str(), "z");
  fakeFiles.faults.createUnbuffered.arm(3, true);
  EXPECT_EQ(run("D:\\PICTURE", "X:\\PICTURE"), 0);
  std::string printed = printedText();
  EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 3000);
  EXPECT_NE(printed.find(" D:\\PICTURE\\many\\file2999\n"), std::string::npos);
  EXPECT_LT(fakeConsole.printed.size(), 20u);
}
