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

// Bytes go through WriteConsoleOutputA, which the console reads in its own
// code page one cell at a time; characters through WriteConsoleOutputW,
// where a double-width one is given as two cells holding it, the first
// flagged COMMON_LVB_LEADING_BYTE and the second COMMON_LVB_TRAILING_BYTE.
void osPaintCells(int x, int y, const ConsoleCell* cells, int count, bool characters) {
  CHAR_INFO line[1024];
  if (count <= 0 || count > 1024) return;
  for (int k = 0; k < count; ++k) {
    if (characters)
      line[k].Char.UnicodeChar = (WCHAR)cells[k].ch;
    else
      line[k].Char.AsciiChar = (CHAR)cells[k].ch;
    line[k].Attributes = cells[k].attr;
  }
  COORD size = {(SHORT)count, 1};
  COORD origin = {0, 0};
  SMALL_RECT region = {(SHORT)x, (SHORT)y, (SHORT)(x + count - 1), (SHORT)y};
  if (characters)
    WriteConsoleOutputW(GetStdHandle(STD_OUTPUT_HANDLE), line, size, origin, &region);
  else
    WriteConsoleOutputA(GetStdHandle(STD_OUTPUT_HANDLE), line, size, origin, &region);
}

unsigned osConsoleOutputCodePage() { return GetConsoleOutputCP(); }

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

void osPrintText(const char* text, bool characters) {
  fflush(stdout);
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (characters && GetConsoleMode(output, &mode)) {
    static WCHAR wide[8192 + 8];
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 8192 + 8);
    if (length > 1) {
      DWORD written = 0;
      WriteConsoleW(output, wide, (DWORD)(length - 1), &written, NULL);
      return;
    }
  }
  fputs(text, stdout);
  fflush(stdout);
}

// The window library is loaded on first use: under wine that takes tens of
// milliseconds, which a program that has just started spends waiting for
// its console anyway.
static decltype(&ShowCursor) showCursorProc() {
  static decltype(&ShowCursor) showCursor = (decltype(&ShowCursor))lateProc("user32.dll", "ShowCursor");
  return showCursor;
}

void osPrepareShowCursor() { showCursorProc(); }

void osShowCursor(bool show) {
  decltype(&ShowCursor) showCursor = showCursorProc();
  if (showCursor) showCursor(show ? TRUE : FALSE);
}

// Under wine a console in a terminal stops the terminal's own echo only once
// input is first asked for; asking how many keys wait is enough.
void osTakeKeys() {
  DWORD waiting = 0;
  GetNumberOfConsoleInputEvents(GetStdHandle(STD_INPUT_HANDLE), &waiting);
}

// An empty title reads back as a length of 0 with no error.
bool osConsoleTitle(char* title, int size) {
  if (size < 1) return false;
  title[0] = 0;
  SetLastError(ERROR_SUCCESS);
  return GetConsoleTitleA(title, (DWORD)size) > 0 || GetLastError() == ERROR_SUCCESS;
}

bool osSetConsoleTitle(const char* title) { return SetConsoleTitleA(title) != 0; }

static DWORD savedInputMode = 0;
static bool inputModeSaved = false;

// QuickEdit is changed only together with ENABLE_EXTENDED_FLAGS; a mode read
// back without that flag says nothing of QuickEdit and goes back as it was.
void osStopQuickEdit() {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (!GetConsoleMode(input, &mode)) return;
  savedInputMode = mode;
  inputModeSaved = true;
  SetConsoleMode(input, (mode | ENABLE_EXTENDED_FLAGS) & ~(DWORD)ENABLE_QUICK_EDIT_MODE);
}

void osRestoreInputMode() {
  if (!inputModeSaved) return;
  inputModeSaved = false;
  SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), savedInputMode);
}

// A key byte from the console comes in the console's input code page; with
// a one-byte ANSI code page it is handed on as that code page's byte for the
// same character (an ignored control byte when there is none).
static int ansiKey(int key) {
  static unsigned char table[256];
  static int state = 0;  // 0 not asked yet, 1 convert, -1 bytes as they are
  if (state == 0) {
    state = -1;
    UINT ansi = GetACP();
    UINT console = GetConsoleCP();
    CPINFO info;
    if (console != 0 && console != ansi && GetCPInfo(ansi, &info) && info.MaxCharSize == 1) {
      for (int b = 0; b < 256; ++b) {
        char byte = (char)b;
        WCHAR wide = 0;
        char back = 0;
        BOOL substituted = FALSE;
        table[b] = (unsigned char)b;
        if (b < 0x80) continue;
        table[b] = 0x01;
        if (MultiByteToWideChar(console, 0, &byte, 1, &wide, 1) == 1 &&
            WideCharToMultiByte(ansi, WC_NO_BEST_FIT_CHARS, &wide, 1, &back, 1, NULL, &substituted) == 1 &&
            !substituted)
          table[b] = (unsigned char)back;
      }
      state = 1;
    }
  }
  return state == 1 ? table[key] : key;
}

int osReadKey() {
  // The runtime may hand a byte above 0x7F back sign-extended.
  static bool codeNext = false;  // the byte after 0x00 or 0xE0 is an extended key's code
  int key = _getch() & 0xFF;
  if (codeNext) {
    codeNext = false;
    return key;
  }
  if (key == 0x00 || key == 0xE0) {
    codeNext = true;
    return key;
  }
  return ansiKey(key);
}

uint32_t osMilliseconds() { return GetTickCount(); }

void osSleep(uint32_t milliseconds) { Sleep(milliseconds); }
