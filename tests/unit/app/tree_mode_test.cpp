// Tree mode through the whole run: verdicts, the printed list, the cursor.
#include "app/tree_mode.h"

#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/run.h"
#include "copy/kept_listings.h"
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
  // Row 9 said that it counted, then how far the copy was, its share never
  // going down, last as given; it was blanked before VERIFYING... Meanwhile
  // the window's title showed the share; the console's own came back.
  void expectRowNine(const std::string& last) {
    std::vector<std::string> shown;
    size_t blanked = 0;
    size_t verifying = 0;
    for (size_t i = 0; i < fakeConsole.paintLog.size(); ++i) {
      const PaintedRun& paint = fakeConsole.paintLog[i];
      if (paint.y == 4 && paint.x == 1 && paint.text == "VERIFYING...") verifying = i;
      if (paint.y != 8) continue;
      if (paint.text.find_first_not_of(' ') == std::string::npos) blanked = i;
      else shown.push_back(paint.text);
    }
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown.front().rfind("COUNTING...", 0), 0u) << shown.front();
    EXPECT_EQ(shown.back().rfind(last, 0), 0u) << shown.back();
    double share = 0;
    for (size_t i = 1; i < shown.size(); ++i) {
      double now = atof(shown[i].c_str() + 6);
      EXPECT_GE(now, share) << shown[i];
      share = now;
    }
    EXPECT_LT(blanked, verifying);
    EXPECT_GT(blanked, 0u);
    EXPECT_EQ(rowText(9, 1, 80), std::string(80, ' '));
    ASSERT_FALSE(fakeConsole.titles.empty());
    EXPECT_EQ(fakeConsole.titles.front().find(" % - VESTRO") != std::string::npos, true) << fakeConsole.titles.front();
    EXPECT_EQ(fakeConsole.title, "Command Prompt - vestro");
  }
};

TEST_F(TreeMode, SuccessVerdictOverTheCount) {
  // The display cursor is hidden while every file is copied, and shown again.
  // QuickEdit is off meanwhile: a click would stop every console write.
  std::vector<int> shownAtOpen;
  std::vector<uint32_t> quickEditAtOpen;
  fakeFiles.hook = [&](const std::string& op, const std::string&) {
    if (op != "open") return;
    shownAtOpen.push_back(fakeConsole.cursorShows);
    quickEditAtOpen.push_back(fakeConsole.inputMode & 0x40);
  };
  EXPECT_EQ(run("D:\\PICTURE", "X:\\PICTURE"), 0);
  EXPECT_EQ(shownAtOpen, (std::vector<int>{-1, -1}));
  EXPECT_EQ(quickEditAtOpen, (std::vector<uint32_t>{0, 0}));
  EXPECT_EQ(fakeConsole.inputMode, 0x1F7u);
  fakeFiles.hook = nullptr;
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
  expectRowNine("TOTAL 100.00 %  FILES 2/2  SIZE 3.61KB/3.61KB");

  resetFakeConsole();
  runTally = RunTally{0, 0, 0};
  EXPECT_EQ(run("D:\\PICTURE", "X:\\PICTURE"), 0);
  EXPECT_EQ(rowText(5, 2, 42), "VERIFY DATA SUCCESS! (REAL COPY COUNT = 0)");
  expectRowNine("TOTAL 100.00 %  FILES 2/2  SIZE 3.61KB/3.61KB");  // current files count at once
  // The input mode comes back after a refusal too.
  resetFakeConsole();
  EXPECT_EQ(run("D:\\NONE", "X:\\PICTURE"), -1);
  EXPECT_EQ(fakeConsole.inputMode, 0x1F7u);
  EXPECT_EQ(fakeConsole.inputModeSets, 2);
}

// The copy goes over what the count has just listed: a file made between
// them is left to the next run, and the verification lists it. A listing
// older than that is not trusted: the copy lists its folder anew.
TEST_F(TreeMode, TheCopyGoesOverWhatTheCountListed) {
  for (uint32_t step : {0u, keptListingFor}) {
    SCOPED_TRACE(step);
    resetFakeConsole();
    runTally = RunTally{0, 0, 0};
    fakeConsole.clockStep = step;
    std::string made = "D:\\PICTURE\\2009\\new" + std::to_string(step) + ".jpg";
    fakeFiles.hook = [&](const std::string& op, const std::string&) {
      if (op == "open" && !exists(made.c_str())) addFile(made.c_str(), "n");
    };
    std::string to = step ? "X:\\LATER" : "X:\\NOW";
    EXPECT_EQ(run("D:\\PICTURE", to.c_str()), step ? 0 : 1);
    fakeFiles.hook = nullptr;
    EXPECT_EQ(exists((to + made.substr(10)).c_str()), step != 0);
    EXPECT_EQ(printedText(), step ? "" : " " + made + "\n");
  }
}

TEST_F(TreeMode, ErrorVerdictAndTheList) {
  addFolder("X:\\PICTURE\\a.jpg");  // a folder where the source has a file
  addFile("X:\\PICTURE\\2009\\b.jpg", "x");
  findNode("X:\\PICTURE\\2009\\b.jpg")->readOnly = true;
  EXPECT_EQ(run("D:\\PICTURE", "X:\\PICTURE"), 1);
  EXPECT_EQ(rowText(5, 2, 41), "VERIFY DATA ERROR! (COPY ERROR COUNT = 2)");
  ASSERT_EQ(fakeConsole.printed.size(), 1u);
  EXPECT_EQ(fakeConsole.printed[0].y, 5);
  EXPECT_EQ(fakeConsole.printed[0].x, 0);
  EXPECT_EQ(printedText(), " D:\\PICTURE\\a.jpg\n D:\\PICTURE\\2009\\b.jpg\n");
  EXPECT_EQ(mismatchCount(), 0);
  // A log (no console) gets the verdict before the list.
  resetFakeConsole();
  runTally = RunTally{0, 0, 0};
  fakeConsole.spanFails = true;
  EXPECT_EQ(run("D:\\PICTURE", "X:\\PICTURE"), 1);
  EXPECT_EQ(printedText(), "VERIFY DATA ERROR! (COPY ERROR COUNT = 2)\n D:\\PICTURE\\a.jpg\n D:\\PICTURE\\2009\\b.jpg\n");
}

TEST_F(TreeMode, UnlistableSourceGivesAnErrorWithNoList) {
  findNode("D:\\PICTURE")->listFails = true;
  EXPECT_EQ(run("D:\\PICTURE", "X:\\PICTURE"), 1);
  EXPECT_EQ(rowText(5, 2, 41), "VERIFY DATA ERROR! (COPY ERROR COUNT = 0)");
  EXPECT_TRUE(fakeConsole.printed.empty());
}

// A TO that really lies inside FROM, under a spelling the path checks let
// pass (a relative path, "..", a link into the source): every copy would
// land in the source, so nothing is copied and the verdict names FROM. So
// also when TO's identity could not be had at the first asking.
TEST_F(TreeMode, DestinationInsideTheSourceIsNotFilled) {
  addFolderLink("D:\\j", "D:\\PICTURE\\2009");
  addFolder("D:\\x");
  fakeFiles.currentFolder = "D:\\PICTURE";
  for (const char* to : {"copy", "D:\\x\\..\\PICTURE\\2009", "D:\\j"}) {
    for (int failFirst = 0; failFirst < 2; ++failFirst) {
      SCOPED_TRACE(std::string(to) + (failFirst ? ", TO's identity fails once" : ""));
      resetFakeConsole();
      runTally = RunTally{0, 0, 0};
      clearFaults();
      fakeFiles.faults.folderIdentity.arm(failFirst);
      EXPECT_EQ(run("D:\\PICTURE", to), 1);
      EXPECT_EQ(rowText(5, 2, 41), "VERIFY DATA ERROR! (COPY ERROR COUNT = 1)");
      EXPECT_EQ(printedText(), " D:\\PICTURE\n");
      EXPECT_EQ(listNames("D:\\PICTURE"), (std::vector<std::string>{"a.jpg", "2009", "copy"}));
      EXPECT_EQ(listNames("D:\\PICTURE\\2009"), (std::vector<std::string>{"b.jpg"}));
      EXPECT_TRUE(listNames("D:\\PICTURE\\copy").empty());
    }
  }
}

// A folder whose identity cannot be had could be the destination or a way
// back up: it is neither entered nor made, and the error verdict names it.
TEST_F(TreeMode, AFolderThatCannotBeToldApartIsListed) {
  findNode("D:\\PICTURE\\2009")->identityFails = true;
  EXPECT_EQ(run("D:\\PICTURE", "X:\\PICTURE"), 1);
  EXPECT_TRUE(exists("X:\\PICTURE\\a.jpg"));
  EXPECT_FALSE(exists("X:\\PICTURE\\2009"));
  EXPECT_EQ(rowText(5, 2, 41), "VERIFY DATA ERROR! (COPY ERROR COUNT = 1)");
  EXPECT_EQ(printedText(), " D:\\PICTURE\\2009\n");
}

// A drive's root holds folders of the system's own, which the user may not
// list: a copy of the drive leaves them out without listing them. Anywhere
// else they are folders like any other.
TEST_F(TreeMode, ADriveRootLeavesItsSystemFoldersOut) {
  addFolder("D:\\System Volume Information");
  findNode("D:\\System Volume Information")->listFails = true;
  addFile("D:\\$Recycle.Bin\\S-1-5-21\\$R1.jpg", "deleted");
  addFile("D:\\PICTURE\\$RECYCLE.BIN\\kept.jpg", "kept");
  addFolder("X:\\DRIVE");
  EXPECT_EQ(run("D:", "X:\\DRIVE"), 0);
  EXPECT_EQ(rowText(5, 2, 42), "VERIFY DATA SUCCESS! (REAL COPY COUNT = 3)");
  EXPECT_EQ(listNames("X:\\DRIVE"), std::vector<std::string>{"PICTURE"});
  EXPECT_EQ(contentOf("X:\\DRIVE\\PICTURE\\$RECYCLE.BIN\\kept.jpg"), "kept");
}

// An empty folder whose copy cannot be made is listed: a file bears its
// name in TO, its creation is refused, or its path is too long to show.
TEST_F(TreeMode, EmptyFoldersWithoutTheirCopiesAreListed) {
  std::string deep = "D:\\PICTURE\\" + std::string(250, 'e') + "\\" + std::string(250, 'f');
  for (int c = 0; c < 3; ++c) {
    SCOPED_TRACE(c);
    TearDown();
    SetUp();
    std::string folder = c == 2 ? deep : "D:\\PICTURE\\empty";
    addFolder(folder.c_str());
    addFolder("X:\\PICTURE");
    if (c == 0) addFile("X:\\PICTURE\\empty", "in the way");
    if (c == 1) fakeFiles.faults.makeFolder.arm(1, true);
    EXPECT_EQ(run("D:\\PICTURE", "X:\\PICTURE"), 1);
    EXPECT_EQ(rowText(5, 2, 41), "VERIFY DATA ERROR! (COPY ERROR COUNT = " + std::string(c == 1 ? "2" : "1") + ")");
    std::string listed = " " + folder + "\n";
    if (c == 1) listed = " D:\\PICTURE\\2009\\b.jpg\n" + listed;  // its folder could not be made either
    EXPECT_EQ(printedText(), listed);
  }
}

// FROM through a link that leads to TO itself: nothing to copy, and no
// success for a folder compared with itself.
TEST_F(TreeMode, SourceThatIsItsOwnDestination) {
  addFolderLink("D:\\lnk", "D:\\PICTURE");
  EXPECT_EQ(run("D:\\lnk", "D:\\PICTURE"), 1);
  EXPECT_EQ(rowText(5, 2, 41), "VERIFY DATA ERROR! (COPY ERROR COUNT = 1)");
  EXPECT_EQ(printedText(), " D:\\lnk\n");
  EXPECT_EQ(listNames("D:\\PICTURE"), (std::vector<std::string>{"a.jpg", "2009"}));
  for (const std::string& entry : fakeFiles.log) EXPECT_EQ(entry.rfind("list ", 0), 0u) << entry;
}

TEST_F(TreeMode, LongListIsPrintedWhole) {
  for (int i = 0; i < 3000; ++i) addFile(("D:\\PICTURE\\many\\file" + std::to_string(i)).c_str(), "z");
  fakeFiles.faults.createUnbuffered.arm(3, true);
  fakeFiles.faults.createBuffered.arm(1, true);  // the one-byte files, under a sector
  EXPECT_EQ(run("D:\\PICTURE", "X:\\PICTURE"), 1);
  std::string printed = printedText();
  EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 3000);
  EXPECT_NE(printed.find(" D:\\PICTURE\\many\\file2999\n"), std::string::npos);
  EXPECT_LT(fakeConsole.printed.size(), 20u);
}

// Every kind of volume FROM or TO may lie on: IDs kept, all 0, all ones,
// handed out again once a folder is let go, shared by folders at once, or
// one that repeats two levels apart; final paths given, refused, or refused
// below a folder the user may not list. Links are listed as Windows lists
// them (a file link as itself). A tree is copied whole, a file link with
// what it leads to; two folder links back into FROM are walked or passed
// over where the volume can tell where they lead, and listed where it
// cannot. Run again over stale copies, with a folder of TO turned into a
// link into FROM, it replaces the rest, writes nothing into FROM and lists
// the folder kept out. TO under a second name of FROM gets nothing where
// IDs can tell (a second name is known by its ID alone).
TEST_F(TreeMode, EveryVolumeProfile) {
  const struct {
    const char* name;
    FakeIds ids;
    bool finalPaths;
    bool hiddenAbove;  // no final path below the folder that holds FROM or TO
    bool echo;         // a folder two levels down bears FROM's own number
  } profiles[] = {
      {"unique IDs", idsUnique, true, false, false},
      {"IDs all 0", idsZero, true, false, false},
      {"IDs all ones", idsAllOnes, true, false, false},
      {"IDs handed out again", idsReused, true, false, false},
      {"IDs shared by folders", idsColliding, true, false, false},
      {"IDs repeating two levels apart", idsUnique, true, false, true},
      {"IDs all 0, no final paths", idsZero, false, false, false},
      {"IDs handed out again, no final paths", idsReused, false, false, false},
      {"IDs shared by folders, no final paths", idsColliding, false, false, false},
      {"IDs repeating two levels apart, no final paths", idsUnique, false, false, true},
      {"no final paths below a folder", idsUnique, true, true, false},
  };
  const char* from = "D:\\share\\PICTURE";
  const char* to = "X:\\share\\PICTURE";
  for (const auto& p : profiles) {
    for (const char* side : {"D:", "X:"}) {
      SCOPED_TRACE(std::string(p.name) + " on " + side);
      bool idsTell = p.ids != idsZero && p.ids != idsAllOnes;
      bool linksTold = idsTell || p.finalPaths || std::string(side) == "X:";
      TearDown();
      startFreshRun();
      addVolume("D:");
      addVolume("X:");
      addFile("D:\\share\\PICTURE\\a.jpg", patternBytes(3000, 1));
      addFile("D:\\share\\PICTURE\\2009\\b.jpg", patternBytes(700, 2));
      addFile("D:\\share\\PICTURE\\2009\\x\\y\\c.jpg", patternBytes(5000, 3));
      addFile("D:\\share\\PICTURE\\2010\\d.jpg", patternBytes(100, 4));
      addFileLink("D:\\share\\PICTURE\\2010\\e.jpg", "D:\\share\\PICTURE\\a.jpg");
      addFolderLink("D:\\share\\PICTURE\\2009\\x\\up", from);
      addFolderLink("D:\\share\\PICTURE\\2010\\back", "D:\\share\\PICTURE\\2009");
      addFolder("D:\\share\\PICTURE\\Backup");
      addFolder("X:\\share");
      fakeFiles.volumes[side].ids = p.ids;
      fakeFiles.volumes[side].finalPaths = p.finalPaths;
      findNode((std::string(side) + "\\share").c_str())->hidesFinalPaths = p.hiddenAbove;
      if (p.echo) findNode("D:\\share\\PICTURE\\2009\\x")->index = findNode(from)->id;
      std::string source = treeState("D:\\");

      EXPECT_EQ(run(from, to), linksTold ? 0 : 1);
      if (linksTold) {  // back leads to 2009, whose files are copied there again; up is a cycle
        EXPECT_EQ(rowText(5, 2, 42), "VERIFY DATA SUCCESS! (REAL COPY COUNT = 7)");
        EXPECT_EQ(contentOf("X:\\share\\PICTURE\\2010\\back\\x\\y\\c.jpg"), patternBytes(5000, 3));
      } else {
        EXPECT_EQ(rowText(5, 2, 41), "VERIFY DATA ERROR! (COPY ERROR COUNT = 2)");
        EXPECT_EQ(printedText(), " D:\\share\\PICTURE\\2009\\x\\up\n D:\\share\\PICTURE\\2010\\back\n");
      }
      EXPECT_FALSE(exists("X:\\share\\PICTURE\\2009\\x\\up"));
      EXPECT_EQ(contentOf("X:\\share\\PICTURE\\2009\\x\\y\\c.jpg"), patternBytes(5000, 3));
      EXPECT_EQ(contentOf("X:\\share\\PICTURE\\2010\\d.jpg"), patternBytes(100, 4));
      EXPECT_EQ(contentOf("X:\\share\\PICTURE\\2010\\e.jpg"), patternBytes(3000, 1));
      EXPECT_EQ(findNode("X:\\share\\PICTURE\\2010\\e.jpg")->lastWrite, findNode("D:\\share\\PICTURE\\a.jpg")->lastWrite);
      EXPECT_TRUE(findNode("X:\\share\\PICTURE\\Backup")->folder);
      EXPECT_EQ(treeState("D:\\"), source);

      for (const char* copy : {"\\a.jpg", "\\2009\\b.jpg", "\\2009\\x\\y\\c.jpg"})
        findNode((std::string(to) + copy).c_str())->lastWrite -= 50000000;
      removePath("X:\\share\\PICTURE\\2010\\d.jpg");
      removePath("X:\\share\\PICTURE\\2010\\e.jpg");
      for (const char* place : {"\\back\\x\\y\\c.jpg", "\\back\\x\\y", "\\back\\x", "\\back\\b.jpg", "\\back", ""})
        removePath(("X:\\share\\PICTURE\\2010" + std::string(place)).c_str());
      addFolderLink("X:\\share\\PICTURE\\2010", "D:\\share\\PICTURE\\2009");
      resetFakeConsole();  // a new process, over the same disks
      runTally = RunTally{0, 0, 0};
      forgetVolumes();
      EXPECT_EQ(run(from, to), 1);
      std::string up = linksTold ? "" : " D:\\share\\PICTURE\\2009\\x\\up\n";
      EXPECT_EQ(rowText(5, 2, 41), "VERIFY DATA ERROR! (COPY ERROR COUNT = " + std::to_string(linksTold ? 1 : 2) + ")");
      EXPECT_EQ(printedText(), up + " D:\\share\\PICTURE\\2010\n");
      EXPECT_EQ(contentOf("X:\\share\\PICTURE\\2009\\x\\y\\c.jpg"), patternBytes(5000, 3));
      EXPECT_EQ(findNode("X:\\share\\PICTURE\\a.jpg")->lastWrite, findNode("D:\\share\\PICTURE\\a.jpg")->lastWrite);
      EXPECT_EQ(treeState("D:\\"), source);

      // TO below a second name of FROM (a share reached by two names).
      if (!idsTell && std::string(side) == "D:") continue;
      addFolderAlias("D:\\g", from);
      source = treeState("D:\\share");
      resetFakeConsole();
      runTally = RunTally{0, 0, 0};
      forgetVolumes();
      EXPECT_EQ(run(from, "D:\\g\\Backup"), 1);
      EXPECT_EQ(rowText(5, 2, 41), "VERIFY DATA ERROR! (COPY ERROR COUNT = 1)");
      EXPECT_EQ(printedText(), " D:\\share\\PICTURE\n");
      EXPECT_EQ(treeState("D:\\share"), source);
      // TO a second name of a folder inside FROM: the count meets it before
      // anything is written, and nothing is.
      addFolderAlias("D:\\h", "D:\\share\\PICTURE\\2009");
      resetFakeConsole();
      runTally = RunTally{0, 0, 0};
      EXPECT_EQ(run(from, "D:\\h"), 1);
      EXPECT_EQ(printedText(), " D:\\share\\PICTURE\\a.jpg\n D:\\share\\PICTURE\\2009\n");
      EXPECT_EQ(treeState("D:\\share"), source);
    }
  }
}
