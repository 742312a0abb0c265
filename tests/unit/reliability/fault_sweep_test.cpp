// Fails every fallible platform call of a whole run in turn (once, and from
// that call on) and checks after each run that nothing was lost or passed
// off as copied.
#include <stdio.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/run.h"
#include "copy/replacement.h"
#include "vestro_test.h"

namespace {

struct Site {
  const char* name;
  FakeFault FakeFaults::*fault;
};

const Site sites[] = {
    {"status", &FakeFaults::status},
    {"access", &FakeFaults::access},
    {"make folder", &FakeFaults::makeFolder},
    {"remove", &FakeFaults::removeFile},
    {"free space", &FakeFaults::freeBytes},
    {"sector size", &FakeFaults::sectorSize},
    {"file system", &FakeFaults::fileSystem},
    {"open stream read", &FakeFaults::openStreamRead},
    {"open stream write", &FakeFaults::openStreamWrite},
    {"read stream", &FakeFaults::readStream},
    {"write stream", &FakeFaults::writeStream},
    {"set times", &FakeFaults::setFileTimes},
    {"open read", &FakeFaults::openRead},
    {"create unbuffered", &FakeFaults::createUnbuffered},
    {"create buffered", &FakeFaults::createBuffered},
    {"read", &FakeFaults::readFile},
    {"write", &FakeFaults::writeFile},
    {"file facts", &FakeFaults::fileFacts},
    {"set end of file", &FakeFaults::setEndOfFile},
    {"set last write", &FakeFaults::setLastWrite},
    {"list first", &FakeFaults::listFirst},
    {"list next", &FakeFaults::listNext},
    {"folder identity", &FakeFaults::folderIdentity},
    {"folder id", &FakeFaults::folderId},
    {"replace", &FakeFaults::replaceFile},
    {"real location", &FakeFaults::realLocation},
    {"close written", &FakeFaults::closeWritten},
    {"short read", &FakeFaults::shortRead},
    {"short write", &FakeFaults::shortWrite},
    {"alloc", &FakeFaults::alloc},
    {"aligned alloc", &FakeFaults::alignedAlloc},
};

struct SourceFile {
  std::string source;
  std::string copy;
  std::string bytes;
  int64_t lastWrite;
  std::string oldBytes;  // what stood at the copy's name before the run, if anything
  bool hadOld;
};

int runs = 0;
int faults = 0;

// The last row-7 text painted for each file name shown on row 5.
std::map<std::string, std::string> finalStatusByName() {
  std::map<std::string, std::string> status;
  std::string current;
  for (const PaintedRun& run : fakeConsole.paintLog) {
    bool blank = run.text.find_first_not_of(' ') == std::string::npos;
    if (run.y == 4 && run.x == 12 && !blank) current = run.text;
    if (run.y == 6 && run.x == 1 && !blank && !current.empty()) status[current] = run.text;
  }
  return status;
}

class FaultSweep : public VestroTest {
 protected:
  std::vector<SourceFile> files;

  void source(const char* path, const char* copy, size_t size) {
    std::string bytes = patternBytes(size, (int)files.size() + 3);
    int64_t time = 132500000000000000LL + (int64_t)files.size() * 123456789;
    addFile(path, bytes, time);
    files.push_back(SourceFile{path, copy, bytes, time, "", false});
  }

  // What stands at a copy's name before the run: an old copy, or a second
  // name of another source file.
  void standing(const char* copy, const std::string& old) {
    for (SourceFile& f : files)
      if (f.copy == copy) {
        f.oldBytes = old;
        f.hadOld = true;
      }
  }

  void treeWorld() {
    files.clear();
    source("D:\\src\\empty.txt", "X:\\dst\\empty.txt", 0);
    source("D:\\src\\one.bin", "X:\\dst\\one.bin", 1000);
    source("D:\\src\\sub\\big.bin", "X:\\dst\\sub\\big.bin", 4194404);
    source("D:\\src\\sub\\deeper\\small.txt", "X:\\dst\\sub\\deeper\\small.txt", 100);
    addFolder("D:\\src\\emptydir");
    // Replaced, not written through: a stale copy, and a second name of a
    // source file where another file's copy belongs.
    addFile("X:\\dst\\one.bin", "an old copy of one.bin", 132400000000000000LL);
    standing("X:\\dst\\one.bin", "an old copy of one.bin");
    addHardLink("X:\\dst\\empty.txt", "D:\\src\\sub\\big.bin");
    standing("X:\\dst\\empty.txt", files[2].bytes);
  }

  void fileWorld() {
    files.clear();
    if (overOldCopy) {
      source("D:\\photos\\a.jpg", "X:\\backup\\a.jpg", 70000);
      addFile("X:\\backup\\a.jpg", "an old copy", 132400000000000000LL);
      standing("X:\\backup\\a.jpg", "an old copy");
    } else {
      source("D:\\photos\\a.jpg", "X:\\backup\\a.jpg", 4 * 1024 * 1024 + 5);
    }
  }
  bool overOldCopy = false;

  int run(const char* from, const char* to) {
    const char* argv[] = {"vestro.exe", from, to};
    return runVestro(3, (char**)argv);
  }

  void resetWorld(bool tree) {
    TearDown();
    VestroTest::SetUp();
    if (tree) treeWorld();
    else fileWorld();
  }

  // Everything a run must guarantee, whatever failed.
  void check(const std::string& what, int code, bool tree) {
    std::string printed = printedText();
    bool refused = code == -1;
    if (refused) {
      EXPECT_TRUE(printed.rfind("FROM_FOLDER[", 0) == 0 || printed.rfind("TO_FOLDER[", 0) == 0) << what << printed;
      EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << what;
      EXPECT_EQ(fakeConsole.clears, 0) << what;
    } else {
      EXPECT_TRUE(code == 0 || code == 1) << what << ": exit code " << code;
    }
    std::map<std::string, std::string> painted = finalStatusByName();
    int good = 0;
    std::set<std::string> bad;
    for (const SourceFile& f : files) {
      FakeNode* original = findNode(f.source.c_str());
      ASSERT_TRUE(original) << what;
      EXPECT_EQ(original->bytes, f.bytes) << what << " source changed: " << f.source;
      FakeNode* copy = findNode(f.copy.c_str());
      bool equal = copy && !copy->folder && copy->bytes == f.bytes;
      good += equal;
      if (!equal) bad.insert(f.source);
      bool carriesTime = copy && (tree ? copy->lastWrite == f.lastWrite
                                       : statusSeconds(copy->lastWrite) == statusSeconds(f.lastWrite));
      EXPECT_TRUE(!carriesTime || equal) << what << ": " << f.copy << " has the source's time, not its bytes";
      // Whatever stood at the copy's name is there whole until a whole copy
      // takes its place; a new copy bears its name only whole and with its time.
      if (f.hadOld) EXPECT_TRUE(copy && (equal || copy->bytes == f.oldBytes)) << what << ": " << f.copy << " partial";
      else EXPECT_TRUE(!copy || (equal && carriesTime)) << what << ": " << f.copy << " bears its name unfinished";
      // 0 only when every file is current.
      if (code == 0) EXPECT_TRUE(equal && carriesTime) << what << ": exit code 0 without " << f.copy;
      std::string name = f.source.substr(f.source.rfind('\\') + 1);
      if (painted.count(name) && painted[name] == "100.00 %")
        EXPECT_TRUE(equal) << what << ": " << name << " shown as done but differs";
    }
    if (fakeFiles.faults.removeFile.hits == 0)
      for (const auto& node : fakeFiles.nodes)
        EXPECT_FALSE(isTemporaryName(node.first.c_str())) << what << ": left " << node.first;
    for (const std::string& entry : fakeFiles.log) {
      std::string path = entry.substr(entry.find(' ') + 1);
      if (entry.rfind("list ", 0) == 0) continue;
      EXPECT_TRUE(path.rfind("X:\\", 0) == 0 || path.rfind("x:\\", 0) == 0) << what << ": wrote " << entry;
    }
    if (!tree || refused) return;
    EXPECT_LE(runTally.realCopyCount, good) << what;
    std::string verdict = rowText(5, 2, 20);
    EXPECT_EQ(code, verdict == "VERIFY DATA SUCCESS!" ? 0 : 1) << what;
    if (verdict == "VERIFY DATA SUCCESS!") {
      EXPECT_TRUE(bad.empty()) << what << ": success with " << *bad.begin() << " not copied";
      return;
    }
    EXPECT_EQ(verdict, "VERIFY DATA ERROR! (") << what;
    if (runTally.copyErrorCount == 0 && printed.empty()) return;  // the source could not be listed at all
    for (const std::string& missing : bad) {
      bool listed = false;
      for (std::string folder = missing; !listed && folder.size() > 3; folder = folder.substr(0, folder.rfind('\\')))
        listed = printed.find(" " + folder + "\n") != std::string::npos;
      EXPECT_TRUE(listed) << what << ": " << missing << " not listed";
    }
  }

  void sweep(bool tree, const char* from, const char* to) {
    for (const Site& site : sites) {
      for (int persistent = 0; persistent < 2; ++persistent) {
        for (int call = 1;; ++call) {
          resetWorld(tree);
          (fakeFiles.faults.*site.fault).arm(call, persistent != 0);
          int code = run(from, to);
          int hits = (fakeFiles.faults.*site.fault).hits;
          ++runs;
          faults += hits;
          if (hits == 0) break;
          std::string what = std::string(site.name) + (persistent ? " from call " : " at call ") + std::to_string(call);
          check(what, code, tree);
          if (HasFailure()) return;
          ASSERT_LT(call, 2000) << site.name;
        }
      }
    }
  }
};

TEST_F(FaultSweep, TreeMode) {
  runs = faults = 0;
  sweep(true, "D:\\src", "X:\\dst");
  printf("tree mode sweep: %d runs, %d faults injected\n", runs, faults);
  RecordProperty("runs", runs);
  RecordProperty("faults", faults);
  EXPECT_GT(faults, 200);
}

TEST_F(FaultSweep, FileMode) {
  runs = faults = 0;
  sweep(false, "D:\\photos\\a.jpg", "X:\\backup");
  printf("file mode sweep: %d runs, %d faults injected\n", runs, faults);
  RecordProperty("runs", runs);
  RecordProperty("faults", faults);
  EXPECT_GT(faults, 30);
}

TEST_F(FaultSweep, FileModeOverAnOldCopy) {
  runs = faults = 0;
  overOldCopy = true;
  sweep(false, "D:\\photos\\a.jpg", "X:\\backup");
  printf("file mode sweep over an old copy: %d runs, %d faults injected\n", runs, faults);
  EXPECT_GT(faults, 30);
}

TEST_F(FaultSweep, ReferenceRunsAreClean) {
  treeWorld();
  check("no fault", run("D:\\src", "X:\\dst"), true);
  EXPECT_EQ(runTally.realCopyCount, 4);
  EXPECT_EQ(rowText(5, 2, 42), "VERIFY DATA SUCCESS! (REAL COPY COUNT = 4)");
  EXPECT_TRUE(findName("X:\\dst\\empty.txt")->linkTo.empty());
  EXPECT_EQ(contentOf("X:\\dst\\empty.txt"), "");
}

// Files that change between their status and their copy.
TEST_F(FaultSweep, SourcesThatShrinkGrowOrVanish) {
  treeWorld();
  fakeFiles.hook = [](const std::string& op, const std::string& key) {
    if (op == "read" && key == "D:\\SRC\\SUB\\BIG.BIN") {
      FakeNode* node = findNode("D:\\src\\sub\\big.bin");
      node->bytes.resize(3000);
      node->lastWrite += 30000000;
    }
    if (op == "open" && key == "D:\\SRC\\ONE.BIN") removePath("D:\\src\\one.bin");
    if (op == "read" && key == "D:\\SRC\\SUB\\DEEPER\\SMALL.TXT") {
      FakeNode* node = findNode("D:\\src\\sub\\deeper\\small.txt");
      node->bytes += "grown";
      node->lastWrite += 50000000;
    }
  };
  EXPECT_EQ(run("D:\\src", "X:\\dst"), 1);
  fakeFiles.hook = nullptr;
  EXPECT_EQ(contentOf("X:\\dst\\one.bin"), "an old copy of one.bin");  // it vanished: the old copy stays
  EXPECT_FALSE(exists("X:\\dst\\sub\\big.bin"));  // shrank under the copy: the partial copy went
  // The file that vanished is no longer in the source to be listed.
  EXPECT_EQ(rowText(5, 2, 41), "VERIFY DATA ERROR! (COPY ERROR COUNT = 2)");
  EXPECT_EQ(printedText(), " D:\\src\\sub\\big.bin\n D:\\src\\sub\\deeper\\small.txt\n");

  resetWorld(false);
  fakeFiles.hook = [](const std::string& op, const std::string&) {
    FakeNode* node = findNode("D:\\photos\\a.jpg");
    if (op == "read" && node->bytes.size() > 10) {
      node->bytes.resize(10);
      node->lastWrite += 30000000;
    }
  };
  EXPECT_EQ(run("D:\\photos\\a.jpg", "X:\\backup"), 0);
  fakeFiles.hook = nullptr;
  EXPECT_EQ(contentOf("X:\\backup\\a.jpg"), files[0].bytes.substr(0, 10));
  EXPECT_NE(statusSeconds(findNode("X:\\backup\\a.jpg")->lastWrite), statusSeconds(findNode("D:\\photos\\a.jpg")->lastWrite));
}

}  // namespace
