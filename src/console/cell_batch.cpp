// Shadow rows of painted cells, written out in runs.
#include "console/cell_batch.h"

#include <string.h>

#include "text/code_page.h"

uint32_t paintInterval = 100;

namespace {

const int shadowRows = 64;
const int shadowColumns = 1024;

ConsoleCell shadow[shadowRows][shadowColumns];
bool dirty[shadowRows][shadowColumns];
int dirtyFirst[shadowRows];
int dirtyLast[shadowRows];  // -1 when the row holds nothing
bool anyDirty = false;
bool widthKnown = false;
int knownWidth = 80;
bool modeKnown = false;
bool knownMode = false;
bool heldCharacters = false;  // how the queued cells are to be painted
uint32_t lastFlush = 0;
bool rowsReady = false;
int holding = 0;

void prepareRows() {
  if (rowsReady) return;
  for (int y = 0; y < shadowRows; ++y) dirtyLast[y] = -1;
  rowsReady = true;
}

}  // namespace

int windowWidth() {
  if (!widthKnown) {
    int left = 0;
    int right = 0;
    knownWidth = 80;
    if (osWindowSpan(&left, &right) && right - left + 1 >= 0) knownWidth = right - left + 1;
    widthKnown = true;
  }
  return knownWidth;
}

bool paintsCharacters() {
  if (!modeKnown) {
    unsigned console = osConsoleOutputCodePage();
    knownMode = console != 0 && (console != codePageNumber() || console == 65001);
    modeKnown = true;
  }
  return knownMode;
}

void queueCells(int x, int y, const ConsoleCell* cells, int count, bool characters) {
  prepareRows();
  if (x < 0 || y < 0 || y >= shadowRows || x + count > shadowColumns) {
    // Far outside the copy screen: keep the order and paint at once.
    flushCells();
    osPaintCells(x, y, cells, count, characters);
    widthKnown = false;
    modeKnown = false;
    return;
  }
  if (anyDirty && characters != heldCharacters) flushCells();
  heldCharacters = characters;
  memcpy(&shadow[y][x], cells, sizeof(ConsoleCell) * count);
  for (int k = 0; k < count; ++k) dirty[y][x + k] = true;
  if (dirtyLast[y] < 0 || x < dirtyFirst[y]) dirtyFirst[y] = x;
  if (x + count - 1 > dirtyLast[y]) dirtyLast[y] = x + count - 1;
  anyDirty = true;
  if (holding == 0 && (uint32_t)(osMilliseconds() - lastFlush) >= paintInterval) flushCells();
}

void holdCells() { ++holding; }

void releaseCells() {
  if (holding > 0 && --holding == 0 && anyDirty && (uint32_t)(osMilliseconds() - lastFlush) >= paintInterval)
    flushCells();
}

void flushCells() {
  prepareRows();
  if (anyDirty) {
    for (int y = 0; y < shadowRows; ++y) {
      int x = dirtyFirst[y];
      while (dirtyLast[y] >= 0 && x <= dirtyLast[y]) {
        if (!dirty[y][x]) {
          ++x;
          continue;
        }
        int start = x;
        while (x <= dirtyLast[y] && dirty[y][x]) dirty[y][x++] = false;
        osPaintCells(start, y, &shadow[y][start], x - start, heldCharacters);
      }
      dirtyLast[y] = -1;
    }
    anyDirty = false;
  }
  lastFlush = osMilliseconds();
  widthKnown = false;
  modeKnown = false;
}

void dropCells() {
  prepareRows();
  holding = 0;
  memset(dirty, 0, sizeof dirty);
  for (int y = 0; y < shadowRows; ++y) dirtyLast[y] = -1;
  anyDirty = false;
  widthKnown = false;
  modeKnown = false;
}
