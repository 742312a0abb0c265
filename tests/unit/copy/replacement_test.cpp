// Replacing what stands at a file's destination, in both copies: never
// through it, only by a whole new copy, and never by following a link.
#include "copy/replacement.h"

#include <string.h>

#include <string>
#include <vector>

#include "copy/stream_copy.h"
#include "text/chars.h"
#include "text/path_text.h"
#include "vestro_test.h"

namespace {

const char* const from = "D:\\s\\f.bin";
const char* const to = "X:\\t\\f.bin";
const char* const temporary = "X:\\t\\f.bin.vestro-tmp";
const int64_t oldTime = 130000000000000000LL;

struct Mode {
  const char* name;
  bool (*copy)(const char*, const char*);
};

bool unbuffered(const char* source, const char* destination) { return copyFileUnbuffered(source, destination); }
bool stream(const char* source, const char* destination) { return copySingleFile(source, destination); }

const Mode modes[] = {{"file mode", stream}, {"tree mode", unbuffered}};

}  // namespace

class Replacement : public VestroTest {
 protected:
  std::string bytes;
  void SetUp() override {
    VestroTest::SetUp();
    bytes = patternBytes(9 * 1024 * 1024 + 300);
    addFile(from, bytes, 132500000012345678LL);
    addFile("D:\\s\\other.bin", "another source file", 132400000000000000LL);
    addFolder("X:\\t");
  }
  void fresh() {
    TearDown();
    SetUp();
  }
  std::string status() { return rowText(7, 2, 15); }
};

// A fault at every step of a replacement: the old copy stays byte for byte
// with its time, the temporary file goes, the status word tells the step,
// and the file does not count as copied.
TEST_F(Replacement, AFaultAtEveryStepKeepsTheOldCopy) {
  const struct {
    int mode;
    FakeFault FakeFaults::*site;
    int call;
    const char* word;
  } cases[] = {
      {0, &FakeFaults::openStreamWrite, 1, "Open Error!    "}, {0, &FakeFaults::readStream, 2, "Read Error!    "},
      {0, &FakeFaults::writeStream, 3, "Write Error!   "},     {0, &FakeFaults::shortWrite, 1, "Write Error!   "},
      {0, &FakeFaults::closeWritten, 1, "Write Error!   "},    {0, &FakeFaults::setFileTimes, 1, "Write Error!   "},
      {0, &FakeFaults::replaceFile, 1, "Open Error!    "},     {1, &FakeFaults::createUnbuffered, 1, "Open Error!    "},
      {1, &FakeFaults::readFile, 3, "Read Error!    "},       {1, &FakeFaults::shortRead, 2, "Read Error!    "},
      {1, &FakeFaults::writeFile, 2, "Write Error!   "},      {1, &FakeFaults::shortWrite, 1, "Write Error!   "},
      {1, &FakeFaults::setEndOfFile, 1, "Write Error!   "},   {1, &FakeFaults::setLastWrite, 1, "Write Error!   "},
      {1, &FakeFaults::closeWritten, 1, "Write Error!   "},   {1, &FakeFaults::replaceFile, 1, "Open Error!    "},
  };
  for (const auto& c : cases) {
    fresh();
    addFile(to, "older copy", oldTime);
    (fakeFiles.faults.*c.site).arm(c.call);
    bool copied = modes[c.mode].copy(from, to);
    SCOPED_TRACE(std::string(modes[c.mode].name) + ", " + c.word + std::to_string(c.call));
    EXPECT_EQ((fakeFiles.faults.*c.site).hits, 1);
    EXPECT_FALSE(copied);
    EXPECT_EQ(contentOf(to), "older copy");
    EXPECT_EQ(findNode(to)->lastWrite, oldTime);
    EXPECT_EQ(listNames("X:\\t"), std::vector<std::string>{"f.bin"});
    EXPECT_EQ(status(), c.word);
    EXPECT_EQ(attrAt(7, 2), 12);
  }
}

// Something put in a name's place before the copy, and whether the copy is
// then made.
struct Placement {
  const char* what;
  void (*place)();
  bool copied;
};

// Places c, copies in mode and checks the source drive is as it was and
// whether the copy was made.
static void copyOverPlacement(const Mode& mode, const Placement& c) {
  c.place();
  std::string before = treeState("D:\\");
  bool copied = mode.copy(from, to);
  EXPECT_EQ(treeState("D:\\"), before);
  EXPECT_EQ(copied, c.copied);
}

// What stood at the destination (an old copy, a second name or a link of
// another source file, a link that leads nowhere) gives up its name to a
// real copy; the file it led to is not touched. A second name of the source
// itself is already a current copy, and nothing is written.
TEST_F(Replacement, WhateverBoreTheNameBecomesARealCopy) {
  const Placement cases[] = {
      {"an old copy", [] { addFile(to, "older copy", oldTime); }, true},
      {"a second name of another source file", [] { addHardLink(to, "D:\\s\\other.bin"); }, true},
      {"a link to another source file", [] { addFileLink(to, "D:\\s\\other.bin"); }, true},
      {"a link into the source that leads nowhere", [] { addFileLink(to, "D:\\s\\gone.bin"); }, true},
      {"a second name of the source itself", [] { addHardLink(to, from); }, false},
      {"a link to the source itself", [] { addFileLink(to, from); }, false},
  };
  for (const Mode& mode : modes) {
    for (const auto& c : cases) {
      fresh();
      SCOPED_TRACE(std::string(mode.name) + ": " + c.what);
      copyOverPlacement(mode, c);
      EXPECT_EQ(fakeFiles.faults.removeFile.calls, 0);
      EXPECT_EQ(listNames("X:\\t"), std::vector<std::string>{"f.bin"});
      if (!c.copied) {
        EXPECT_EQ(status(), "Already Copied!");
        continue;
      }
      EXPECT_TRUE(findName(to)->linkTo.empty());
      EXPECT_EQ(contentOf(to), bytes);
      // Where the status saw nothing (a link leading nowhere), tree mode
      // first tries to name the copy through its open handle.
      bool unseen = strstr(c.what, "nowhere") && mode.copy == unbuffered;
      EXPECT_EQ(fakeFiles.faults.replaceFile.calls, unseen ? 2 : 1);
      EXPECT_EQ(status(), "100.00 %       ");
    }
  }
}

// A temporary file that a stopped run left is the program's own and goes,
// once its real location shows it is a file of that folder. One that is a
// link is never followed (a removal would remove what it leads to): that
// file is not replaced this time, and the old copy stays.
TEST_F(Replacement, LeftoversOfAStoppedRunAndLinksInTheirPlace) {
  const Placement cases[] = {
      {"a partial copy", [] { addFile(temporary, "part of a cop", oldTime); }, true},
      {"a second name of a source file", [] { addHardLink(temporary, "D:\\s\\other.bin"); }, true},
      {"a link to a source file", [] { addFileLink(temporary, "D:\\s\\other.bin"); }, false},
      {"a folder", [] { addFolder(temporary); }, false},
  };
  for (const Mode& mode : modes) {
    for (const auto& c : cases) {
      fresh();
      addFile(to, "older copy", oldTime);
      SCOPED_TRACE(std::string(mode.name) + ": " + c.what);
      copyOverPlacement(mode, c);
      EXPECT_EQ(contentOf(to), c.copied ? bytes : "older copy");
      EXPECT_EQ(exists(temporary), !c.copied);
      if (!c.copied) EXPECT_EQ(status(), "Open Error!    ");
    }
  }
}

// What a later run may meet: another program holding the new copy or a
// leftover for a moment or for longer, a read-only old copy, a leftover of
// a killed replacement on a volume with room for one new copy only, names
// too long for the ordinary temporary name. Whatever is not replaced keeps
// its old copy whole, and no temporary file stays.
TEST_F(Replacement, EveryCopyThatCanBeMadeCanBeReplaced) {
  static std::string copy;
  const struct {
    const char* what;
    std::string name;
    void (*place)();
    bool replaced;
    bool waits;
    bool written = true;  // false: what cannot be replaced is known before the copy is made
  } cases[] = {
      {"rename held for a moment", "f.bin", [] { fakeFiles.heldRenames = 3; }, true, true},
      {"rename held for longer", "f.bin", [] { fakeFiles.heldRenames = 100; }, false, true},
      {"a read-only old copy", "f.bin", [] { findNode(copy.c_str())->readOnly = true; }, false, false, false},
      {"an old copy the user may not delete", "f.bin", [] { findNode(copy.c_str())->deleteDenied = true; }, false,
       false, false},
      {"a leftover held for a moment", "f.bin",
       [] {
         addFile(temporary, "part of a copy", oldTime);
         fakeFiles.heldRemovals = 2;
       },
       true, true},
      {"a leftover on a volume with room for one copy", "f.bin",
       [] {
         addFile(temporary, std::string(5 << 20, 'p'), oldTime);
         fakeFiles.volumes["X:"].freeBytes = (9 << 20) + 300 - (5 << 20) + 1000;
       },
       true, false},
      {"a 250-byte name", std::string(246, 'n') + ".bin", [] {}, true, false},
      {"a 255-byte name", std::string(251, 'n') + ".bin", [] {}, true, false},
  };
  for (const Mode& mode : modes) {
    for (const auto& c : cases) {
      fresh();
      copy = "X:\\t\\" + c.name;
      addFile(copy.c_str(), "older copy", oldTime);
      c.place();
      SCOPED_TRACE(std::string(mode.name) + ": " + c.what);
      std::string before = treeState("D:\\");
      EXPECT_EQ(mode.copy(from, copy.c_str()), c.replaced);
      EXPECT_EQ(treeState("D:\\"), before);
      EXPECT_EQ(contentOf(copy.c_str()), c.replaced ? bytes : "older copy");
      EXPECT_EQ(listNames("X:\\t"), std::vector<std::string>{c.name});
      EXPECT_EQ(status(), c.replaced ? "100.00 %       " : "Open Error!    ");
      EXPECT_EQ(fakeConsole.slept > 0, c.waits);
      EXPECT_LE(fakeConsole.slept, 1000u);
      const FakeFaults& f = fakeFiles.faults;
      EXPECT_EQ(f.openStreamWrite.calls + f.createUnbuffered.calls + f.createBuffered.calls > 0, c.written);
    }
  }
}

// A new copy bears its name only once it is whole and has its time: while
// its bytes are written, the name is free. A folder bearing the name is
// known before anything is written.
TEST_F(Replacement, ANewCopyBearsItsNameOnlyWhole) {
  for (const Mode& mode : modes) {
    for (int k = 0; k < (mode.copy == unbuffered ? 2 : 1); ++k) {
      bool handleRenameFails = k == 1;  // tree mode only names a copy through its handle
      fresh();
      SCOPED_TRACE(std::string(mode.name) + (handleRenameFails ? ", no rename through the handle" : ""));
      bool nameSeen = false;
      fakeFiles.hook = [&](const std::string& op, const std::string&) { nameSeen |= op == "read" && exists(to); };
      if (handleRenameFails) fakeFiles.faults.replaceFile.arm(1);
      EXPECT_TRUE(mode.copy(from, to));
      fakeFiles.hook = nullptr;
      EXPECT_FALSE(nameSeen);
      EXPECT_EQ(contentOf(to), bytes);
      EXPECT_EQ(listNames("X:\\t"), std::vector<std::string>{"f.bin"});
    }
    fresh();
    addFolder(to);
    EXPECT_FALSE(mode.copy(from, to));
    EXPECT_EQ(status(), "Open Error!    ");
    EXPECT_EQ(fakeFiles.faults.openStreamWrite.calls + fakeFiles.faults.createUnbuffered.calls, 0);
    EXPECT_TRUE(findNode(to)->folder);
  }
}

// File mode refuses a source of the temporary names' form, as tree mode
// does: its copy would pass for a leftover and be removed.
TEST_F(Replacement, FileModeRefusesTheTemporaryForm) {
  addFile("D:\\s\\b.txt.vestro-tmp", "a source file", oldTime);
  EXPECT_FALSE(copySingleFile("D:\\s\\b.txt.vestro-tmp", "X:\\t\\b.txt.vestro-tmp"));
  EXPECT_EQ(status(), "Open Error!    ");
  EXPECT_TRUE(listNames("X:\\t").empty());
}

TEST_F(Replacement, TemporaryNames) {
  PathBuffer name;
  EXPECT_TRUE(temporaryNameFor("X:\\t\\a.jpg", name));
  EXPECT_STREQ(name, "X:\\t\\a.jpg.vestro-tmp");
  EXPECT_TRUE(isTemporaryName(name));
  EXPECT_TRUE(isTemporaryName("A.JPG.VESTRO-TMP"));
  EXPECT_FALSE(isTemporaryName("a.jpg.vestro-tm"));
  EXPECT_FALSE(isTemporaryName("vestro-tmp"));
  // A name that the ending would make too long for one name, or for a path,
  // gets a short one, the same for every letter case of the name.
  std::string folder = "X:\\t\\";
  EXPECT_TRUE(temporaryNameFor((folder + std::string(244, 'n')).c_str(), name));
  EXPECT_EQ(std::string(name), folder + std::string(244, 'n') + ".vestro-tmp");
  EXPECT_TRUE(temporaryNameFor((folder + std::string(245, 'n')).c_str(), name));
  EXPECT_EQ(strlen(name), folder.size() + 20);
  EXPECT_TRUE(isTemporaryName(name));
  PathBuffer twin;
  EXPECT_TRUE(temporaryNameFor(("X:\\T\\" + std::string(245, 'N')).c_str(), twin));
  EXPECT_STREQ(baseNameOf(twin), baseNameOf(name));
  std::string deep = "X:\\" + std::string(487, 'd') + "\\" + std::string(28, 'n');  // 519 bytes
  EXPECT_TRUE(temporaryNameFor(deep.c_str(), name));
  EXPECT_EQ(strlen(name), 511u);
  deep = "X:\\" + std::string(497, 'd') + "\\" + std::string(18, 'n');
  EXPECT_FALSE(temporaryNameFor(deep.c_str(), name));  // would not fit a path: never cut
}
