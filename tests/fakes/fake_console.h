// In-memory console: a grid of cells with a settable window, a cursor,
// printed text, a key script and a clock.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "platform/console_os.h"

struct PrintedText {
  int x;
  int y;
  std::string text;
};

/// One cell write as the program made it.
struct PaintedRun {
  int x;
  int y;
  std::string text;  // the low byte of each cell
  uint16_t attr;     // of the first cell
  bool characters;   // cells of UTF-16 characters, not ANSI bytes
};

struct FakeConsole {
  static const int rows = 60;
  static const int columns = 600;
  ConsoleCell grid[rows][columns];
  int windowLeft;
  int windowRight;      // window width is windowRight - windowLeft + 1
  bool spanFails;       // standard output is not a console
  unsigned outputCodePage;  // the console's; 0 follows the ANSI code page (fakeCodePage)
  int spanQueries;
  int paints;           // cell writes made
  std::vector<PaintedRun> paintLog;
  int cursorX;
  int cursorY;
  int cursorPlacements;
  int clears;
  int cursorShows;      // +1 per show, -1 per hide
  int cursorShowCalls;  // shows and hides
  std::vector<PrintedText> printed;
  std::string keys;     // bytes handed out by osReadKey, in order
  size_t keyAt;
  int keysPastScript;   // reads after the script ran out (answered with Enter)
  std::string title;    // the window's title
  std::vector<std::string> titles;  // every title set, in order
  uint32_t inputMode;   // the console's input mode (0x40 QuickEdit, 0x80 extended flags)
  bool inputModeFails;  // standard input is no console
  int inputModeSets;
  uint32_t clock;
  uint32_t clockStep;   // added at every clock read
  uint32_t slept;       // milliseconds waited in all
};

extern FakeConsole fakeConsole;

/// Blank grid, 80-column window, clock that moves on fast enough that every
/// paint reaches the grid at once; also forgets cells held back by the program.
void resetFakeConsole();

/// The bytes of a 1-based row from a 1-based column, count cells long.
std::string rowText(int row, int column, int count);

/// The characters of a 1-based row from a 1-based column, count cells long.
std::u16string cellsAt(int row, int column, int count);

/// The attribute of the cell at 1-based row and column.
uint16_t attrAt(int row, int column);

/// The texts painted at a 1-based row and column, in order (blank runs included).
std::vector<std::string> paintsAt(int row, int column);

/// Everything printed, joined.
std::string printedText();
