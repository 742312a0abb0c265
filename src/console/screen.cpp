// Positioned console text.
#include "console/screen.h"

#include <string.h>

#include "console/cell_batch.h"
#include "console/char_cells.h"
#include "platform/console_os.h"

char messageBuffer[520];

namespace {

const int layoutCells = 2 * 520;  // a full buffer of double-width characters

// The cells text takes (cut at its first CR, then its first LF): a cell a
// byte, or its characters laid out by display width.
int layOut(const char* text, uint16_t attribute, bool characters, ConsoleCell* cells) {
  char work[520];
  size_t length = strlen(text);
  if (length > sizeof work - 1) length = sizeof work - 1;
  memcpy(work, text, length);
  work[length] = 0;
  char* cut = strchr(work, '\r');
  if (cut) *cut = 0;
  cut = strchr(work, '\n');
  if (cut) *cut = 0;
  int len = (int)strlen(work);
  if (characters) return layCharacters(work, len, attribute, cells, layoutCells);
  for (int k = 0; k < len; ++k) {
    cells[k].ch = (unsigned char)work[k];
    cells[k].attr = attribute;
  }
  return len;
}

}  // namespace

void writeAt(int row, int column, const char* text, uint16_t attribute) {
  ConsoleCell cells[layoutCells];
  bool characters = paintsCharacters();
  int total = layOut(text, attribute, characters, cells);
  int width = windowWidth();
  // A text that does not fit stops one column short of the window's edge.
  int count = (column - 1 + total <= width) ? total : width - column;
  if (count <= 0) return;
  // There, a double-width character cut in two leaves its first cell blank.
  if (count < total && (cells[count - 1].attr & cellLeadingHalf)) cells[count - 1] = ConsoleCell{' ', attribute};
  queueCells(column - 1, row - 1, cells, count, characters);
}

int cellsOf(const char* text) {
  ConsoleCell cells[layoutCells];
  return layOut(text, 0, paintsCharacters(), cells);
}

void blankAt(int row, int column, int count) {
  if (count < 2) return;
  // Each blank is clipped on its own: painted up to the window's last
  // column, skipped beyond it. Neighbouring blanks go out as one run.
  int width = windowWidth();
  int last = column + count - 2;
  if (last > width) last = width;
  int first = column < 1 ? 1 : column;
  if (first > last) return;
  bool characters = paintsCharacters();
  ConsoleCell blank = {' ', 15};
  ConsoleCell cells[64];
  for (int k = 0; k < 64; ++k) cells[k] = blank;
  for (int at = first; at <= last; at += 64) {
    int run = last - at + 1 < 64 ? last - at + 1 : 64;
    queueCells(at - 1, row - 1, cells, run, characters);
  }
}

bool moveCursor(int row, int column) {
  int x = column >= 1 ? column - 1 : 0;
  int y = row >= 1 ? row - 1 : 0;
  flushCells();
  return osPlaceCursor(x, y);
}

bool printsToConsole() {
  int left = 0;
  int right = 0;
  return osWindowSpan(&left, &right);
}

void printText(const char* text) {
  flushCells();
  osPrintText(text, paintsCharacters());
}

void clearScreen() {
  dropCells();
  osClearScreen();
}

void flushScreen() { flushCells(); }

void holdScreen() { holdCells(); }

void releaseScreen() { releaseCells(); }
