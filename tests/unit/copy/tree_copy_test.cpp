// copyTree: the walk, its header rows, real-copy count and its guards.
#include "copy/tree_copy.h"

#include <algorithm>
#include <string>

#include "vestro_test.h"

class TreeCopy : public VestroTest {
 protected:
  void SetUp() override {
    VestroTest::SetUp();
    addFile("D:\\src\\a.txt", patternBytes(1000, 1));
    addFile("D:\\src\\sub\\b.bin", patternBytes(4194404, 2));
    addFile("D:\\src\\sub\\deeper\\c", "");
    addFolder("D:\\src\\empty");
    addFolder("X:\\dst");
  }
  bool logged(const std::string& entry) {
    return std::find(fakeFiles.log.begin(), fakeFiles.log.end(), entry) != fakeFiles.log.end();
  }
  int pathsOver519() {
    int n = 0;
    for (const std::string& entry : fakeFiles.log) n += entry.size() - entry.find(' ') - 1 > 519;
    return n;
  }
};

TEST_F(TreeCopy, CopiesEveryLevelAndCountsRealCopies) {
  copyTree("D:\\src", "X:\\dst");
  EXPECT_EQ(contentOf("X:\\dst\\a.txt"), patternBytes(1000, 1));
  EXPECT_EQ(contentOf("X:\\dst\\sub\\b.bin"), patternBytes(4194404, 2));
  EXPECT_TRUE(exists("X:\\dst\\sub\\deeper\\c"));
  EXPECT_TRUE(findNode("X:\\dst\\empty")->folder);
  EXPECT_EQ(listNames("X:\\dst").size(), 3u);  // "." and ".." were passed over
  EXPECT_EQ(runTally.realCopyCount, 3);
  EXPECT_EQ(findNode("X:\\dst\\sub\\b.bin")->lastWrite, findNode("D:\\src\\sub\\b.bin")->lastWrite);

  copyTree("D:\\src", "X:\\dst");
  EXPECT_EQ(runTally.realCopyCount, 3);  // everything was current
}

TEST_F(TreeCopy, HeaderRowsReturnToTheParentWithoutRemnants) {
  copyTree("D:\\src", "X:\\dst");
  EXPECT_EQ(rowText(2, 2, 40), "FROM FOLDER = D:\\src" + std::string(20, ' '));
  EXPECT_EQ(rowText(3, 2, 40), "TO   FOLDER = X:\\dst" + std::string(20, ' '));
  EXPECT_EQ(attrAt(2, 16), 10);
  EXPECT_EQ(rowText(5, 2, 11), "FILENAME = ");
  EXPECT_EQ(rowText(6, 2, 11), "FILESIZE = ");
  EXPECT_EQ(attrAt(6, 2), 11);
  EXPECT_EQ(lastFromWidth, 7);
  EXPECT_EQ(lastToWidth, 7);
  // The deepest level was on screen in between.
  bool deepShown = false;
  for (const std::string& text : paintsAt(2, 2)) deepShown |= text == "FROM FOLDER = D:\\src\\sub\\deeper";
  EXPECT_TRUE(deepShown);
}

TEST_F(TreeCopy, DriveRootsAndSecondBytes5C) {
  addFile("D:\\\x95\x5c\\x.txt", "x");
  copyTree("D:\\\x95\x5c", "X:\\");
  EXPECT_EQ(contentOf("X:\\x.txt"), "x");
  EXPECT_TRUE(logged("list D:\\\x95\x5c\\*.*"));
  EXPECT_TRUE(logged("create X:\\x.txt"));
  fakeFiles.log.clear();
  copyTree("D:\\", "X:\\dst");
  EXPECT_TRUE(logged("list D:\\*.*"));
  EXPECT_TRUE(exists("X:\\dst\\src\\sub\\b.bin"));
  EXPECT_TRUE(exists("X:\\dst\\\x95\x5c\\x.txt"));
}

TEST_F(TreeCopy, UnlistableFolderEndsOnlyItsLevel) {
  findNode("D:\\src\\sub")->listFails = true;
  copyTree("D:\\src", "X:\\dst");
  EXPECT_TRUE(findNode("X:\\dst\\sub")->folder);
  EXPECT_TRUE(listNames("X:\\dst\\sub").empty());
  EXPECT_EQ(runTally.realCopyCount, 1);
}

TEST_F(TreeCopy, LinkCyclesEndAtOnce) {
  addFolderLink("D:\\src\\sub\\up", "D:\\src");
  addFolderLink("D:\\src\\self", "D:\\src");
  copyTree("D:\\src", "X:\\dst");
  EXPECT_FALSE(exists("X:\\dst\\self"));
  EXPECT_FALSE(exists("X:\\dst\\sub\\up"));
  EXPECT_EQ(runTally.realCopyCount, 3);
}

TEST_F(TreeCopy, NeverEntersItsOwnDestination) {
  // The destination lies inside the source, reached under another spelling.
  addFolder("D:\\src\\out");
  copyTree("D:\\SRC", "d:\\src\\OUT");
  EXPECT_TRUE(exists("D:\\src\\out\\a.txt"));
  EXPECT_FALSE(exists("D:\\src\\out\\out"));
  EXPECT_TRUE(listNames("D:\\src\\out").size() == 3u);
  // And through a link inside the source that leads to it.
  addFolderLink("D:\\src\\toDst", "X:\\dst");
  copyTree("D:\\src", "X:\\dst");
  EXPECT_FALSE(exists("X:\\dst\\toDst"));
}

TEST_F(TreeCopy, OverlongPathsNeverReachThePlatform) {
  std::string deep = "D:\\src\\" + std::string(240, 'd') + "\\" + std::string(240, 'e');
  addFile((deep + "\\fits").c_str(), "1");
  addFile((deep + "\\" + std::string(40, 'n')).c_str(), "2");  // 529 bytes
  addFolder((deep + "\\" + std::string(20, 'f')).c_str());   // its header would not fit
  copyTree("D:\\src", "X:\\dst");
  EXPECT_EQ(pathsOver519(), 0);
  std::string copied = "X:\\dst\\" + std::string(240, 'd') + "\\" + std::string(240, 'e');
  EXPECT_EQ(contentOf((copied + "\\fits").c_str()), "1");
  EXPECT_FALSE(exists((copied + "\\" + std::string(20, 'f')).c_str()));
  EXPECT_EQ(runTally.realCopyCount, 4);
}

TEST_F(TreeCopy, FilesThatFailAreNotCounted) {
  fakeFiles.volumes["X:"].freeBytes = 2000;
  copyTree("D:\\src", "X:\\dst");
  EXPECT_EQ(runTally.realCopyCount, 2);  // a.txt and the empty c; b.bin has no room
  EXPECT_FALSE(exists("X:\\dst\\sub\\b.bin"));
}

// Names the code page cannot spell come from the listing with stand-ins; one
// such stand-in may even hold a separator. Nothing is opened or made for them.
TEST_F(TreeCopy, NamesThatCannotBeOpenedAreLeftAlone) {
  addFile("D:\\src\\lost1", "x");
  findNode("D:\\src\\lost1")->listedAs = "caf?.txt";
  addFile("D:\\src\\lost2\\inner", "y");
  findNode("D:\\src\\lost2")->listedAs = "..\\evil";
  addFolder("X:\\evil");
  copyTree("D:\\src", "X:\\dst");
  for (const std::string& entry : fakeFiles.log) {
    EXPECT_EQ(entry.find("caf"), std::string::npos) << entry;
    EXPECT_EQ(entry.find("evil"), std::string::npos) << entry;
  }
  EXPECT_TRUE(listNames("X:\\evil").empty());
  EXPECT_EQ(runTally.realCopyCount, 3);
}

// Identities are asked only of folders that could be the destination or a
// way back up: links, and folders named like the destination.
TEST_F(TreeCopy, IdentitiesAreAskedOnlyOfSuspects) {
  copyTree("D:\\src", "X:\\dst");
  EXPECT_EQ(fakeFiles.faults.folderIdentity.calls, 1);  // the destination's own
  clearFaults();
  addFolder("X:\\sub");
  copyTree("D:\\src", "X:\\sub");  // D:\src\sub bears the destination's name but is another folder
  EXPECT_TRUE(exists("X:\\sub\\sub\\b.bin"));
  EXPECT_EQ(fakeFiles.faults.folderIdentity.calls, 3);  // the destination, D:\src\sub and D:\src
  clearFaults();
  addFolderLink("D:\\src\\sub\\deeper\\back", "D:\\src\\sub");
  copyTree("D:\\src", "X:\\dst");
  EXPECT_FALSE(exists("X:\\dst\\sub\\deeper\\back"));
  EXPECT_EQ(fakeFiles.faults.folderIdentity.calls, 4);  // destination, link, D:\src, D:\src\sub
}
