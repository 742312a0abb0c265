// Console services on the Windows console and the C runtime.
#include <conio.h>
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include "platform/console_os.h"
#include "platform/win32/late_link.h"

bool osWindowSpan(int* left, int* right) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return false;
  *left = info.srWindow.Left;
  *right = info.srWindow.Right;
  return true;
}

void osPaintCells(int x, int y, const ConsoleCell* cells, int count) {
  CHAR_INFO line[1024];
  if (count <= 0 || count > 1024) return;
  for (int k = 0; k < count; ++k) {
    line[k].Char.AsciiChar = cells[k].ch;
    line[k].Attributes = cells[k].attr;
  }
  COORD size = {(SHORT)count, 1};
  COORD origin = {0, 0};
  SMALL_RECT region = {(SHORT)x, (SHORT)y, (SHORT)(x + count - 1), (SHORT)y};
  WriteConsoleOutputA(GetStdHandle(STD_OUTPUT_HANDLE), line, size, origin, &region);
}

static HANDLE cursorOutput = NULL;

bool osPlaceCursor(int x, int y) {
  if (cursorOutput == NULL) cursorOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  COORD at = {(SHORT)x, (SHORT)y};
  return SetConsoleCursorPosition(cursorOutput, at) != 0;
}

// What the shell's "cls" does, without starting a shell (a fifth of a second
// under wine); when standard output is no console, the shell is asked.
void osClearScreen() {
  fflush(stdout);
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(output, &info)) {
    system("cls");
    return;
  }
  DWORD cells = (DWORD)info.dwSize.X * (DWORD)info.dwSize.Y;
  DWORD done = 0;
  COORD home = {0, 0};
  FillConsoleOutputCharacterA(output, ' ', cells, home, &done);
  FillConsoleOutputAttribute(output, info.wAttributes, cells, home, &done);
  SetConsoleCursorPosition(output, home);
}

void osPrintText(const char* text) {
  fputs(text, stdout);
  fflush(stdout);
}

void osShowCursor(bool show) {
  static decltype(&ShowCursor) showCursor = (decltype(&ShowCursor))lateProc("user32.dll", "ShowCursor");
  if (showCursor) showCursor(show ? TRUE : FALSE);
}

int osReadKey() { return _getch(); }

uint32_t osMilliseconds() { return GetTickCount(); }
