// Argument normalisation and the order of the path checks.
#include "app/path_checks.h"

#include <gtest/gtest.h>

#include <string>

#include "app/run.h"
#include "fake_console.h"
#include "fake_files.h"
#include "fresh_run.h"
#include "text/path_text.h"

static std::string normalised(const char* argument) {
  PathBuffer path;
  EXPECT_TRUE(normaliseArgument(argument, path));
  return path;
}

TEST(Normalise, DrivesAndTrailingBackslashes) {
  EXPECT_EQ(normalised("E:"), "E:\\");
  EXPECT_EQ(normalised("E:\\"), "E:\\");
  EXPECT_EQ(normalised("E:\\PICTURE\\"), "E:\\PICTURE");
  EXPECT_EQ(normalised("E:\\PICTURE\\\\"), "E:\\PICTURE\\");
  EXPECT_EQ(normalised("E:\\PICTURE"), "E:\\PICTURE");
  EXPECT_EQ(normalised("1:"), "1:");
  EXPECT_EQ(normalised(""), "");
  EXPECT_EQ(normalised("E:\\\x95\x5c"), "E:\\\x95\x5c");
  EXPECT_EQ(normalised("E:\\\x95\x5c\\"), "E:\\\x95\x5c");
}

TEST(Normalise, RefusesOver519Bytes) {
  PathBuffer path;
  EXPECT_TRUE(normaliseArgument(std::string(519, 'a').c_str(), path));
  EXPECT_FALSE(normaliseArgument(std::string(520, 'a').c_str(), path));
}

class PathChecks : public ::testing::Test {
 protected:
  void SetUp() override {
    startFreshRun();
    addVolume("D:");
    addVolume("E:");
    addFolder("E:\\PICTURE");
    addFile("E:\\PICTURE\\a.jpg", "jpg");
  }
  int run(const char* from, const char* to) {
    const char* argv[] = {"vestro.exe", from, to};
    return runVestro(3, (char**)argv);
  }
};

TEST_F(PathChecks, MissingFromCreatesNothing) {
  EXPECT_EQ(run("E:\\NONE", "D:\\BACKUP\\X"), -1);
  EXPECT_EQ(printedText(), "FROM_FOLDER[E:\\NONE] DOES NOT EXIST.\n");
  EXPECT_FALSE(exists("D:\\BACKUP"));
  EXPECT_EQ(fakeConsole.clears, 0);
}

TEST_F(PathChecks, StatusFailuresAreTold) {
  findNode("E:\\PICTURE")->statusFails = true;
  EXPECT_EQ(run("E:\\PICTURE", "D:\\B"), -1);
  EXPECT_EQ(printedText(), "FROM_FOLDER[E:\\PICTURE] CANNOT BE ACCESSED.\n");
  findNode("E:\\PICTURE")->statusFails = false;
  resetFakeConsole();
  addFolder("D:\\LOCKED");
  findNode("D:\\LOCKED")->statusFails = true;
  EXPECT_EQ(run("E:\\PICTURE", "D:\\LOCKED"), -1);
  EXPECT_EQ(printedText(), "TO_FOLDER[D:\\LOCKED] CANNOT BE ACCESSED.\n");
}

TEST_F(PathChecks, MissingToDriveIsTold) {
  EXPECT_EQ(run("E:\\PICTURE", "Q:\\B"), -1);
  EXPECT_EQ(printedText(), "TO_FOLDER[Q:\\B] DOES NOT EXIST.\n");
}

TEST_F(PathChecks, CreatedFoldersStayWhenALaterCheckRefuses) {
  EXPECT_EQ(run("E:\\PICTURE", "E:\\PICTURE\\2009\\A\\"), -1);
  EXPECT_EQ(printedText(), "TO_FOLDER[E:\\PICTURE\\2009\\A] IS A SUBFOLDER OF THE FROM_FOLDER(E:\\PICTURE).\n");
  EXPECT_TRUE(exists("E:\\PICTURE\\2009\\A"));
}

TEST_F(PathChecks, FileAsToIsNotAFolder) {
  addFile("D:\\b.jpg", "x");
  EXPECT_EQ(run("E:\\PICTURE\\a.jpg", "D:\\b.jpg"), -1);
  EXPECT_EQ(printedText(), "TO_FOLDER[D:\\b.jpg] IS NOT FOLDER.\n");
}

TEST_F(PathChecks, SameFolderInOtherCase) {
  addFolder("E:\\A");
  EXPECT_EQ(run("E:\\A", "e:\\a"), -1);
  EXPECT_EQ(printedText(), "FROM and TO VALUES[E:\\A] ARE THE SAME.\n");
}

// A leading part counts at a folder boundary only: a sibling whose name
// goes on (PICTURE2, Data_backup) is copied; a drive root leads everything
// on its drive.
TEST_F(PathChecks, LeadingPartsCountAtFolderBoundaries) {
  EXPECT_EQ(run("E:\\PICTURE", "E:\\PICTURE2"), 0);
  EXPECT_EQ(contentOf("E:\\PICTURE2\\a.jpg"), "jpg");
  resetFakeConsole();
  EXPECT_EQ(run("E:\\PICTURE", "E:\\PICTURE\\2009"), -1);
  EXPECT_EQ(printedText(), "TO_FOLDER[E:\\PICTURE\\2009] IS A SUBFOLDER OF THE FROM_FOLDER(E:\\PICTURE).\n");
  resetFakeConsole();
  addFolder("D:\\PICTURE");
  EXPECT_EQ(run("D:\\PICTURE", "D:"), -1);
  EXPECT_EQ(printedText(), "FROM_FOLDER[D:\\PICTURE] IS A SUBFOLDER OF THE TO_FOLDER(D:\\).\n");
  resetFakeConsole();
  EXPECT_EQ(run("E:\\PICTURE\\a.jpg", "E:\\PICTURE"), -1);
  EXPECT_EQ(printedText(), "FROM_FOLDER[E:\\PICTURE\\a.jpg] IS A SUBFOLDER OF THE TO_FOLDER(E:\\PICTURE).\n");
}

TEST_F(PathChecks, NestingInOtherLetterCase) {
  addFolder("E:\\Data");
  EXPECT_EQ(run("E:\\Data", "e:\\data\\copy"), -1);
  EXPECT_EQ(printedText(), "TO_FOLDER[e:\\data\\copy] IS A SUBFOLDER OF THE FROM_FOLDER(E:\\Data).\n");
  resetFakeConsole();
  EXPECT_EQ(run("e:\\data\\copy", "E:\\DATA"), -1);
  EXPECT_EQ(printedText(), "FROM_FOLDER[e:\\data\\copy] IS A SUBFOLDER OF THE TO_FOLDER(E:\\DATA).\n");
}

TEST_F(PathChecks, DifferentDoubleByteNamesAreNotTheSame) {
  addFolder("E:\\\x83\x41");
  EXPECT_EQ(run("E:\\\x83\x41", "E:\\\x83\x61"), 0);
  EXPECT_TRUE(exists("E:\\\x83\x61"));
}

TEST_F(PathChecks, EmptyArguments) {
  EXPECT_EQ(run("", "D:\\B"), -1);
  EXPECT_EQ(printedText(), "FROM_FOLDER[] DOES NOT EXIST.\n");
}

TEST_F(PathChecks, TooLongArgumentsRefusedBeforeAnything) {
  std::string longTo = "D:\\" + std::string(600, 'x');
  EXPECT_EQ(run("E:\\PICTURE", longTo.c_str()), -1);
  EXPECT_EQ(printedText(), "TO_FOLDER[" + longTo + "] IS TOO LONG.\n");
  EXPECT_TRUE(fakeFiles.log.empty());
  resetFakeConsole();
  std::string longFrom = "E:\\" + std::string(517, 'y');
  EXPECT_EQ(run(longFrom.c_str(), "D:\\B"), -1);
  EXPECT_EQ(printedText(), "FROM_FOLDER[" + longFrom + "] IS TOO LONG.\n");
}

TEST_F(PathChecks, PercentSignsPrintAsThemselves) {
  EXPECT_EQ(run("E:\\%s%d%n", "D:\\B"), -1);
  EXPECT_EQ(printedText(), "FROM_FOLDER[E:\\%s%d%n] DOES NOT EXIST.\n");
}
