// Keyboard line editor.
#include "console/line_editor.h"

#include <string.h>

#include "console/screen.h"
#include "platform/console_os.h"
#include "text/chars.h"

namespace {

const int extendedLeft = 0x4B;
const int extendedRight = 0x4D;
const int extendedInsert = 0x52;
const int extendedDelete = 0x53;

struct Field {
  int row;
  int column;
  char* text;
  int len;
  int at;  // edit position: a byte offset, shown in column column + at
};

bool leadAt(const Field& f, int offset) { return isLeadByte((unsigned char)f.text[offset]); }

void echo(const Field& f, const char* bytes) {
  moveCursor(f.row, f.column + f.at);
  printText(bytes);
}

void repaint(const Field& f) {
  blankAt(f.row, f.column, f.len);
  writeAt(f.row, f.column, f.text, 15);
}

void moveLeft(Field& f) {
  if (f.at < 1) return;
  --f.at;
  if (isTrailByte(f.text, f.at)) --f.at;
}

void moveRight(Field& f) {
  if (f.text[f.at] == 0) return;
  ++f.at;
  if (isTrailByte(f.text, f.at)) ++f.at;
}

void insertBlank(Field& f) {
  memmove(f.text + f.at + 1, f.text + f.at, f.len - 1 - f.at);
  f.text[f.at] = ' ';
  // Judged by value alone: a second byte in the lead range is cut as well.
  if (leadAt(f, f.len - 1))
    f.text[f.len - 1] = 0;
  else
    f.text[f.len] = 0;
  repaint(f);
}

void deleteChar(Field& f) {
  int width = leadAt(f, f.at) ? 2 : 1;
  int k = f.at;
  for (; k + width < f.len; ++k) f.text[k] = f.text[k + width];
  for (; k < f.len; ++k) f.text[k] = 0;
  repaint(f);
}

void handleExtended(Field& f, int code) {
  if (code == extendedLeft) {
    moveLeft(f);
  } else if (code == extendedRight) {
    moveRight(f);
  } else if (code == extendedInsert) {
    insertBlank(f);
  } else if (code == extendedDelete) {
    deleteChar(f);
  }
}

void typePrintable(Field& f, int key) {
  char shown[3] = {(char)key, 0, 0};
  if (isTrailByte(f.text, f.at + 1)) {
    // Overwriting the first half of a two-byte character replaces all of it.
    f.text[f.at + 1] = ' ';
    shown[1] = ' ';
  }
  f.text[f.at] = (char)key;
  echo(f, shown);
  ++f.at;
}

// Returns false when the key ends the edit.
bool handleKey(Field& f, int key) {
  if (key == 0x00 || key == 0xE0) {
    handleExtended(f, osReadKey());
  } else if (isLeadByte((unsigned char)key)) {
    // 0xE0 was taken above: it always starts an extended key.
    int second = osReadKey();
    if (f.at >= f.len - 1) return false;
    f.text[f.at] = (char)key;
    f.text[f.at + 1] = (char)second;
    char shown[3] = {(char)key, (char)second, 0};
    echo(f, shown);
    f.at += 2;
  } else if (key == 0x09 || key == 0x0A || key == 0x0D || key == 0x1B) {
    return false;
  } else if (key == 0x08) {
    if (f.at >= 1) {
      moveLeft(f);
      deleteChar(f);
    }
  } else if ((key >= 0x20 && key <= 0x7F) || isShownHighByte((unsigned char)key)) {
    // Above 0x7F only what a one-byte code page shows (an accented letter).
    typePrintable(f, key);
  }
  // Every other byte (controls, and under 932 0x80, half-width katakana and
  // 0xFD-0xFF) is ignored.
  return true;
}

}  // namespace

void editLine(int row, int column, char* buffer, int len) {
  if (len < 1) return;
  // The byte after the field too, so that a text typed to the full length
  // is terminated as well.
  memset(buffer, 0, len + 1);
  Field f = {row, column, buffer, len, 0};
  for (;;) {
    moveCursor(row, column + f.at);
    if (!handleKey(f, osReadKey())) return;
    if (f.at >= len) return;
  }
}
