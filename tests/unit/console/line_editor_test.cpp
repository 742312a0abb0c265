// The line editor against the scripted keyboard and the console grid.
#include "console/line_editor.h"

#include <gtest/gtest.h>
#include <string.h>

#include <random>
#include <string>

#include "fake_code_page.h"
#include "fake_console.h"

namespace {

const std::string left = "\xe0K";
const std::string right = "\xe0M";
const std::string insertKey = "\xe0R";
const std::string deleteKey = "\xe0S";
const std::string hyo = "\x95\x5c";  // a two-byte character whose second byte is a backslash

struct Edit {
  std::string text;
  size_t keysRead;
  int cursorColumn;  // 1-based column of the cursor when the edit ended
};

// Edits into a heap block of exactly len + 1 bytes, so that the sanitizer
// sees any step outside it.
Edit edit(int row, int column, int len, const std::string& keys) {
  resetFakeConsole();
  fakeConsole.keys = keys;
  char* buffer = new char[len + 1];
  memset(buffer, 'z', len + 1);
  editLine(row, column, buffer, len);
  Edit e{std::string(buffer, strnlen(buffer, len + 1)), fakeConsole.keyAt, fakeConsole.cursorX + 1};
  EXPECT_LE(e.text.size(), (size_t)len) << "no NUL within len + 1 bytes";
  EXPECT_EQ(fakeConsole.keysPastScript, 0) << "read past the script";
  delete[] buffer;
  return e;
}

Edit menuKey(const std::string& keys) { return edit(9, 3, 1, keys); }

}  // namespace

TEST(OneKeyField, ATypedCharacterEndsAtOnce) {
  Edit e = menuKey("dX");
  EXPECT_EQ(e.text, "d");
  EXPECT_EQ(e.keysRead, 1u);
  ASSERT_EQ(fakeConsole.printed.size(), 1u);
  EXPECT_EQ(fakeConsole.printed[0].text, "d");
  EXPECT_EQ(fakeConsole.printed[0].x, 2);
  EXPECT_EQ(fakeConsole.printed[0].y, 8);
  EXPECT_EQ(menuKey("\x7f").text, "\x7f");
  EXPECT_EQ(printedText(), "\x7f");
}

TEST(OneKeyField, EndingKeysLeaveItEmpty) {
  for (char key : std::string("\t\n\r\x1b", 4)) {
    Edit e = menuKey(std::string(1, key) + "X");
    EXPECT_EQ(e.text, "") << (int)key;
    EXPECT_EQ(e.keysRead, 1u) << (int)key;
    EXPECT_EQ(printedText(), "");
  }
}

TEST(OneKeyField, TwoByteCharacterHasNoRoom) {
  Edit e = menuKey(hyo + "X");
  EXPECT_EQ(e.text, "");
  EXPECT_EQ(e.keysRead, 2u);
  EXPECT_EQ(printedText(), "");
}

TEST(OneKeyField, MovesDeletionsAndIgnoredBytesKeepWaiting) {
  std::string keys = left + right + "\x08" + deleteKey + std::string("\0M", 2) + std::string("\0K", 2) +
                     "\xe0G" + "\x01\x1c\x1f\x80\xa0\xa1\xdf\xfd\xff" + "%";
  Edit e = menuKey(keys);
  EXPECT_EQ(e.text, "%");
  EXPECT_EQ(e.keysRead, keys.size());
  EXPECT_EQ(printedText(), "%");
}

TEST(OneKeyField, InsertedBlankIsRepaintedAndRightEndsWithIt) {
  Edit e = menuKey(insertKey + right + "X");
  EXPECT_EQ(e.text, " ");
  EXPECT_EQ(e.keysRead, 4u);
  EXPECT_EQ(attrAt(9, 3), 15);
  EXPECT_EQ(attrAt(9, 4), 7);
  EXPECT_EQ(printedText(), "");
}

TEST(NoField, ReadsNothingAndLeavesTheBuffer) {
  resetFakeConsole();
  fakeConsole.keys = "a";
  char buffer[2] = {'q', 'r'};
  editLine(1, 1, buffer, 0);
  editLine(1, 1, buffer, -5);
  EXPECT_EQ(buffer[0], 'q');
  EXPECT_EQ(buffer[1], 'r');
  EXPECT_EQ(fakeConsole.keyAt, 0u);
}

TEST(TenByteField, OverwriteAfterMovingLeftThenDelete) {
  Edit e = edit(4, 20, 10, "abc" + left + left + "x\r");
  EXPECT_EQ(e.text, "axc");
  EXPECT_EQ(e.cursorColumn, 22);  // before c
  std::string echoed;
  for (const PrintedText& p : fakeConsole.printed) echoed += p.text + "@" + std::to_string(p.x) + " ";
  EXPECT_EQ(echoed, "a@19 b@20 c@21 x@20 ");
  EXPECT_EQ(fakeConsole.paints, 0) << "typing alone repaints nothing";
  e = edit(4, 20, 10, "abc" + left + left + "x" + deleteKey + "\r");
  EXPECT_EQ(e.text, "ax");
  EXPECT_EQ(e.cursorColumn, 22);
  EXPECT_EQ(rowText(4, 20, 10), "ax        ");
  for (int column = 20; column <= 28; ++column) EXPECT_EQ(attrAt(4, column), 15) << column;
  EXPECT_EQ(attrAt(4, 29), 7) << "the blank count is len, not len + 1";
}

TEST(TenByteField, BackspaceAndTheEnds) {
  Edit e = edit(4, 20, 10, "\x08" "ab\x08" "c\r");
  EXPECT_EQ(e.text, "ac");
  e = edit(4, 20, 10, "abc" + left + left + "\x08\r");
  EXPECT_EQ(e.text, "bc");
  EXPECT_EQ(e.cursorColumn, 20);
  // Right at the end of the text stays; typing the tenth byte ends the edit.
  e = edit(4, 20, 10, "ab" + right + right + "cdefghijX");
  EXPECT_EQ(e.text, "abcdefghij");
  EXPECT_EQ(e.keysRead, 14u);
  // Right onto the last byte of a full field ends it too.
  e = edit(4, 20, 3, "ab" + left + left + insertKey + right + right + right + "X");
  EXPECT_EQ(e.text, " ab");
  EXPECT_EQ(e.keysRead, 2 + 4 + 2 + 6u);
}

TEST(TwoByteCharacters, MovedOverAndDeletedWhole) {
  std::string start = "a" + hyo + left + left;  // cursor at 0
  EXPECT_EQ(edit(4, 20, 10, start + right + "\r").cursorColumn, 21);
  EXPECT_EQ(edit(4, 20, 10, start + right + right + "\r").cursorColumn, 23);
  EXPECT_EQ(edit(4, 20, 10, start + right + right + left + "\r").cursorColumn, 21);
  EXPECT_EQ(edit(4, 20, 10, "a" + hyo + left + "\r").cursorColumn, 21);
  EXPECT_EQ(edit(4, 20, 10, start + right + deleteKey + "\r").text, "a");
  EXPECT_EQ(edit(4, 20, 10, "a" + hyo + "b" + left + "\x08\r").text, "ab");
  Edit e = edit(4, 20, 10, "a" + hyo + "\x08\r");
  EXPECT_EQ(e.text, "a");
  EXPECT_EQ(e.cursorColumn, 21);
}

TEST(TwoByteCharacters, EchoedAsAPairAndOverwrittenWhole) {
  Edit e = edit(4, 20, 10, "a" + hyo + "b\r");
  EXPECT_EQ(e.text, "a" + hyo + "b");
  ASSERT_EQ(fakeConsole.printed.size(), 3u);
  EXPECT_EQ(fakeConsole.printed[1].text, hyo);
  EXPECT_EQ(fakeConsole.printed[1].x, 20);
  EXPECT_EQ(fakeConsole.printed[2].x, 22);
  // A printable byte typed on the lead byte blanks the second byte too.
  e = edit(4, 20, 10, "a" + hyo + "b" + left + left + "x\r");
  EXPECT_EQ(e.text, "ax b");
  EXPECT_EQ(fakeConsole.printed.back().text, "x ");
  EXPECT_EQ(fakeConsole.printed.back().x, 20);
  EXPECT_EQ(e.cursorColumn, 22);
}

TEST(TwoByteCharacters, NoRoomForTheSecondByteEndsTheEdit) {
  Edit e = edit(4, 20, 3, "ab" + hyo + "X");
  EXPECT_EQ(e.text, "ab");
  EXPECT_EQ(e.keysRead, 4u);
  e = edit(4, 20, 4, "ab" + hyo + "X");
  EXPECT_EQ(e.text, "ab" + hyo);
  EXPECT_EQ(e.keysRead, 4u);
}

// A one-byte code page shows its accented letters: they are typed like
// ASCII. Under 932 the same byte starts a pair, and 0xE0 stays the prefix
// of an extended key everywhere.
TEST(TypedBytes, AccentedLettersAndPairsAsTheCodePageHasThem) {
  useFakeCodePage(1252);
  Edit e = edit(4, 10, 10, "\xe9t\x81\xe9" + left + "\xfc\r");
  EXPECT_EQ(e.text, "\xe9t\xfc");
  useFakeCodePage(936);
  e = edit(4, 10, 10, "a\xb1\xed\xfe\x41" + left + "\r");
  EXPECT_EQ(e.text, "a\xb1\xed\xfe\x41");
  EXPECT_EQ(e.cursorColumn, 10 + 3);
  useFakeCodePage(932);
  e = edit(4, 10, 10, "\xe9t\r");
  EXPECT_EQ(e.text, "\xe9t");
  EXPECT_EQ(fakeConsole.printed.size(), 1u);  // echoed as one pair
}

TEST(InsertOnAFullText, DropsTheLastByteAndCutsALeadByteLeftThere) {
  std::string home = left + left + left;
  Edit e = edit(4, 20, 4, "abc" + home + insertKey + insertKey + "\r");
  EXPECT_EQ(e.text, "  ab");
  EXPECT_EQ(rowText(4, 20, 4), "  ab");
  // " a" + pair fills the field; the next Insert would leave half the pair.
  e = edit(4, 20, 4, "a" + hyo + home + insertKey + "\r");
  EXPECT_EQ(e.text, " a" + hyo);
  e = edit(4, 20, 4, "a" + hyo + home + insertKey + insertKey + "\r");
  EXPECT_EQ(e.text, "  a");
  EXPECT_EQ(rowText(4, 20, 3), "  a");
  // The last byte is judged by its value alone: a second byte in the lead
  // range is cut although it ends a whole character.
  e = edit(4, 20, 5, "a\x83\x81" "b" + home + insertKey + insertKey + "\r");
  EXPECT_EQ(e.text, "  a\x83");
  // Typing on a full text overwrites; Delete shortens it again.
  e = edit(4, 20, 4, "abc" + home + insertKey + "x" + deleteKey + "\r");
  EXPECT_EQ(e.text, "xbc");
}

TEST(Bounds, RandomKeysStayInsideLenPlusOneBytes) {
  const std::string alphabet[] = {"a", "%", "\x7f", hyo, "\x83\x81", "\xfc\xfc", left, right,
                                  insertKey, deleteKey, "\x08", "\x01", "\xa5", "\xe9", std::string("\0S", 2)};
  std::mt19937 random(7);
  for (int len = 1; len <= 6; ++len) {
    for (int round = 0; round < 400; ++round) {
      const unsigned pages[] = {932, 1252, 949};
      useFakeCodePage(pages[round % 3]);
      std::string keys;
      for (int k = 0; k < 12; ++k) keys += alphabet[random() % (sizeof alphabet / sizeof alphabet[0])];
      resetFakeConsole();
      fakeConsole.keys = keys;
      char block[32];
      memset(block, 0x5a, sizeof block);
      char* buffer = block + 8;
      editLine(2, 70, buffer, len);
      for (int k = 0; k < 8; ++k) ASSERT_EQ(block[k], 0x5a) << "before the buffer, len " << len;
      for (int k = 8 + len + 1; k < 32; ++k) ASSERT_EQ(block[k], 0x5a) << "after len + 1, len " << len;
      ASSERT_LE(strnlen(buffer, len + 1), (size_t)len);
      // Whatever the keys, the field's cells stay inside it.
      for (int column = 1; column <= 80; ++column)
        if (column < 70 || column >= 70 + len) ASSERT_EQ(attrAt(2, column), 7) << column;
    }
  }
  useFakeCodePage(932);
}
