// Console services the program needs: painting cells, the cursor, printed text, keys.
#pragma once
#include <stdint.h>

/// One screen cell and its colour attribute. Its character is a byte of the
/// ANSI code page, or a UTF-16 character where the cells are painted as
/// characters (see osPaintCells).
struct ConsoleCell {
  uint16_t ch;
  uint16_t attr;
};

/// Left and right column (0-based) of the visible console window.
/// False when standard output is not a console.
bool osWindowSpan(int* left, int* right);

/// Paints count cells into one row of the screen buffer, starting at the
/// 0-based buffer coordinates (x, y). The cursor does not move; the console
/// clips whatever falls outside its buffer. Failures are not reported.
/// characters: the cells hold UTF-16 characters, a double-width one in two
/// cells flagged 0x0100 and 0x0200; otherwise ANSI bytes, shown as the
/// console's code page reads them.
void osPaintCells(int x, int y, const ConsoleCell* cells, int count, bool characters);

/// The code page the console shows bytes in; 0 when there is no console.
unsigned osConsoleOutputCodePage();

/// Places the console cursor at 0-based (x, y); the next printed text starts there.
bool osPlaceCursor(int x, int y);

/// Clears the whole console (the shell's "cls").
void osClearScreen();

/// Prints text verbatim at the cursor (never used as a format) and flushes it.
/// characters: on a console, as the characters its ANSI bytes are (as
/// osPaintCells); a file or a pipe always gets the bytes.
void osPrintText(const char* text, bool characters);

/// Hides (false) or shows (true) the display cursor around long work.
void osShowCursor(bool show);

/// Makes ready what osShowCursor needs, without changing the cursor. Called
/// before the console is first used, its cost hides in the console's start.
void osPrepareShowCursor();

/// Starts taking keys into the console before the first read: a key typed
/// while a prompt is painted is then held for osReadKey, never echoed onto
/// the screen by a terminal the console runs in.
void osTakeKeys();

/// The console window's title, at most size - 1 bytes; false without a console.
bool osConsoleTitle(char* title, int size);
/// Sets the console window's title (the taskbar shows it); false without a console.
bool osSetConsoleTitle(const char* title);

/// Turns the console's QuickEdit off (a click would start a selection that
/// stops every console write until a key is pressed), keeping the input
/// mode it had; nothing where there is no console.
void osStopQuickEdit();
/// Gives the console back the input mode osStopQuickEdit found.
void osRestoreInputMode();

/// Reads one key byte without echo and without waiting for Enter. Extended
/// keys arrive as two reads: 0x00 or 0xE0, then the key's code.
int osReadKey();

/// Milliseconds from an arbitrary start; wraps around.
uint32_t osMilliseconds();

/// Waits that many milliseconds.
void osSleep(uint32_t milliseconds);
