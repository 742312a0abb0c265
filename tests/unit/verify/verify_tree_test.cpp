// verifyTree: the order of the tests per file, the counts, the running number.
#include "verify/verify_tree.h"

#include <string>
#include <vector>

#include "vestro_test.h"

class VerifyTree : public VestroTest {
 protected:
  const int64_t t = 132500000000000000LL;
  void SetUp() override {
    VestroTest::SetUp();
    addFile("D:\\src\\a", "aaaa", t);
    addFile("D:\\src\\sub\\b", "bbbb", t);
    addFile("D:\\src\\sub\\c", "cccc", t);
    addFile("X:\\dst\\a", "AAAA", t + 9999999);  // same second, other bytes: good
    addFile("X:\\dst\\sub\\b", "bbbb", t);
    addFile("X:\\dst\\sub\\c", "cccc", t);
    addFile("X:\\dst\\only-here", "x", t);
  }
  std::vector<std::string> listed() {
    std::vector<std::string> paths;
    for (int i = 0; mismatchAt(i); ++i) paths.push_back(mismatchAt(i));
    return paths;
  }
};

TEST_F(VerifyTree, GoodCopyByStatusAlone) {
  EXPECT_TRUE(verifyTree("D:\\src", "X:\\dst"));
  EXPECT_EQ(runTally.checkedCount, 3);
  EXPECT_EQ(runTally.copyErrorCount, 0);
  EXPECT_EQ(rowText(5, 14, 2), "3 ");
  EXPECT_EQ(attrAt(5, 14), 14);
  EXPECT_EQ(paintsAt(5, 14), (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(VerifyTree, EveryKindOfMismatchInWalkOrder) {
  findNode("X:\\dst\\a")->lastWrite = t + 10000000;   // another second
  findNode("X:\\dst\\sub\\b")->bytes = "bbb";          // another size
  findNode("X:\\dst\\sub\\c")->statusFails = true;     // unreadable copy
  addFile("D:\\src\\sub\\missing", "m", t);
  addFile("D:\\src\\sub\\unreadable", "u", t);
  findNode("D:\\src\\sub\\unreadable")->statusFails = true;
  addFile("D:\\src\\new\\n1", "1", t);
  EXPECT_FALSE(verifyTree("D:\\src", "X:\\dst"));
  std::vector<std::string> expected = {"D:\\src\\a", "D:\\src\\sub\\b", "D:\\src\\sub\\c", "D:\\src\\sub\\missing",
                                       "D:\\src\\sub\\unreadable", "D:\\src\\new\\n1"};
  EXPECT_EQ(listed(), expected);
  EXPECT_EQ(runTally.copyErrorCount, 6);
  EXPECT_EQ(runTally.checkedCount, 6);
}

TEST_F(VerifyTree, CoarseTimesOnFat) {
  addVolume("F:", 512, "FAT");
  addFile("F:\\dst\\a", "aaaa", t + 20000000);
  addFile("F:\\dst\\sub\\b", "bbbb", t - 20000000);
  addFile("F:\\dst\\sub\\c", "cccc", t + 30000000);
  EXPECT_FALSE(verifyTree("D:\\src", "F:\\dst"));
  EXPECT_EQ(listed(), std::vector<std::string>{"D:\\src\\sub\\c"});
  // A folder of TO that leads onto a FAT volume takes that volume's times,
  // for the skip rule as for verification.
  mismatchClear();
  runTally = RunTally{0, 0, 0};
  for (const char* path : {"X:\\dst\\sub\\b", "X:\\dst\\sub\\c", "X:\\dst\\sub", "F:\\dst\\sub\\c"}) removePath(path);
  addFile("F:\\dst\\sub\\c", "cccc", t - 10000000);
  addFolderLink("X:\\dst\\sub", "F:\\dst\\sub");
  copyTree("D:\\src", "X:\\dst");
  EXPECT_EQ(runTally.realCopyCount, 0);
  EXPECT_TRUE(verifyTree("D:\\src", "X:\\dst"));
}

// A folder without its copy is listed when nothing below it is (it holds
// no file).
TEST_F(VerifyTree, FoldersOnlyAndUnlistableSources) {
  addFolder("D:\\bare\\one\\two");
  EXPECT_FALSE(verifyTree("D:\\bare", "X:\\none"));
  EXPECT_EQ(listed(), std::vector<std::string>{"D:\\bare\\one\\two"});
  mismatchClear();
  runTally = RunTally{0, 0, 0};
  addFolder("X:\\none\\one\\two");
  EXPECT_TRUE(verifyTree("D:\\bare", "X:\\none"));
  EXPECT_EQ(runTally.checkedCount, 0);
  EXPECT_TRUE(paintsAt(5, 14).empty());
  findNode("D:\\src")->listFails = true;
  EXPECT_FALSE(verifyTree("D:\\src", "X:\\dst"));
  EXPECT_EQ(runTally.copyErrorCount, 0);
  findNode("D:\\src")->listFails = false;
  // A sub-folder nobody could look into is no success: it is listed itself.
  findNode("D:\\src\\sub")->listFails = true;
  EXPECT_FALSE(verifyTree("D:\\src", "X:\\dst"));
  EXPECT_EQ(runTally.checkedCount, 1);
  EXPECT_EQ(listed(), std::vector<std::string>{"D:\\src\\sub"});
}

TEST_F(VerifyTree, AListingThatBreaksOffIsAMismatch) {
  fakeFiles.faults.listNext.arm(6);  // the sixth call: in D:\src\sub, after b
  EXPECT_FALSE(verifyTree("D:\\src", "X:\\dst"));
  EXPECT_EQ(listed(), std::vector<std::string>{"D:\\src\\sub"});
  EXPECT_EQ(runTally.checkedCount, 2);
}

TEST_F(VerifyTree, RunningCountIsGrouped) {
  for (int i = 0; i < 1200; ++i) addFile(("D:\\many\\f" + std::to_string(i)).c_str(), "", t);
  EXPECT_FALSE(verifyTree("D:\\many", "X:\\none"));
  EXPECT_EQ(rowText(5, 14, 6), "1,200 ");
  EXPECT_EQ(mismatchCount(), 1200);
}

// A folder whose listing pattern would not fit cannot be looked into.
TEST_F(VerifyTree, AFolderTooLongToListIsAMismatch) {
  std::string folder = "D:\\src\\" + std::string(250, 'd') + "\\" + std::string(259, 'e');
  ASSERT_EQ(folder.size(), 517u);
  addFolder(folder.c_str());
  EXPECT_FALSE(verifyTree("D:\\src", "X:\\dst"));
  EXPECT_EQ(listed(), std::vector<std::string>{folder});
}

TEST_F(VerifyTree, OverlongEntriesAreListedWhole) {
  std::string deep = "D:\\src\\" + std::string(240, 'd') + "\\" + std::string(240, 'e');
  std::string name = std::string(40, 'n');
  addFile((deep + "\\" + name).c_str(), "x", t);
  EXPECT_FALSE(verifyTree("D:\\src", "X:\\dst"));
  EXPECT_EQ(listed(), std::vector<std::string>{deep + "\\" + name});
  for (const std::string& entry : fakeFiles.log) EXPECT_LE(entry.size(), 5 + 519u) << entry;
}

TEST_F(VerifyTree, LinkCyclesAndTheDestinationArePassedOver) {
  addFolderLink("D:\\src\\sub\\up", "D:\\src");
  addFolder("D:\\src\\out");
  addFolder("X:\\dst\\out");
  EXPECT_TRUE(verifyTree("D:\\src", "X:\\dst"));
  EXPECT_EQ(runTally.checkedCount, 3);
  // A destination that really lies inside the source was not filled: the
  // source is listed and nothing is compared.
  addFile("D:\\src\\out\\x", "x", t);
  runTally = RunTally{0, 0, 0};
  EXPECT_FALSE(verifyTree("D:\\SRC", "d:\\src\\OUT"));
  EXPECT_EQ(runTally.checkedCount, 0);
  EXPECT_EQ(listed(), (std::vector<std::string>{"D:\\SRC"}));
}

// A destination folder that leads back into the source is listed under its
// source folder, as the copy did not fill it: its "copies" would be files
// of the source itself, which could pass for current.
TEST_F(VerifyTree, DestinationFoldersThatLeadIntoTheSourceAreListed) {
  addFile("D:\\src\\twin\\b", "bbbb", t);
  addFile("D:\\src\\twin\\c", "cccc", t);
  removePath("X:\\dst\\sub\\b");
  removePath("X:\\dst\\sub\\c");
  removePath("X:\\dst\\sub");
  addFolderLink("X:\\dst\\sub", "D:\\src\\twin");
  addFolder("X:\\dst\\twin");
  EXPECT_FALSE(verifyTree("D:\\src", "X:\\dst"));
  EXPECT_EQ(listed(), (std::vector<std::string>{"D:\\src\\sub", "D:\\src\\twin\\b", "D:\\src\\twin\\c"}));
  fakeFiles.faults.realLocation.arm(1, true);
  mismatchClear();
  runTally = RunTally{0, 0, 0};
  EXPECT_FALSE(verifyTree("D:\\src", "X:\\dst"));
  // Without final paths the link itself keeps the folder out.
  EXPECT_EQ(listed(), (std::vector<std::string>{"D:\\src\\sub", "D:\\src\\twin\\b", "D:\\src\\twin\\c"}));
}

TEST_F(VerifyTree, NamesThatCannotBeOpenedAreListed) {
  addFile("D:\\src\\lost", "x", t);
  findNode("D:\\src\\lost")->listedAs = "caf?.txt";
  addFolder("D:\\src\\folder");
  findNode("D:\\src\\folder")->listedAs = "..\\evil";
  // Names the system would take for another: never compared through the
  // look-alike (report. would be compared with report's good copy).
  addFile("D:\\src\\report", "r", t);
  addFile("X:\\dst\\report", "r", t);
  addFile("D:\\src\\report.", "r", t);
  addFile("D:\\src\\aux", "d", t);
  addFile("D:\\src\\twin", "a", t);
  findNode("D:\\src\\twin")->listedAs = "A";
  // Not compared with what may be an unfinished copy of the same name.
  addFile("D:\\src\\a.vestro-tmp", "t", t);
  addFile("X:\\dst\\a.vestro-tmp", "t", t);
  EXPECT_FALSE(verifyTree("D:\\src", "X:\\dst"));
  EXPECT_EQ(listed(), (std::vector<std::string>{"D:\\src\\caf?.txt", "D:\\src\\..\\evil", "D:\\src\\report.",
                                                "D:\\src\\aux", "D:\\src\\A", "D:\\src\\a.vestro-tmp"}));
  EXPECT_EQ(runTally.checkedCount, 10);
}
