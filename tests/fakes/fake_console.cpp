// In-memory console.
#include "fake_console.h"

#include <stdio.h>

#include "console/cell_batch.h"
#include "fake_code_page.h"

FakeConsole fakeConsole;

void resetFakeConsole() {
  FakeConsole& c = fakeConsole;
  for (int y = 0; y < FakeConsole::rows; ++y)
    for (int x = 0; x < FakeConsole::columns; ++x) c.grid[y][x] = ConsoleCell{' ', 7};
  c.windowLeft = 0;
  c.windowRight = 79;
  c.spanFails = false;
  c.outputCodePage = 0;
  c.spanQueries = 0;
  c.paints = 0;
  c.paintLog.clear();
  c.cursorX = 0;
  c.cursorY = 0;
  c.cursorPlacements = 0;
  c.clears = 0;
  c.cursorShows = 0;
  c.cursorShowCalls = 0;
  c.printed.clear();
  c.keys.clear();
  c.keyAt = 0;
  c.keysPastScript = 0;
  c.title = "Command Prompt - vestro";
  c.titles.clear();
  c.inputMode = 0x1F7;  // as a console starts: QuickEdit on
  c.inputModeFails = false;
  c.inputModeSets = 0;
  c.clock = 0;
  c.clockStep = 1000;
  c.slept = 0;
  dropCells();
}

std::string rowText(int row, int column, int count) {
  std::string text;
  for (int k = 0; k < count; ++k) text += (char)fakeConsole.grid[row - 1][column - 1 + k].ch;
  return text;
}

std::u16string cellsAt(int row, int column, int count) {
  std::u16string text;
  for (int k = 0; k < count; ++k) text += (char16_t)fakeConsole.grid[row - 1][column - 1 + k].ch;
  return text;
}

uint16_t attrAt(int row, int column) { return fakeConsole.grid[row - 1][column - 1].attr; }

std::string printedText() {
  std::string all;
  for (const PrintedText& p : fakeConsole.printed) all += p.text;
  return all;
}

bool osWindowSpan(int* left, int* right) {
  ++fakeConsole.spanQueries;
  if (fakeConsole.spanFails) return false;
  *left = fakeConsole.windowLeft;
  *right = fakeConsole.windowRight;
  return true;
}

std::vector<std::string> paintsAt(int row, int column) {
  std::vector<std::string> texts;
  for (const PaintedRun& run : fakeConsole.paintLog)
    if (run.y == row - 1 && run.x == column - 1) texts.push_back(run.text);
  return texts;
}

unsigned osConsoleOutputCodePage() {
  return fakeConsole.outputCodePage != 0 ? fakeConsole.outputCodePage : fakeCodePage;
}

void osPaintCells(int x, int y, const ConsoleCell* cells, int count, bool characters) {
  ++fakeConsole.paints;
  PaintedRun run{x, y, std::string(), count > 0 ? cells[0].attr : (uint16_t)0, characters};
  for (int k = 0; k < count; ++k) run.text += (char)cells[k].ch;
  fakeConsole.paintLog.push_back(run);
  // The console clips the region to its buffer.
  for (int k = 0; k < count; ++k) {
    int at = x + k;
    if (y < 0 || y >= FakeConsole::rows || at < 0 || at >= FakeConsole::columns) continue;
    fakeConsole.grid[y][at] = cells[k];
  }
}

bool osPlaceCursor(int x, int y) {
  ++fakeConsole.cursorPlacements;
  fakeConsole.cursorX = x;
  fakeConsole.cursorY = y;
  return true;
}

void osClearScreen() {
  ++fakeConsole.clears;
  for (int y = 0; y < FakeConsole::rows; ++y)
    for (int x = 0; x < FakeConsole::columns; ++x) fakeConsole.grid[y][x] = ConsoleCell{' ', 7};
  fakeConsole.cursorX = 0;
  fakeConsole.cursorY = 0;
}

void osPrintText(const char* text, bool) {
  fakeConsole.printed.push_back(PrintedText{fakeConsole.cursorX, fakeConsole.cursorY, text});
  for (const char* p = text; *p; ++p) {
    if (*p == '\n') {
      fakeConsole.cursorX = 0;
      ++fakeConsole.cursorY;
    } else {
      ++fakeConsole.cursorX;
    }
  }
}

void osShowCursor(bool show) {
  fakeConsole.cursorShows += show ? 1 : -1;
  ++fakeConsole.cursorShowCalls;
}

void osPrepareShowCursor() {}  // nothing to load in memory

void osTakeKeys() {}

bool osConsoleTitle(char* title, int size) {
  if (fakeConsole.spanFails || size < 1) return false;
  snprintf(title, size, "%s", fakeConsole.title.c_str());
  return true;
}

bool osSetConsoleTitle(const char* title) {
  if (fakeConsole.spanFails) return false;
  fakeConsole.title = title;
  fakeConsole.titles.push_back(title);
  return true;
}

static uint32_t savedInputMode = 0;
static bool inputModeSaved = false;

void osStopQuickEdit() {
  if (fakeConsole.inputModeFails) return;
  savedInputMode = fakeConsole.inputMode;
  inputModeSaved = true;
  fakeConsole.inputMode = (fakeConsole.inputMode | 0x80) & ~0x40u;
  ++fakeConsole.inputModeSets;
}

void osRestoreInputMode() {
  if (!inputModeSaved) return;
  inputModeSaved = false;
  fakeConsole.inputMode = savedInputMode;
  ++fakeConsole.inputModeSets;
}

int osReadKey() {
  if (fakeConsole.keyAt < fakeConsole.keys.size()) return (unsigned char)fakeConsole.keys[fakeConsole.keyAt++];
  ++fakeConsole.keysPastScript;
  return 0x0D;
}

uint32_t osMilliseconds() {
  fakeConsole.clock += fakeConsole.clockStep;
  return fakeConsole.clock;
}

void osSleep(uint32_t milliseconds) {
  fakeConsole.clock += milliseconds;
  fakeConsole.slept += milliseconds;
}
