// Test helper: keeps a file open without sharing until a stop file appears,
// as another program holding a destination file would.
#include <stdio.h>
#include <windows.h>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  HANDLE held = CreateFileA(argv[1], GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (held == INVALID_HANDLE_VALUE) return 1;
  FILE* ready = fopen(argv[2], "w");
  if (ready) fclose(ready);
  for (int waited = 0; waited < 1200 && GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES; ++waited) Sleep(50);
  CloseHandle(held);
  return 0;
}
