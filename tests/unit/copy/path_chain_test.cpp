// makePathChain against the in-memory file system.
#include "copy/path_chain.h"

#include <gtest/gtest.h>

#include <string>

#include "fake_files.h"

class PathChain : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFakeFiles();
    addVolume("D:");
  }
};

TEST_F(PathChain, ExistingPathIsOneTest) {
  addFolder("D:\\A");
  addFile("D:\\file", "x");
  EXPECT_EQ(makePathChain("D:\\A"), 0);
  EXPECT_EQ(makePathChain("D:\\file"), 0);
  EXPECT_EQ(fakeFiles.faults.access.calls, 2);
  EXPECT_TRUE(fakeFiles.log.empty());
}

TEST_F(PathChain, CreatesMissingLevelsTopDown) {
  addFolder("D:\\A");
  EXPECT_EQ(makePathChain("D:\\A\\B\\C\\D\\"), 0);
  ASSERT_EQ(fakeFiles.log.size(), 3u);
  EXPECT_EQ(fakeFiles.log[0], "mkdir D:\\\\A\\B");
  EXPECT_EQ(fakeFiles.log[2], "mkdir D:\\\\A\\B\\C\\D");
  EXPECT_TRUE(findNode("D:\\A\\B\\C\\D")->folder);
}

TEST_F(PathChain, MissingDriveCreatesNothing) {
  EXPECT_NE(makePathChain("Q:\\A\\B"), 0);
  EXPECT_TRUE(fakeFiles.log.empty());
}

TEST_F(PathChain, DoubleByteNameEndingIn5CStaysWhole) {
  EXPECT_EQ(makePathChain("D:\\\x95\x5c\\\x83\x5c"), 0);
  EXPECT_TRUE(exists("D:\\\x95\x5c\\\x83\x5c"));
  EXPECT_EQ(listNames("D:\\").size(), 1u);
}

TEST_F(PathChain, FileInTheWayStopsTheChain) {
  addFile("D:\\A\\F", "x");
  makePathChain("D:\\A\\F\\G\\H");
  EXPECT_FALSE(exists("D:\\A\\F\\G"));
  EXPECT_EQ(fakeFiles.log.size(), 1u);  // one failed attempt, nothing after it
}

TEST_F(PathChain, NetworkShareIsNeverCreated) {
  makePathChain("\\\\server\\share\\dir");
  ASSERT_EQ(fakeFiles.log.size(), 1u);
  EXPECT_EQ(fakeFiles.log[0], "mkdir \\\\server\\share");
  addVolume("\\\\server\\share");
  fakeFiles.log.clear();
  makePathChain("\\\\server\\share\\dir\\sub");
  EXPECT_TRUE(exists("\\\\SERVER\\SHARE\\dir\\sub"));
}

TEST_F(PathChain, RelativePathsStayRelative) {
  // Not a server name: created below the current folder C:\WORK.
  makePathChain("out\\deep");
  EXPECT_TRUE(exists("C:\\WORK\\out\\deep"));
  makePathChain("a\\b");
  EXPECT_TRUE(exists("C:\\WORK\\a\\b"));
  makePathChain("\\top\\next");
  EXPECT_TRUE(exists("C:\\top\\next"));
}

TEST_F(PathChain, DelimitersOnlyDoNothing) {
  EXPECT_EQ(makePathChain(":\\\\:"), 0);
  EXPECT_TRUE(fakeFiles.log.empty());
}

TEST_F(PathChain, NothingOver519BytesReachesThePlatform) {
  // 519 bytes in the drive form: the last prefix would need 520.
  std::string path = "D:\\" + std::string(200, 'a') + "\\" + std::string(315, 'b');
  ASSERT_EQ(path.size(), 519u);
  makePathChain(path.c_str());
  EXPECT_TRUE(exists(("D:\\" + std::string(200, 'a')).c_str()));
  for (const std::string& entry : fakeFiles.log) EXPECT_LE(entry.size() - 6, 519u);
  EXPECT_EQ(fakeFiles.log.size(), 1u);
  fakeFiles.log.clear();
  EXPECT_EQ(makePathChain(std::string(600, 'c').c_str()), 0);
  EXPECT_TRUE(fakeFiles.log.empty());
}
