// Painting text at fixed rows and columns, blanking, the cursor, printed lines.
#pragma once
#include <stdint.h>

/// Shared buffer into which header lines, progress texts, the running count
/// and the verdict are formatted just before they are painted.
extern char messageBuffer[520];

/// Paints text (cut at its first CR, then its first LF) at the 1-based row
/// and column in attribute, clipped to the console window's width. Where the
/// console is given characters, a double-width one takes two cells and is
/// never cut in two.
void writeAt(int row, int column, const char* text, uint16_t attribute);

/// The cells writeAt gives text, clipping aside: its bytes where the console
/// shows the ANSI code page, else its characters by display width.
int cellsOf(const char* text);

/// Blanks count - 1 cells from the 1-based row and column, in attribute 15.
void blankAt(int row, int column, int count);

/// Places the cursor; values of 0 or less count as 1.
bool moveCursor(int row, int column);

/// Prints text verbatim at the cursor, after everything painted so far.
void printText(const char* text);

/// Standard output is a console, not a file or a pipe (a log).
bool printsToConsole();

/// Clears the console.
void clearScreen();

/// Puts every painted cell still held back on the console.
void flushScreen();

/// What is painted between the two shows together.
void holdScreen();
void releaseScreen();
