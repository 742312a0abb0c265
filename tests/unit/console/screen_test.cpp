// Positioned text on a cell grid: cuts at line ends, clipping, blanks, the
// cursor, the batching of paints, and names laid out as characters where the
// console's code page is not the ANSI one.
#include "console/screen.h"

#include <gtest/gtest.h>

#include <string>

#include "console/cell_batch.h"
#include "copy/copy_screen.h"
#include "fake_code_page.h"
#include "fake_console.h"

class Screen : public ::testing::Test {
 protected:
  void SetUp() override { resetFakeConsole(); }
  void TearDown() override { useFakeCodePage(932); }
};

TEST_F(Screen, PaintsBytesWithTheAttributeWithoutMovingTheCursor) {
  moveCursor(9, 4);
  writeAt(2, 16, "E:\\PICTURE", 10);
  EXPECT_EQ(rowText(2, 16, 11), "E:\\PICTURE ");
  EXPECT_EQ(attrAt(2, 16), 10);
  EXPECT_EQ(attrAt(2, 25), 10);
  EXPECT_EQ(attrAt(2, 26), 7);
  EXPECT_EQ(fakeConsole.cursorX, 3);
  EXPECT_EQ(fakeConsole.cursorY, 8);
}

TEST_F(Screen, CutsAtTheFirstCarriageReturnThenLineFeed) {
  writeAt(1, 1, "ab\r\ncd", 15);
  EXPECT_EQ(rowText(1, 1, 4), "ab  ");
  writeAt(2, 1, "ab\ncd\rx", 15);
  EXPECT_EQ(rowText(2, 1, 4), "ab  ");
  writeAt(3, 1, "\nxyz", 15);
  writeAt(3, 1, "", 15);
  EXPECT_EQ(fakeConsole.paints, 2);
  writeAt(5, 2, "VERIFY DATA ERROR! (COPY ERROR COUNT = 3)\n", 15);
  EXPECT_EQ(rowText(5, 2, 42), "VERIFY DATA ERROR! (COPY ERROR COUNT = 3) ");
}

TEST_F(Screen, ClipsOneColumnShortOfTheEdge) {
  std::string fits(79, 'a');
  writeAt(1, 2, fits.c_str(), 15);
  EXPECT_EQ(rowText(1, 2, 79), fits);
  std::string over(80, 'b');
  writeAt(2, 2, over.c_str(), 15);
  EXPECT_EQ(rowText(2, 2, 79), std::string(78, 'b') + " ");
  writeAt(3, 80, "x", 15);
  EXPECT_EQ(rowText(3, 80, 1), "x");
  writeAt(4, 80, "xy", 15);
  writeAt(4, 81, "z", 15);
  EXPECT_EQ(rowText(4, 79, 4), "    ");
}

TEST_F(Screen, WidthIsTheWindowsOr80) {
  fakeConsole.windowLeft = 10;
  fakeConsole.windowRight = 49;  // 40 columns
  writeAt(1, 1, std::string(50, 'c').c_str(), 15);
  EXPECT_EQ(rowText(1, 1, 41), std::string(39, 'c') + "  ");
  fakeConsole.spanFails = true;
  writeAt(2, 1, std::string(90, 'd').c_str(), 15);
  EXPECT_EQ(rowText(2, 1, 80), std::string(79, 'd') + " ");
  fakeConsole.spanFails = false;
  fakeConsole.windowLeft = 50;
  fakeConsole.windowRight = 10;  // negative width counts as unknown
  writeAt(3, 1, std::string(90, 'e').c_str(), 15);
  EXPECT_EQ(rowText(3, 1, 80), std::string(79, 'e') + " ");
}

TEST_F(Screen, BlankCountsAndClipping) {
  for (int row = 1; row <= 4; ++row) writeAt(row, 1, std::string(80, '#').c_str(), 11);
  blankAt(1, 2, 0);
  blankAt(1, 2, 1);
  blankAt(1, 2, -5);
  EXPECT_EQ(rowText(1, 1, 3), "###");
  blankAt(2, 2, 2);
  EXPECT_EQ(rowText(2, 1, 3), "# #");
  EXPECT_EQ(attrAt(2, 2), 15);
  blankAt(3, 2, 80);
  EXPECT_EQ(rowText(3, 1, 80), "#" + std::string(79, ' '));
  EXPECT_EQ(attrAt(3, 80), 15);
  fakeConsole.windowRight = 59;
  blankAt(4, 2, 80);
  EXPECT_EQ(rowText(4, 1, 62), "#" + std::string(59, ' ') + "##");
}

TEST_F(Screen, CursorValuesBelowOneCountAsOne) {
  moveCursor(6, 1);
  EXPECT_EQ(fakeConsole.cursorX, 0);
  EXPECT_EQ(fakeConsole.cursorY, 5);
  moveCursor(0, -3);
  EXPECT_EQ(fakeConsole.cursorX, 0);
  EXPECT_EQ(fakeConsole.cursorY, 0);
}

TEST_F(Screen, RepaintAfterBlankingTheLongerTextLeavesNoRemnant) {
  const char* longer = "E:\\PICTURE\\2009\\SUMMER";
  writeAt(2, 16, longer, 10);
  blankAt(2, 16, (int)strlen(longer) + 1);
  writeAt(2, 16, "E:\\PICTURE", 10);
  EXPECT_EQ(rowText(2, 16, 25), "E:\\PICTURE" + std::string(15, ' '));
}

// With the clock standing still nothing reaches the console until the batch
// is flushed; then every cell is the same as when each paint went out alone.
TEST_F(Screen, HeldBackPaintsEndInTheSameCells) {
  auto paintAll = [] {
    writeAt(5, 2, "FILENAME = ", 11);
    for (int n = 0; n < 50; ++n) {
      blankAt(5, 13, 30);
      writeAt(5, 13, ("name" + std::to_string(n)).c_str(), 11);
      blankAt(7, 2, 16);
      writeAt(7, 2, (std::to_string(n * 2) + ".00 %").c_str(), 15);
    }
    writeAt(7, 2, "100.00 %", 15);
    flushScreen();
  };
  paintAll();
  ConsoleCell direct[10][100];
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 100; ++x) direct[y][x] = fakeConsole.grid[y][x];
  int directPaints = fakeConsole.paints;

  resetFakeConsole();
  fakeConsole.clockStep = 0;
  writeAt(1, 1, "x", 15);  // the first paint after a long wait goes out at once
  int before = fakeConsole.paints;
  writeAt(1, 1, " ", 7);
  paintAll();
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 100; ++x) {
      ASSERT_EQ(fakeConsole.grid[y][x].ch, direct[y][x].ch) << y << "," << x;
      ASSERT_EQ(fakeConsole.grid[y][x].attr, direct[y][x].attr) << y << "," << x;
    }
  EXPECT_LE(fakeConsole.paints - before, 4);
  EXPECT_GT(directPaints, 150);
}

TEST_F(Screen, PrintingComesAfterEveryHeldBackPaint) {
  fakeConsole.clockStep = 0;
  writeAt(1, 1, "x", 15);
  writeAt(6, 2, "painted", 14);
  EXPECT_EQ(attrAt(6, 2), 7);
  printText("line\n");
  EXPECT_EQ(attrAt(6, 2), 14);
  ASSERT_EQ(fakeConsole.printed.size(), 1u);
  EXPECT_EQ(fakeConsole.printed[0].text, "line\n");
}

namespace {

struct ConsoleCase {
  unsigned ansi;
  unsigned console;
  bool characters;  // painted as characters, not as the ANSI bytes
};

const ConsoleCase consoleCases[] = {
    {932, 932, false},     // a Japanese system
    {1252, 1252, false},
    {1252, 850, true},     // a Western system's console
    {65001, 65001, true},  // UTF-8 for worldwide language support
    {932, 65001, true},    // chcp 65001 on a Japanese system
};

struct ShownName {
  const char* sjis;  // the name in 932, 1252 and UTF-8; null where it cannot be spelt
  const char* latin;
  const char* utf8;
  std::u16string cells;  // as characters
  const char* halves;    // per cell: L leading, T trailing, . neither
};

const ShownName shownNames[] = {
    {"PICTURE", "PICTURE", "PICTURE", u"PICTURE", "......."},
    {nullptr, "Caf\xe9", "Caf\xc3\xa9", u"Caf\u00e9", "...."},
    {nullptr, "\x8cuvre\x89", "\xc5\x92uvre\xe2\x80\xb0", u"\u0152uvre\u2030", "......"},
    {"\x8f\xc6\x95\xd0", nullptr, "\xe7\x85\xa7\xe7\x89\x87", u"\u7167\u7167\u7247\u7247", "LTLT"},  // 照片
    {nullptr, nullptr, "\xec\x82\xac\xec\xa7\x84", u"\uc0ac\uc0ac\uc9c4\uc9c4", "LTLT"},              // 사진
    {"\xb6\xd2\xd7", nullptr, "\xef\xbd\xb6\xef\xbe\x92\xef\xbe\x97", u"\uff76\uff92\uff97", "..."},  // half-width ｶﾒﾗ
    {nullptr, nullptr, "x\xf0\x9f\x98\x80y", u"x\ufffdy", "..."},                                         // U+1F600
};

}  // namespace

// Each name replaces a longer one on the file name row: its cells and their
// halves, then blanks over the rest of the longer name, and a remembered
// width that blanks exactly what was painted.
TEST_F(Screen, NamesUnderEachConsoleCodePage) {
  const std::string longer(30, '#');
  for (const ConsoleCase& c : consoleCases) {
    for (const ShownName& name : shownNames) {
      const char* bytes = c.ansi == 932 ? name.sjis : c.ansi == 1252 ? name.latin : name.utf8;
      if (bytes == nullptr) continue;
      SCOPED_TRACE(std::to_string(c.ansi) + " on " + std::to_string(c.console) + ": " + name.utf8);
      resetFakeConsole();
      useFakeCodePage(c.ansi);
      fakeConsole.outputCodePage = c.console;
      lastNameWidth = 0;
      showFileName(longer.c_str());
      showFileName(bytes);
      std::u16string cells = name.cells;
      std::string halves = name.halves;
      if (!c.characters) {
        cells.clear();
        for (const char* b = bytes; *b; ++b) cells += (char16_t)(unsigned char)*b;
        halves = std::string(cells.size(), '.');
      }
      int n = (int)cells.size();
      EXPECT_EQ(cellsAt(5, 13, 31), cells + std::u16string(31 - n, u' '));
      for (int k = 0; k < n; ++k) {
        uint16_t half = halves[k] == 'L' ? 0x0100 : halves[k] == 'T' ? 0x0200 : 0;
        EXPECT_EQ(attrAt(5, 13 + k), 11 | half) << k;
      }
      EXPECT_EQ(attrAt(5, 13 + n), 15);
      EXPECT_EQ(lastNameWidth, n + 1);
      ASSERT_FALSE(fakeConsole.paintLog.empty());
      EXPECT_EQ(fakeConsole.paintLog.back().characters, c.characters);
    }
  }
}

// A double-width character that the clipping would cut leaves its first cell
// blank; one that fits ends in the last column; none starts there.
TEST_F(Screen, DoubleWidthCharacterNeverCutInTwo) {
  useFakeCodePage(65001);
  const struct {
    int column;
    const char* text;
    std::u16string cells;  // columns 77 to 80
  } edges[] = {
      {78, "\xe7\x85\xa7\xe7\x89\x87", u"\u2591\u7167\u7167\u2591"},  // 照 whole, 片 clipped
      {79, "\xe7\x85\xa7\xe7\x89\x87", u"\u2591\u2591 \u2591"},        // 照 would be cut
      {78, "x\xe7\x85\xa7", u"\u2591x\u7167\u7167"},                       // fits to the edge
      {80, "\xe7\x85\xa7", u"\u2591\u2591\u2591\u2591"},                  // nowhere to start
  };
  for (const auto& edge : edges) {
    SCOPED_TRACE(edge.column);
    resetFakeConsole();
    for (int column = 77; column <= 80; ++column) fakeConsole.grid[0][column - 1] = ConsoleCell{0x2591, 7};
    writeAt(1, edge.column, edge.text, 10);
    EXPECT_EQ(cellsAt(1, 77, 4), edge.cells);
  }
}
