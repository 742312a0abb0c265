// The ANSI code page on Win32.
#include <string.h>
#include <windows.h>

#include "platform/code_page_os.h"

void osAnsiCodePage(CodePageFacts* facts) {
  memset(facts, 0, sizeof *facts);
  UINT page = GetACP();
  facts->number = page;
  CPINFO info;
  if (!GetCPInfo(page, &info)) return;
  if (info.MaxCharSize == 2) {
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2)
      for (int b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b) facts->leads[b] = true;
    return;
  }
  if (info.MaxCharSize != 1) return;
  // A byte the code page leaves undefined comes back as a control character.
  for (int b = 0x80; b <= 0xFF; ++b) {
    char byte = (char)b;
    WCHAR wide = 0;
    WORD type = 0;
    if (MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, &byte, 1, &wide, 1) == 1 &&
        GetStringTypeW(CT_CTYPE1, &wide, 1, &type) && !(type & C1_CNTRL))
      facts->prints[b] = true;
  }
}

int osAnsiToWide(const char* text, int length, uint16_t* wide, int capacity) {
  return MultiByteToWideChar(CP_ACP, 0, text, length, (WCHAR*)wide, capacity);
}
