// Positioned console text.
#include "console/screen.h"

#include <string.h>

#include "console/cell_batch.h"
#include "platform/console_os.h"

char messageBuffer[520];

void writeAt(int row, int column, const char* text, uint16_t attribute) {
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
  int width = windowWidth();
  // A text that does not fit stops one column short of the window's edge.
  int count = (column - 1 + len <= width) ? len : width - column;
  if (count <= 0) return;
  ConsoleCell cells[520];
  for (int k = 0; k < count; ++k) {
    cells[k].ch = work[k];
    cells[k].attr = attribute;
  }
  queueCells(column - 1, row - 1, cells, count);
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
  ConsoleCell blank = {' ', 15};
  ConsoleCell cells[64];
  for (int k = 0; k < 64; ++k) cells[k] = blank;
  for (int at = first; at <= last; at += 64) {
    int run = last - at + 1 < 64 ? last - at + 1 : 64;
    queueCells(at - 1, row - 1, cells, run);
  }
}

bool moveCursor(int row, int column) {
  int x = column >= 1 ? column - 1 : 0;
  int y = row >= 1 ? row - 1 : 0;
  flushCells();
  return osPlaceCursor(x, y);
}

void printText(const char* text) {
  flushCells();
  osPrintText(text);
}

void clearScreen() {
  dropCells();
  osClearScreen();
}

void flushScreen() { flushCells(); }
