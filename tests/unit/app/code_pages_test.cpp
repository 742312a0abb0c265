// The whole program under the ANSI code pages of Japanese, Western, Chinese,
// Korean and Taiwanese systems and UTF-8: names that end in a byte of the
// Shift-JIS lead range, or whose second byte is a backslash, stay whole; on a
// console of another code page, or of UTF-8, the header shows their characters.
#include <string>
#include <vector>

#include "app/path_checks.h"
#include "app/run.h"
#include "fake_code_page.h"
#include "fake_console.h"
#include "text/path_text.h"
#include "vestro_test.h"

namespace {

struct Page {
  unsigned number;
  std::string folder;  // each ends in a byte that 932 would take for a lead byte or a backslash
  std::string file;
  unsigned console;           // the console's code page; 0: the ANSI one
  std::u16string shownFolder;  // as the header shows it where characters are painted
};

const Page pages[] = {
    {932, "\x83\x5c", "\x95\x5c", 0, u""},                      // ソ, 表 (second bytes 0x5C)
    {1252, "Caf\xe9", "No\xebl \xe0 Paris", 850, u"Caf\u00e9"},  // Café, Noël à Paris
    {936, "\xd5\xd5\xc6\xac", "\xb1\xed", 0, u""},              // 照片, 表
    {949, "\xbb\xe7\xc1\xf8", "\xc6\xfa\xb4\xf5", 0, u""},      // 사진, 폴더
    {950, "\xa5\x5c", "\xaa\xed", 0, u""},                      // 功 (second byte 0x5C), 表
    {65001, "Caf\xc3\xa9", "\xd0\x81", 0, u"Caf\u00e9"},         // Café, Ё in UTF-8
    {65001, "\xe7\x85\xa7\xe7\x89\x87", "\xd0\x81", 0, u"\u7167\u7167\u7247\u7247"},  // 照片
};

class CodePages : public VestroTest {
 protected:
  int run(const std::string& from, const std::string& to) {
    const char* argv[] = {"vestro.exe", from.c_str(), to.c_str()};
    return runVestro(3, (char**)argv);
  }
  void fresh(const Page& page) {
    TearDown();
    VestroTest::SetUp();
    useFakeCodePage(page.number);
    fakeConsole.outputCodePage = page.console;
  }
};

TEST_F(CodePages, TreeCopiedWholeAndVerified) {
  for (const Page& page : pages) {
    SCOPED_TRACE(page.number);
    fresh(page);
    std::string from = "D:\\" + page.folder;
    addFile((from + "\\" + page.file).c_str(), patternBytes(1000, 1));
    addFile((from + "\\" + page.folder + "\\" + page.file).c_str(), patternBytes(5000, 2));
    EXPECT_EQ(run(from, "X:\\" + page.folder), 0);
    EXPECT_EQ(rowText(5, 2, 42), "VERIFY DATA SUCCESS! (REAL COPY COUNT = 2)") << printedText();
    if (!page.shownFolder.empty()) {
      // The header of the last level, over the longer one of the folder inside.
      size_t n = page.shownFolder.size();
      EXPECT_EQ(cellsAt(2, 16, 2 * n + 5), u"D:\\" + page.shownFolder + std::u16string(n + 2, u' '));
      EXPECT_EQ(cellsAt(3, 16, 2 * n + 5), u"X:\\" + page.shownFolder + std::u16string(n + 2, u' '));
    }
    std::string to = "X:\\" + page.folder;
    EXPECT_EQ(contentOf((to + "\\" + page.file).c_str()), patternBytes(1000, 1));
    EXPECT_EQ(contentOf((to + "\\" + page.folder + "\\" + page.file).c_str()), patternBytes(5000, 2));
    EXPECT_EQ(listNames(to.c_str()), (std::vector<std::string>{page.file, page.folder}));
  }
}

TEST_F(CodePages, FileModeCopiesUnderItsOwnName) {
  for (const Page& page : pages) {
    SCOPED_TRACE(page.number);
    fresh(page);
    std::string from = "D:\\" + page.folder + "\\" + page.file;
    addFile(from.c_str(), patternBytes(777, 3));
    addFolder("X:\\out");
    EXPECT_EQ(run(from, "X:\\out\\"), 0);
    EXPECT_EQ(rowText(7, 2, 8), "100.00 %");
    EXPECT_EQ(listNames("X:\\out"), std::vector<std::string>{page.file});
    EXPECT_EQ(contentOf(("X:\\out\\" + page.file).c_str()), patternBytes(777, 3));
  }
}

TEST_F(CodePages, SameNestingRefusedAndTrailingBackslashes) {
  for (const Page& page : pages) {
    SCOPED_TRACE(page.number);
    fresh(page);
    std::string from = "D:\\" + page.folder;
    addFolder(from.c_str());
    EXPECT_EQ(run(from + "\\", from + "\\sub"), -1);
    EXPECT_EQ(printedText(), "TO_FOLDER[" + from + "\\sub] IS A SUBFOLDER OF THE FROM_FOLDER(" + from + ").\n");
    // Only a real backslash at the end is dropped; a second byte 0x5C stays.
    PathBuffer path;
    ASSERT_TRUE(normaliseArgument(from.c_str(), path));
    EXPECT_EQ(std::string(path), from);
    ASSERT_TRUE(normaliseArgument((from + "\\").c_str(), path));
    EXPECT_EQ(std::string(path), from);
  }
}

}  // namespace
