// copyFileUnbuffered against a file system whose unbuffered handle refuses
// anything but whole, aligned sectors.
#include "copy/unbuffered_copy.h"

#include <string>
#include <vector>

#include "console/number_text.h"
#include "copy/replacement.h"
#include "vestro_test.h"

class UnbufferedCopy : public VestroTest {
 protected:
  const int64_t sourceTime = 132500000012345678LL;  // not a whole second
  const char* to = "X:\\t\\f.bin";
  void SetUp() override {
    VestroTest::SetUp();
    addFolder("X:\\t");
  }
  std::string source(size_t size) {
    std::string bytes = patternBytes(size, (int)size);
    addFile("D:\\s\\f.bin", bytes, sourceTime);
    return bytes;
  }
  bool copy() { return copyFileUnbuffered("D:\\s\\f.bin", to); }
  std::string status() { return rowText(7, 2, 15); }
  std::vector<std::string> progress() {
    std::vector<std::string> texts;
    for (const std::string& text : paintsAt(7, 2))
      if (text != std::string(15, ' ')) texts.push_back(text);
    return texts;
  }
  void expectGood(const std::string& bytes) {
    EXPECT_EQ(contentOf(to), bytes);
    EXPECT_EQ(findNode(to)->lastWrite, sourceTime);
  }
};

// Each size class: the copy's bytes, size and last-write time, the row texts
// and progress shown (as when the tail went through a second, buffered
// handle), and the calls: whole sectors only through the one unbuffered
// handle, a file with none through one ordinary handle, the end of the file
// set only after a padded tail, and the time set last. Below a folder where
// a volume is mounted, or through a folder link, the sectors are those of
// the volume the file lands on.
TEST_F(UnbufferedCopy, SizeClasses) {
  addVolume("Y:", 4096);
  addFolder("Y:\\t");
  addVolume("X:\\mnt", 4096);
  addFolder("X:\\mnt\\t");
  addFolderLink("X:\\link", "Y:\\t");
  const struct {
    size_t size;
    const char* target;
    bool cached;
    int writes;
    bool endSet;
    std::vector<std::string> shown;
  } cases[] = {
      {0, to, true, 0, false, {"100.00 %"}},
      {100, to, true, 1, false, {"100.00 %"}},                                    // under one sector
      {511, to, true, 1, false, {"100.00 %"}},
      {4095, "Y:\\t\\f.bin", true, 1, false, {"100.00 %"}},                      // under a large sector
      {512, to, false, 1, false, {"100.00 %", "100.00 %"}},                       // one whole sector
      {1024, to, false, 1, false, {"100.00 %", "100.00 %"}},                      // whole sectors
      {1000, to, false, 1, true, {"51.20 %", "100.00 %"}},                        // whole sectors and a tail
      {8 * 1024 * 1024, to, false, 2, false, {"50.00 %", "100.00 %", "100.00 %"}},  // whole chunks
      {4194305, to, false, 2, true, {"100.00 %", "100.00 %"}},                    // 4 MiB and one
      {4194404, to, false, 2, true, {"100.00 %", "100.00 %"}},
      {4095, "X:\\mnt\\t\\f.bin", true, 1, false, {"100.00 %"}},
      {5000, "X:\\mnt\\t\\f.bin", false, 1, true, {"81.92 %", "100.00 %"}},  // two 4,096-byte sectors
      {8192, "X:\\mnt\\t\\f.bin", false, 1, false, {"100.00 %", "100.00 %"}},
      {5000, "X:\\link\\f.bin", false, 1, true, {"81.92 %", "100.00 %"}},
  };
  for (const auto& c : cases) {
    resetFakeConsole();
    clearFaults();
    removePath(c.target);  // a new copy each time, which takes its name through its open handle
    fakeFiles.log.clear();
    std::string bytes = source(c.size);
    EXPECT_TRUE(copyFileUnbuffered("D:\\s\\f.bin", c.target)) << c.size;
    EXPECT_EQ(contentOf(c.target), bytes) << c.size;
    EXPECT_EQ(findNode(c.target)->lastWrite, sourceTime) << c.size;
    EXPECT_EQ(fakeFiles.faults.createBuffered.calls, c.cached ? 1 : 0) << c.size;
    EXPECT_EQ(fakeFiles.faults.createUnbuffered.calls, c.cached ? 0 : 1) << c.size;
    EXPECT_EQ(fakeFiles.faults.writeFile.calls, c.writes) << c.size;
    EXPECT_EQ(fakeFiles.faults.setEndOfFile.calls, c.endSet ? 1 : 0) << c.size;
    EXPECT_EQ(fakeFiles.faults.replaceFile.calls, 1) << c.size;
    ASSERT_GE(fakeFiles.log.size(), 2u);
    EXPECT_EQ(fakeFiles.log[fakeFiles.log.size() - 2].rfind("set-last-write ", 0), 0u) << c.size;
    EXPECT_EQ(fakeFiles.log.back().rfind("name-open ", 0), 0u) << c.size;
    EXPECT_EQ(progress(), c.shown) << c.size;
    EXPECT_EQ(rowText(5, 13, 6), "f.bin ");
    EXPECT_EQ(rowText(6, 13, 10), (std::string(groupDigits((int64_t)c.size)) + "          ").substr(0, 10));
    EXPECT_EQ(attrAt(7, 2), 15);
  }
}

TEST_F(UnbufferedCopy, LargeSectorsAndOneBufferForTheRun) {
  addVolume("Y:", 4096);
  addFolder("Y:\\t");
  std::string bytes = source(3 * 4096 + 17);
  EXPECT_TRUE(copyFileUnbuffered("D:\\s\\f.bin", "Y:\\t\\f.bin"));
  EXPECT_EQ(contentOf("Y:\\t\\f.bin"), bytes);
  EXPECT_TRUE(copy());
  EXPECT_TRUE(copyFileUnbuffered("D:\\s\\f.bin", "X:\\t\\g.bin"));
  EXPECT_EQ(fakeFiles.faults.alignedAlloc.calls, 1);
  EXPECT_EQ(fakeFiles.faults.sectorSize.calls, 2);  // once per volume
  EXPECT_EQ(fakeFiles.faults.volumeRoot.calls, 3);  // once a copy: only a tree walk knows a folder's volume
}

TEST_F(UnbufferedCopy, NameSizeAndSkipRule) {
  source(5000);
  EXPECT_TRUE(copy());
  EXPECT_EQ(rowText(5, 13, 6), "f.bin ");
  EXPECT_EQ(rowText(6, 13, 6), "5,000 ");
  resetFakeConsole();
  fakeFiles.log.clear();
  EXPECT_FALSE(copy());
  EXPECT_EQ(status(), "Already Copied!");
  EXPECT_EQ(rowText(6, 13, 5), "5,000");  // the size stands beside the skip
  EXPECT_TRUE(fakeFiles.log.empty());
}

// Also a FAT volume mounted in a folder of an NTFS one; and the free space
// asked is that of the volume the file lands on.
TEST_F(UnbufferedCopy, CoarseTimesOnFatVolumes) {
  addVolume("F:", 512, "FAT32");
  addVolume("X:\\fat", 512, "FAT32");
  std::string bytes = source(700);
  for (const char* copyPath : {"F:\\t\\f.bin", "X:\\fat\\t\\f.bin"}) {
    addFile(copyPath, bytes, sourceTime + 20000000);  // 2 s later, as FAT may round
    EXPECT_FALSE(copyFileUnbuffered("D:\\s\\f.bin", copyPath)) << copyPath;
    EXPECT_EQ(status(), "Already Copied!");
    findNode(copyPath)->lastWrite = sourceTime + 30000000;
    EXPECT_TRUE(copyFileUnbuffered("D:\\s\\f.bin", copyPath)) << copyPath;
  }
  // Elsewhere one second apart is another time.
  addFile(to, bytes, sourceTime + 10000000);
  EXPECT_TRUE(copy());
  fakeConsole.clock += 1000;
  fakeFiles.volumes["X:\\FAT"].freeBytes = 699;
  EXPECT_FALSE(copyFileUnbuffered("D:\\s\\f.bin", "X:\\fat\\t\\g.bin"));
  EXPECT_EQ(status(), "Disk Space Err!");
}

// A volume that refuses unbuffered I/O as unsupported, at the create or at
// the first write, gets whole copies through an ordinary handle, fresh or in
// place of a stale one (which stays whole until then, and no temporary file
// is left); the next file goes there at once.
TEST_F(UnbufferedCopy, VolumesRefusingUnbufferedIoGetOrdinaryCopies) {
  const struct {
    UnbufferedRefusal refusal;
    bool stale;
  } cases[] = {{refusesCreate, false}, {refusesCreate, true}, {refusesFirstWrite, false}, {refusesFirstWrite, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.refusal << (c.stale ? " stale" : " fresh"));
    TearDown();
    SetUp();
    fakeFiles.volumes["X:"].unbufferedRefused = c.refusal;
    std::string bytes = source(5000);
    if (c.stale) addFile(to, "older", 130000000000000000LL);
    EXPECT_TRUE(copy());
    expectGood(bytes);
    for (const auto& node : fakeFiles.nodes) EXPECT_FALSE(isTemporaryName(node.first.c_str())) << node.first;
    // The old copy is never opened or removed: its name is taken at the end.
    for (const std::string& entry : fakeFiles.log) {
      if (!c.stale) break;
      EXPECT_NE(entry, std::string("remove ") + to);
      EXPECT_NE(entry, std::string("create ") + to);
    }
    EXPECT_EQ(fakeFiles.faults.removeFile.calls, c.refusal == refusesFirstWrite ? 1 : 0);
    EXPECT_EQ(fakeFiles.faults.setEndOfFile.calls, 0);
    EXPECT_EQ(fakeFiles.faults.createBuffered.calls, 1);
    EXPECT_TRUE(copyFileUnbuffered("D:\\s\\f.bin", "X:\\t\\g.bin"));
    EXPECT_EQ(contentOf("X:\\t\\g.bin"), bytes);
    EXPECT_EQ(fakeFiles.faults.createUnbuffered.calls, 1);
    EXPECT_EQ(fakeFiles.faults.createBuffered.calls, 2);
  }
}

TEST_F(UnbufferedCopy, FailuresBeforeTheDestinationIsTouched) {
  source(3000);
  addFile(to, "older", 130000000000000000LL);
  fakeFiles.volumes["X:"].freeBytes = 2999;
  EXPECT_FALSE(copy());
  EXPECT_EQ(status(), "Disk Space Err!");
  fakeFiles.volumes["X:"].freeBytes = 1 << 30;

  fakeFiles.faults.openRead.arm(1);
  EXPECT_FALSE(copy());
  EXPECT_EQ(status(), "Open Error!    ");

  clearFaults();
  fakeFiles.faults.fileFacts.arm(1);
  EXPECT_FALSE(copy());
  EXPECT_EQ(status(), "Read Error!    ");

  clearFaults();
  fakeFiles.faults.sectorSize.arm(1);
  EXPECT_FALSE(copy());

  clearFaults();
  fakeFiles.faults.alignedAlloc.arm(1);
  EXPECT_FALSE(copy());

  clearFaults();
  findNode(to)->readOnly = true;
  EXPECT_FALSE(copy());
  EXPECT_EQ(status(), "Open Error!    ");
  findNode(to)->readOnly = false;

  // A network root that would not fit the root text cannot be asked.
  clearFaults();
  std::string share = "\\\\" + std::string(300, 's') + "\\share\\f.bin";
  EXPECT_FALSE(copyFileUnbuffered("D:\\s\\f.bin", share.c_str()));
  EXPECT_EQ(fakeFiles.faults.createUnbuffered.calls, 0);
  EXPECT_EQ(contentOf(to), "older");
  EXPECT_EQ(findNode(to)->lastWrite, 130000000000000000LL);
}

// Also when the platform cannot name the volume's root: then the current
// folder's volume is asked with no root.
TEST_F(UnbufferedCopy, RelativeDestinationUsesTheCurrentVolume) {
  for (bool rootFails : {false, true}) {
    TearDown();
    SetUp();
    addVolume("R:", 4096);
    addFolder("R:\\cur");
    fakeFiles.currentFolder = "R:\\cur";
    fakeFiles.faults.volumeRoot.arm(rootFails ? 1 : 0, true);
    std::string bytes = source(5000);
    EXPECT_TRUE(copyFileUnbuffered("D:\\s\\f.bin", "f.bin")) << rootFails;
    EXPECT_EQ(contentOf("R:\\cur\\f.bin"), bytes);
    EXPECT_EQ(fakeFiles.faults.writeFile.calls, 1);  // two 4096-byte sectors, the second padded
    EXPECT_EQ(fakeFiles.faults.volumeRoot.hits, rootFails ? 1 : 0);
  }
}

TEST_F(UnbufferedCopy, FailuresPartWayRemoveTheNewCopy) {
  std::string bytes = source(9 * 1024 * 1024 + 300);
  const struct {
    FakeFault FakeFaults::*site;
    int call;
    const char* word;
  } cases[] = {
      {&FakeFaults::readFile, 1, "Read Error!    "},  {&FakeFaults::readFile, 3, "Read Error!    "},  // 3: with the tail
      {&FakeFaults::shortRead, 2, "Read Error!    "}, {&FakeFaults::writeFile, 2, "Write Error!   "},
      {&FakeFaults::writeFile, 3, "Write Error!   "},  // the tail, padded to a sector
      {&FakeFaults::shortWrite, 1, "Write Error!   "}, {&FakeFaults::setEndOfFile, 1, "Write Error!   "},
      // A write held back by the system fails at the close.
      {&FakeFaults::closeWritten, 1, "Write Error!   "},
  };
  for (const auto& c : cases) {
    clearFaults();
    resetFakeConsole();
    (fakeFiles.faults.*c.site).arm(c.call);
    EXPECT_FALSE(copy()) << c.word << c.call;
    EXPECT_EQ((fakeFiles.faults.*c.site).hits, 1);
    EXPECT_FALSE(exists(to)) << c.word << c.call;
    EXPECT_EQ(status(), c.word);
    EXPECT_EQ(attrAt(7, 2), 12);
  }
  clearFaults();
  EXPECT_TRUE(copy());
  expectGood(bytes);
}

// When even the removal fails, the partial copy must not look current.
// It never bears the real name either: only its temporary one, which the
// next run clears.
TEST_F(UnbufferedCopy, APartialCopyThatCannotBeRemovedNeverGetsTheSourceTime) {
  source(5000);
  fakeFiles.faults.setEndOfFile.arm(1);
  fakeFiles.faults.removeFile.arm(1);
  EXPECT_FALSE(copy());
  EXPECT_FALSE(exists(to));
  std::string temporary = std::string(to) + ".vestro-tmp";
  ASSERT_TRUE(exists(temporary.c_str()));
  EXPECT_EQ(contentOf(temporary.c_str()).size(), 5120u);  // the tail's sector, padded
  EXPECT_NE(findNode(temporary.c_str())->lastWrite, sourceTime);
  EXPECT_EQ(status(), "Write Error!   ");
}

TEST_F(UnbufferedCopy, AStaleStatusNeverShowsMoreThan100) {
  std::string bytes = source(6 * 1024 * 1024);
  findNode("D:\\s\\f.bin")->reportedSize = 1000;
  EXPECT_TRUE(copy());
  expectGood(bytes);
  EXPECT_EQ(rowText(6, 13, 6), "1,000 ");
  for (const std::string& text : progress()) EXPECT_LE(text.size(), 8u) << text;
}
