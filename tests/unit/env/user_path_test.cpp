// Registration of the program's folder in the user's search path, against
// the in-memory registry.
#include "env/user_path.h"

#include <gtest/gtest.h>
#include <stdint.h>

#include <random>
#include <string>
#include <vector>

#include "fake_code_page.h"
#include "fake_registry.h"
#include "text/chars.h"

class UserPath : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFakeRegistry();
    programFolder[0] = 0;
  }
  void TearDown() override {
    EXPECT_EQ(fakeRegistry.openKeys, 0) << "a key was left open";
    EXPECT_EQ(fakeRegistry.strayCloses, 0);
  }
  // One run of a new process.
  int freshRun() {
    programFolder[0] = 0;
    return registerInUserPath();
  }
  // Asserts that a run leaves the value as it was, bytes and type.
  void expectLeftAlone(int expected) {
    std::string before = fakeRegistry.data;
    RegistryType type = fakeRegistry.type;
    EXPECT_EQ(freshRun(), expected);
    EXPECT_EQ(fakeRegistry.data, before);
    EXPECT_EQ(fakeRegistry.type, type);
    EXPECT_EQ(fakeRegistry.openWrite.calls, 0);
  }
};

// A value of total bytes made of 255-byte entries.
static std::string manyEntries(size_t total) {
  std::string value;
  while (value.size() + 256 < total) value += std::string(255, 'y') + ";";
  return value + std::string(total - value.size(), 'y');
}

struct Rewrite {
  const char* program;
  std::string value;
  RegistryType type;
  std::string expected;
};

TEST_F(UserPath, RewritesAsExpandableTextWithTheFolderLast) {
  const std::string long259 = "C:\\" + std::string(256, 'x');
  const std::string fills = manyEntries(4086);  // with ";D:\Tools": 4095 bytes
  const Rewrite cases[] = {
      {nullptr, "", regExpandText, "D:\\Tools"},
      {nullptr, "C:\\Windows", regText, "C:\\Windows;D:\\Tools"},
      {nullptr, "D:\\Windows;;\"D:\\My Tools\";", regExpandText, "D:\\Windows;D:\\My Tools;D:\\Tools"},
      {nullptr, ";;C:\\A;;;C:\\B;;", regExpandText, "C:\\A;C:\\B;D:\\Tools"},
      {nullptr, "D:\\Tools\\;%USERPROFILE%\\Tools", regExpandText, "D:\\Tools\\;%USERPROFILE%\\Tools;D:\\Tools"},
      {nullptr, long259, regExpandText, long259 + ";D:\\Tools"},
      {nullptr, fills, regExpandText, fills + ";D:\\Tools"},
      {nullptr, "C:\\A", regBinary, "C:\\A;D:\\Tools"},
      {"D:\\prog.exe", "C:\\A", regExpandText, "C:\\A;D:"},
      {"D:\\Tools\\\\vestro.exe", "C:\\A", regExpandText, "C:\\A;D:\\Tools"},
      // The 0x5C that ends the folder is the second byte of a character.
      {"D:\\\x8e\xca\x90\x5e\x95\x5c\\vestro.exe", "C:\\A", regExpandText, "C:\\A;D:\\\x8e\xca\x90\x5e\x95\x5c"},
      // The second bytes 'A' and 'a' belong to two different characters.
      {"D:\\\x83\x41\\vestro.exe", "D:\\\x83\x61", regExpandText, "D:\\\x83\x61;D:\\\x83\x41"},
      {"D:\\a;b\\vestro.exe", "C:\\A", regExpandText, "C:\\A;\"D:\\a;b\""},
  };
  for (const Rewrite& c : cases) {
    SCOPED_TRACE(c.value.substr(0, 40));
    resetFakeRegistry();
    if (c.program) fakeRegistry.programPath = c.program;
    setPathText(c.value, c.type);
    EXPECT_EQ(freshRun(), 1);
    EXPECT_EQ(fakeRegistry.type, regExpandText);
    EXPECT_EQ(fakeRegistry.data, c.expected + '\0');
    // The next run finds the folder listed and writes nothing.
    EXPECT_EQ(freshRun(), 1);
    EXPECT_EQ(fakeRegistry.stored.size(), 1u);
  }
}

TEST_F(UserPath, NumberBecomesItsSignedText) {
  const int32_t numbers[] = {5, -7, INT32_MIN};
  const char* expected[] = {"5;D:\\Tools", "-7;D:\\Tools", "-2147483648;D:\\Tools"};
  for (int k = 0; k < 3; ++k) {
    setPathNumber(numbers[k]);
    EXPECT_EQ(freshRun(), 1);
    EXPECT_EQ(fakeRegistry.data, std::string(expected[k]) + '\0');
  }
}

TEST_F(UserPath, ListedFolderWritesNothing) {
  const std::string listed[] = {
      "C:\\A;d:\\tools", "D:\\TOOLS;C:\\B", "\"D:\\Tools\"",
      // Found before the scan reaches what could not be carried over.
      std::string("D:\\Tools\0C:\\B\0\0", 15),
      "\"C:\\x;y\";D:\\Tools",
  };
  for (const std::string& value : listed) {
    SCOPED_TRACE(value);
    setPathData(value + '\0', value.find('\0') != std::string::npos ? regMultiText : regExpandText);
    expectLeftAlone(1);
  }
}

// A folder whose name ends in a byte that 932 takes for a lead byte (which
// would take the backslash after it, or the ';') is, in a one-byte code
// page, a name like any other: registered, and found listed the next time.
TEST_F(UserPath, FolderNamesInTheirOwnCodePage) {
  useFakeCodePage(1252);
  fakeRegistry.programPath = "C:\\Caf\xe9\\vestro.exe";
  setPathText("C:\\A");
  EXPECT_EQ(freshRun(), 1);
  EXPECT_EQ(fakeRegistry.data, std::string("C:\\A;C:\\Caf\xe9\0", 13));
  resetFakeRegistry();
  fakeRegistry.programPath = "C:\\Caf\xe9\\vestro.exe";
  setPathText("C:\\Caf\xe9;D:\\x");
  expectLeftAlone(1);
  useFakeCodePage(950);  // 0xA5 0x5C is one character: no backslash is cut from it
  fakeRegistry.programPath = "C:\\\xa5\x5c\\vestro.exe";
  setPathText("C:\\A");
  EXPECT_EQ(freshRun(), 1);
  EXPECT_EQ(fakeRegistry.data, std::string("C:\\A;C:\\\xa5\x5c\0", 11));
  useFakeCodePage(932);
}

TEST_F(UserPath, MissingValueIsNeverCreated) {
  EXPECT_EQ(freshRun(), 0);
  EXPECT_FALSE(fakeRegistry.hasPath);
  EXPECT_EQ(fakeRegistry.opens, 1);
}

TEST_F(UserPath, ProgramFolderIsFoundOnce) {
  setPathText("C:\\A");
  EXPECT_EQ(registerInUserPath(), 1);
  EXPECT_STREQ(programFolder, "D:\\Tools");
  fakeRegistry.programPath = "E:\\Other\\vestro.exe";
  EXPECT_EQ(registerInUserPath(), 1);
  EXPECT_EQ(fakeRegistry.programPathFault.calls, 1);
  EXPECT_EQ(fakeRegistry.stored.size(), 1u);
}

TEST_F(UserPath, UnusableModulePathTouchesNothing) {
  setPathText("C:\\A");
  fakeRegistry.programPathFault.arm(1);
  expectLeftAlone(0);
  EXPECT_EQ(fakeRegistry.opens, 0);
  // 259 bytes still fit; 260 come back cut short.
  std::string path = "D:\\" + std::string(245, 'p') + "\\vestro.exe";
  ASSERT_EQ(path.size(), 259u);
  fakeRegistry.programPath = path + "x";
  expectLeftAlone(0);
  fakeRegistry.programPath = "\\vestro.exe";  // no folder left to list
  expectLeftAlone(0);
  fakeRegistry.programPath = path;
  EXPECT_EQ(freshRun(), 1);
  EXPECT_EQ(fakeRegistry.data, "C:\\A;" + path.substr(0, 248) + '\0');
}

TEST_F(UserPath, EveryRegistryFailureEndsWithZeroAndClosedKeys) {
  FakeFault FakeRegistry::*faults[] = {&FakeRegistry::openRead, &FakeRegistry::query, &FakeRegistry::openWrite,
                                       &FakeRegistry::set};
  for (FakeFault FakeRegistry::*fault : faults) {
    resetFakeRegistry();
    setPathText("C:\\A");
    (fakeRegistry.*fault).arm(1);
    EXPECT_EQ(freshRun(), 0);
    EXPECT_EQ(fakeRegistry.data, std::string("C:\\A") + '\0');
    EXPECT_EQ(fakeRegistry.openKeys, 0);
  }
}

TEST_F(UserPath, ValuesThatCannotBeCarriedOverStayByteForByte) {
  const std::string x260(260, 'x');
  const std::string values[] = {
      "C:\\A;" + x260 + ";C:\\B",                    // would come back in two pieces
      "\"" + std::string(259, 'x') + "\";C:\\B",      // the limit stops at the closing quote
      "\"" + std::string(259, 'x') + ";y\"",           // ... or at a ';' inside quotes
      std::string(257, 'x') + "\x81\"\"\x81;C:\\B",  // ... or at a ';' that is a second byte
      "C:\\A;\"\";C:\\B", "C:\\A;\"\"\"\"", "C:\\A;\"\"",  // quotes alone end the scan
      "C:\\A;\"C:\\x;y\";C:\\B", "C:\\A;\"C:\\B;C:\\C",   // a ';' inside quotes
      "C:\\A\x81\"\";C:\\B", "C:\\A;C:\\B\x81",           // a lone lead byte would take the ';'
      manyEntries(4087),                                // 4096 bytes once the folder is added
      std::string(4096, 'z'),                           // fills the read without a NUL
  };
  for (const std::string& value : values) {
    SCOPED_TRACE(value.substr(0, 40));
    setPathData(value.size() == 4096 ? value : value + '\0', regExpandText);
    expectLeftAlone(0);
  }
  setPathData(std::string("C:\\A\0C:\\B\0\0", 11), regMultiText);
  expectLeftAlone(0);
  setPathData(std::string("C:\\A\0\0", 6), regMultiText);
  expectLeftAlone(0);
  setPathData(std::string("C:\\A\0C:\\B\0", 10), regText);  // bytes after the text's NUL
  expectLeftAlone(0);
}

// The entries a value stands for, read without any limit: split at each ';'
// that is a character of its own outside double quotes; quotes dropped,
// empty entries skipped.
static std::vector<std::string> entriesOf(const std::string& value) {
  std::vector<std::string> entries;
  std::string entry;
  bool quoted = false;
  size_t charStart = 0;
  for (size_t i = 0; i < value.size(); ++i) {
    bool own = i == charStart;
    if (own) charStart += isLeadByte((unsigned char)value[i]) ? 2 : 1;
    if (value[i] == '"') {
      quoted = !quoted;
    } else if (value[i] == ';' && own && !quoted) {
      if (!entry.empty()) entries.push_back(entry);
      entry.clear();
    } else {
      entry += value[i];
    }
  }
  if (!entry.empty()) entries.push_back(entry);
  return entries;
}

TEST(RewritePathValue, EveryEntryComesBackWholeAndInOrder) {
  std::mt19937 random(20261208);
  const std::string pieces[] = {"a", "B", ";", ";", "\\", "\"", "\x81", "\x95\x5c", std::string(130, 'x')};
  const char* folders[] = {"D:\\Tools", "D:\\a;b", "D:\\\x95\x5c", "a"};
  const int sizes[] = {4096, 300, 24};
  int rewritten = 0;
  for (int round = 0; round < 8000; ++round) {
    bool plain = round % 2 == 0;  // short entries without quotes or double-byte characters
    std::string value;
    int count = 1 + random() % 12;
    for (int k = 0; k < count; ++k) value += pieces[random() % (plain ? 5 : 9)];
    const char* folder = folders[random() % 4];
    int size = plain ? 4096 : sizes[random() % 3];
    std::vector<char> result(size);
    PathRewrite outcome = rewritePathValue(value.c_str(), folder, result.data(), size);
    SCOPED_TRACE("value [" + value + "] folder [" + folder + "]");
    if (plain) {
      ASSERT_NE(outcome, pathKept);
    }
    if (outcome != pathRewritten) continue;
    ++rewritten;
    std::vector<std::string> expected = entriesOf(value);
    expected.push_back(folder);
    ASSERT_EQ(entriesOf(result.data()), expected);
    std::vector<char> again(4096);
    ASSERT_EQ(rewritePathValue(result.data(), folder, again.data(), 4096), pathListed);
  }
  EXPECT_GT(rewritten, 2000) << rewritten;
}
