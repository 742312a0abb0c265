// The usage screen, the one-key menu and every way out of it.
#include "app/start_menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run.h"
#include "fake_console.h"
#include "fake_dialogs.h"
#include "fake_files.h"

namespace {

const char usage[] =
    "Usage  : VESTRO (FROM_FOLDER or FILE) TO_FOLDER \n\n"
    "Ex.      VESTRO  C:\\PICTURE  X:\\PICTURE \n"
    "         VESTRO  C:\\PICTURE\\SASMPLE.jpg  X:\\PICTURE \n\n"
    "SELECT INPUT FOLDER? (D)\n"
    "SELECR INPUT FILE?   (F)\n"
    "END(Enter)\n"
    "->\n";

class StartMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFakeFiles();
    resetFakeConsole();
    resetFakeDialogs();
    addVolume("D:");
    addVolume("E:");
    addFile("E:\\PICTURE\\a.jpg", "jpg");
  }
  int run(const std::string& keys, int argc = 1) {
    fakeConsole.keys = keys;
    const char* argv[] = {"vestro.exe", "E:\\PICTURE", "D:\\IGNORED", "x", nullptr};
    return runVestro(argc, (char**)argv);
  }
  std::string titles() {
    std::string all;
    for (const PickerCall& c : fakeDialogs.calls) all += (c.folder ? "folder:" : "file:") + c.title + "|";
    return all;
  }
};

}  // namespace

TEST_F(StartMenu, UsageScreenThenOneKeyAtRow9Column3) {
  EXPECT_EQ(run("\r"), -1);
  EXPECT_EQ(fakeConsole.clears, 1);
  ASSERT_FALSE(fakeConsole.printed.empty());
  EXPECT_EQ(fakeConsole.printed[0].x, 0);
  EXPECT_EQ(fakeConsole.printed[0].y, 0);
  EXPECT_EQ(printedText(), usage);
  EXPECT_EQ(fakeConsole.cursorX, 2);
  EXPECT_EQ(fakeConsole.cursorY, 8);
  EXPECT_EQ(fakeConsole.keyAt, 1u);
  EXPECT_EQ(titles(), "");
}

TEST_F(StartMenu, OtherArgumentCountsOpenItAndIgnoreTheArguments) {
  for (int argc : {2, 4}) {
    resetFakeConsole();
    EXPECT_EQ(run("q", argc), -1);
    EXPECT_EQ(printedText(), std::string(usage) + "q");
  }
  EXPECT_FALSE(exists("D:\\IGNORED"));
  EXPECT_EQ(titles(), "");
}

TEST_F(StartMenu, EveryIncompleteChoiceEndsWithNothingMorePrinted) {
  const char* folder = "folder:SELECT INPUT FOLDER|";
  const char* file = "file:SELECT INPUT FILE|";
  const char* output = "folder:SELECT OUTPUT FOLDER|";
  struct Exit {
    const char* key;
    std::vector<PickerAnswer> answers;
    std::string titles;
  } exits[] = {
      {"x", {}, ""},
      {"\t", {}, ""},
      {"\x1b", {}, ""},
      {"\x95\x5c", {}, ""},
      {"d", {{pickCancel, ""}}, folder},
      {"F", {{pickFailure, ""}}, file},
      {"D", {{pickPath, "E:\\PICTURE"}, {pickCancel, ""}}, std::string(folder) + output},
      {"f", {{pickPath, "E:\\PICTURE\\a.jpg"}, {pickFailure, ""}}, std::string(file) + output},
  };
  for (const Exit& e : exits) {
    resetFakeConsole();
    resetFakeDialogs();
    fakeDialogs.answers = e.answers;
    EXPECT_EQ(run(e.key), -1) << e.key;
    EXPECT_EQ(titles(), e.titles) << e.key;
    EXPECT_EQ(fakeDialogs.callsPastScript, 0) << e.key;
    EXPECT_EQ(fakeConsole.keysPastScript, 0) << e.key;
    EXPECT_EQ(fakeConsole.clears, 1) << e.key;
    EXPECT_LE(printedText().size(), sizeof usage) << "at most the key's echo after the menu: " << e.key;
  }
  EXPECT_EQ(fakeDialogs.calls[0].size, 260);
}

TEST_F(StartMenu, PickedFolderPairGoesOnToTheChecks) {
  // Both folder picks share one result; a drive root keeps its backslash.
  answerPath("E:\\PICTURE");
  answerPath("D:\\");
  EXPECT_EQ(run("d"), 0);
  EXPECT_EQ(fakeConsole.clears, 2);
  resetFakeConsole();
  resetFakeDialogs();
  answerPath("E:\\PICTURE\\a.jpg");
  answerPath("D:\\NEW\\DEEP");
  EXPECT_EQ(run("F"), 0);
  EXPECT_TRUE(exists("D:\\NEW\\DEEP"));
}

TEST_F(StartMenu, PickedPathsAreNotNormalised) {
  answerPath("E:\\PICTURE\\");
  answerPath("E:\\PICTURE\\2009\\");
  EXPECT_EQ(run("d"), -1);
  EXPECT_EQ(printedText(), std::string(usage) + "d" +
                               "TO_FOLDER[E:\\PICTURE\\2009\\] IS A SUBFOLDER OF THE FROM_FOLDER(E:\\PICTURE\\).\n");
}

TEST(Pickers, ResultsStayInTheirBuffersUntilTheNextCall) {
  resetFakeDialogs();
  answerPath("E:\\A");
  answerPath("E:\\B.txt");
  answerPath(std::string(259, 'x'));
  const char* folder = pickFolder("ONE");
  const char* file = pickInputFile();
  ASSERT_NE(folder, nullptr);
  ASSERT_NE(file, nullptr);
  EXPECT_STREQ(folder, "E:\\A");
  EXPECT_STREQ(file, "E:\\B.txt");
  EXPECT_EQ(pickFolder("TWO"), folder);
  EXPECT_EQ(std::string(folder), std::string(259, 'x'));
}
