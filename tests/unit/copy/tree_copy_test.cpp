// copyTree: the walk, its header rows, real-copy count and its guards.
#include "copy/tree_copy.h"
#include "copy/kept_listings.h"
#include "copy/volume_info.h"

#include <algorithm>
#include <string>

#include "verify/verify_tree.h"
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
  EXPECT_TRUE(logged("create X:\\x.txt.vestro-tmp"));
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
  // The destination lies inside the source, reached under another spelling:
  // it is not filled at all, as each copy would land in the source.
  addFolder("D:\\src\\out");
  std::string before = treeState("D:\\src");
  copyTree("D:\\SRC", "d:\\src\\OUT");
  EXPECT_EQ(treeState("D:\\src"), before);
  // A link inside the source that leads to the destination is passed over.
  addFolderLink("D:\\src\\toDst", "X:\\dst");
  copyTree("D:\\src", "X:\\dst");
  EXPECT_FALSE(exists("X:\\dst\\toDst"));
  EXPECT_TRUE(exists("X:\\dst\\out"));
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

// The platform calls of the walk: every folder entered is asked its
// identity on both sides (folders are few next to files); a file costs one
// open, one facts call, one read and one write a chunk, the time and the
// closes, and a status call only where a copy could already be there: not
// in a folder this run has made, and never for the source, whose listing
// tells its status.
TEST_F(TreeCopy, PlatformCallsPerFileAndPerFolder) {
  for (int i = 0; i < 50; ++i) addFile(("D:\\src\\sub\\f" + std::to_string(i)).c_str(), patternBytes(700, i));
  copyTree("D:\\src", "X:\\dst");
  EXPECT_EQ(runTally.realCopyCount, 53);
  const FakeFaults& f = fakeFiles.faults;
  EXPECT_EQ(f.folderIdentity.calls, 3 + 1 + 2 * 3);  // the top pair, X:\ above it, then sub, deeper and empty
  EXPECT_EQ(f.volumeRoot.calls, 1);  // folders that are no link lie on their parent's volume
  EXPECT_EQ(f.status.calls, 1);                  // a.txt's copy, in X:\dst, which was there
  EXPECT_EQ(f.openRead.calls, 53);
  EXPECT_EQ(f.fileFacts.calls, 53);
  EXPECT_EQ(f.createUnbuffered.calls, 52);
  EXPECT_EQ(f.createBuffered.calls, 1);  // the empty c, which has no whole sector
  EXPECT_EQ(f.readFile.calls, 51 + 2);  // b.bin takes two pieces, the empty c none
  EXPECT_EQ(f.writeFile.calls, 51 + 2);
  EXPECT_EQ(f.setEndOfFile.calls, 52);  // all but the empty file end in a tail
  EXPECT_EQ(f.setLastWrite.calls, 53);
  EXPECT_EQ(f.closeWritten.calls, 53);
  EXPECT_EQ(f.replaceFile.calls, 53);  // nothing stood in the way: each took its name through its handle

  clearFaults();
  runTally = RunTally{0, 0, 0};
  copyTree("D:\\src", "X:\\dst");
  EXPECT_EQ(runTally.realCopyCount, 0);
  EXPECT_EQ(fakeFiles.faults.status.calls, 53);  // the skip rule, once a file
  EXPECT_EQ(fakeFiles.faults.openRead.calls, 0);

  // More sub-folders side by side than folders are kept: their parent, asked
  // by each in turn, is never let go, nor is the volume asked again.
  for (int i = 0; i < 12; ++i) addFile(("D:\\wide\\s" + std::to_string(i) + "\\f").c_str(), "x");
  addFolder("X:\\wide");
  clearFaults();
  forgetVolumes();
  copyTree("D:\\wide", "X:\\wide");
  EXPECT_EQ(runTally.realCopyCount, 12);
  EXPECT_EQ(fakeFiles.faults.volumeRoot.calls, 1);
}

// What already stands in the destination may lead back into the source: TO
// itself, or a folder below it that is a link to a sibling of the folder
// copied, to a folder below that one, or to the source itself two levels
// down; or to another folder of TO. Nothing is written there, whatever the link, also when the link
// cannot be tested (it is no new folder then); the rest is copied.
TEST_F(TreeCopy, DestinationFoldersThatLeadIntoTheSourceAreNotFilled) {
  const struct {
    const char* to;
    const char* link;
    const char* target;
    int copies;
    bool accessFails;
  } cases[] = {
      {"X:\\j", "X:\\j", "D:\\src\\sub", 0, false},
      {"X:\\k", "X:\\k", "D:\\src\\sub\\deeper", 0, false},
      {"X:\\dst", "X:\\dst\\sub", "D:\\src\\empty", 1, false},               // a sibling
      {"X:\\dst", "X:\\dst\\sub", "D:\\src\\sub\\deeper\\inner", 1, false},  // below the folder copied
      {"X:\\dst", "X:\\dst\\sub\\deeper", "D:\\src", 2, false},              // the source itself
      {"X:\\dst", "X:\\dst\\sub", "D:\\src\\empty", 1, true},
      {"X:\\dst", "X:\\dst\\sub\\deeper", "D:\\src", 2, true},
      {"X:\\dst", "X:\\dst\\sub", "X:\\dst\\empty", 1, false},  // another folder of TO: copies would share it
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.link) + " -> " + c.target + (c.accessFails ? ", every existence test fails" : ""));
    TearDown();
    SetUp();
    if (c.accessFails) fakeFiles.faults.access.arm(1, true);
    addFolder("D:\\src\\sub\\deeper\\inner");
    if (std::string(c.link) == "X:\\dst\\sub\\deeper") addFolder("X:\\dst\\sub");
    addFolder("X:\\dst\\empty");
    addFolderLink(c.link, c.target);
    std::string before = treeState("D:\\");
    copyTree("D:\\src", c.to);
    EXPECT_EQ(treeState("D:\\"), before);
    EXPECT_EQ(runTally.realCopyCount, c.copies);
  }
}

// Two links in TO that lead to one folder elsewhere would make two source
// folders share one copy: only the first is followed, the second is listed.
TEST_F(TreeCopy, TwoLinksToOneFolderAreFollowedOnce) {
  addFile("D:\\src\\empty\\b.bin", "another b.bin");
  addFolder("X:\\other");
  addFolderLink("X:\\dst\\sub", "X:\\other");
  addFolderLink("X:\\dst\\empty", "X:\\other");
  copyTree("D:\\src", "X:\\dst");
  EXPECT_EQ(contentOf("X:\\other\\b.bin"), patternBytes(4194404, 2));
  EXPECT_EQ(runTally.realCopyCount, 3);
  EXPECT_FALSE(verifyTree("D:\\src", "X:\\dst"));
  EXPECT_EQ(mismatchCount(), 1);
  EXPECT_STREQ(mismatchAt(0), "D:\\src\\empty");
}

// A folder whose copy would land in one of the walk's own source folders
// (TO, through a link, is a folder above FROM) is not walked: the source's
// own files are never written over.
TEST_F(TreeCopy, NeverCopiesIntoItsOwnSource) {
  addFile("D:\\src\\src\\a.txt", "inner a");
  addFolderLink("X:\\up", "D:\\");
  copyTree("D:\\src", "X:\\up");
  EXPECT_EQ(contentOf("D:\\src\\a.txt"), patternBytes(1000, 1));
  EXPECT_EQ(contentOf("D:\\src\\src\\a.txt"), "inner a");
  EXPECT_EQ(contentOf("D:\\a.txt"), patternBytes(1000, 1));
  EXPECT_EQ(contentOf("D:\\sub\\b.bin"), patternBytes(4194404, 2));
}

// The identity of a folder that could be any of those cannot be had: it is
// not entered, and a destination whose identity fails receives nothing.
TEST_F(TreeCopy, FoldersThatCannotBeToldApartAreNotEntered) {
  addFolderLink("X:\\j", "D:\\src\\sub");
  findNode("D:\\src\\sub")->identityFails = true;
  copyTree("D:\\src", "X:\\dst");
  EXPECT_FALSE(exists("X:\\dst\\sub"));
  EXPECT_EQ(runTally.realCopyCount, 1);
  findNode("D:\\src\\sub")->identityFails = false;
  findNode("X:\\dst")->identityFails = true;
  fakeFiles.log.clear();
  copyTree("D:\\src", "X:\\dst");
  EXPECT_TRUE(fakeFiles.log.empty());
  // A destination that is a link leading nowhere has no folder to hold or
  // to ask where it is.
  addFolderLink("X:\\nowhere", "X:\\gone");
  copyTree("D:\\src", "X:\\nowhere");
  EXPECT_EQ(fakeFiles.strayHandles, 0);
}

// Names the system would take for another name: a trailing dot or blank is
// dropped, a device name opens the device, and a case twin from a
// case-sensitive source resolves to the copy of its sibling. None is
// copied through its look-alike, and the first twin is copied as usual.
TEST_F(TreeCopy, LookAlikeNamesAreLeftAlone) {
  addFile("D:\\src\\report", "plain report");
  addFile("D:\\src\\report.", "dotted report");
  addFile("D:\\src\\sp ", "blank");
  addFile("D:\\src\\nul.txt", "device");
  addFile("D:\\src\\Com1 .log", "device");
  addFile("D:\\src\\Readme.txt", "first twin");
  addFile("D:\\src\\twin", "second twin");  // as a case-sensitive folder would list it
  addFile("D:\\src\\Readme.txt.VESTRO-TMP", "the form of an unfinished copy");
  findNode("D:\\src\\twin")->listedAs = "README.txt";
  for (int round = 0; round < 2; ++round) {
    fakeFiles.log.clear();
    copyTree("D:\\src", "X:\\dst");
    EXPECT_EQ(contentOf("X:\\dst\\report"), "plain report");
    EXPECT_EQ(contentOf("X:\\dst\\Readme.txt"), "first twin");
    EXPECT_EQ(findNode("X:\\dst\\Readme.txt")->name, "Readme.txt");
    for (std::string entry : fakeFiles.log) {
      // The copies' own temporary names aside (handles log them upper-cased).
      if (entry.rfind("set-", 0) == 0) continue;
      for (size_t at; (at = entry.find(".vestro-tmp")) != std::string::npos;) entry.erase(at, 11);
      EXPECT_EQ(entry.find("report."), std::string::npos) << entry;
      EXPECT_EQ(entry.find("sp "), std::string::npos) << entry;
      EXPECT_EQ(entry.find("nul"), std::string::npos) << entry;
      EXPECT_EQ(entry.find("Com1"), std::string::npos) << entry;
      EXPECT_EQ(entry.find("README.txt"), std::string::npos) << entry;
      EXPECT_EQ(entry.find("VESTRO-TMP"), std::string::npos) << entry;
    }
  }
  EXPECT_EQ(runTally.realCopyCount, 5);  // a.txt, b.bin, c, report and the first twin, once
}

// Each volume numbers its folders from its own start, so a source folder may
// bear the destination's number on another volume: the full identities,
// asked only then, tell them apart; without them, the final paths do.
TEST_F(TreeCopy, EqualNumbersOnTwoVolumesAreToldApartByTheVolume) {
  for (bool idsFail : {false, true}) {
    SCOPED_TRACE(idsFail ? "no full identities" : "full identities");
    TearDown();
    SetUp();
    findNode("D:\\src\\sub")->index = findNode("X:\\dst")->id;
    fakeFiles.faults.folderId.arm(idsFail ? 1 : 0, true);
    copyTree("D:\\src", "X:\\dst");
    EXPECT_EQ(contentOf("X:\\dst\\sub\\b.bin"), patternBytes(4194404, 2));
    EXPECT_EQ(runTally.realCopyCount, 3);
    EXPECT_GE(fakeFiles.faults.folderId.calls, idsFail ? 1 : 2);
    EXPECT_LE(fakeFiles.faults.folderId.calls, 3);  // only for the folder that shares a number
  }
}

// What the count lists is handed to the copy again, folder by folder, while
// it is whole and recent. A folder whose listing ran out of room is listed
// on to its end, then anew.
TEST_F(TreeCopy, KeptListingsStandForTheirFoldersWhileWholeAndRecent) {
  for (int n = 0; n < 2000; ++n) addFile(("D:\\big\\f" + std::to_string(n)).c_str(), "");
  fakeConsole.clockStep = 0;
  auto names = [](const char* folder) {
    std::vector<std::string> seen;
    FolderListing listing;
    ListEntry entry;
    for (ListResult r = listingFirst(folder, &listing, &entry); r == listEntry; r = listingNext(&listing, &entry))
      seen.push_back(entry.name);
    listingClose(&listing);
    return seen;
  };
  auto listed = [](const char* pattern) {
    return std::count(fakeFiles.log.begin(), fakeFiles.log.end(), std::string("list ") + pattern);
  };
  fakeFiles.faults.alloc.arm(2);  // the kept listings cannot grow past their first block
  keepListings();
  std::vector<std::string> small = names("D:\\src");
  std::vector<std::string> big = names("D:\\big");
  EXPECT_EQ(fakeFiles.faults.alloc.hits, 1);
  std::vector<std::string> once = big;
  std::sort(once.begin(), once.end());
  EXPECT_EQ(std::unique(once.begin(), once.end()) - once.begin(), 2002);  // with "." and ".."
  for (uint32_t age : {0u, keptListingFor}) {
    replayListings();
    fakeConsole.clock += age;
    EXPECT_EQ(names("D:\\src"), small);
    EXPECT_EQ(names("D:\\big"), big);
  }
  EXPECT_EQ(listed("D:\\src\\*.*"), 2);  // kept, then listed anew once it was too old
  EXPECT_EQ(listed("D:\\big\\*.*"), 3);
  dropListings();
}
