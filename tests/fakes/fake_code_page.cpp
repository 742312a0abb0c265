// The fake system's ANSI code page.
#include "fake_code_page.h"

#include <errno.h>
#include <iconv.h>
#include <stdio.h>
#include <string.h>

#include "text/code_page.h"

unsigned fakeCodePage = 932;

CodePageFacts fakeCodePageFacts(unsigned number) {
  CodePageFacts facts;
  memset(&facts, 0, sizeof facts);
  facts.number = number;
  if (number == 932) {
    for (int b = 0x81; b <= 0x9F; ++b) facts.leads[b] = true;
    for (int b = 0xE0; b <= 0xFC; ++b) facts.leads[b] = true;
  } else if (number == 936 || number == 949 || number == 950) {
    for (int b = 0x81; b <= 0xFE; ++b) facts.leads[b] = true;
  } else if (number == 1252) {
    // Undefined in 1252: 0x81, 0x8D, 0x8F, 0x90 and 0x9D.
    for (int b = 0x80; b <= 0xFF; ++b) facts.prints[b] = b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D;
  }
  return facts;
}

void osAnsiCodePage(CodePageFacts* facts) { *facts = fakeCodePageFacts(fakeCodePage); }

void useFakeCodePage(unsigned number) {
  fakeCodePage = number;
  useCodePage(fakeCodePageFacts(number));
}

// The system's conversion, as the host's iconv does it; a byte that spells
// nothing becomes U+FFFD.
int osAnsiToWide(const char* text, int length, uint16_t* wide, int capacity) {
  char name[16];
  if (fakeCodePage == 65001)
    snprintf(name, sizeof name, "UTF-8");
  else
    snprintf(name, sizeof name, "CP%u", fakeCodePage);
  iconv_t convert = iconv_open("UTF-16LE", name);
  if (convert == (iconv_t)-1) return 0;
  char* in = (char*)text;
  size_t inLeft = (size_t)length;
  char* out = (char*)wide;
  size_t outLeft = (size_t)capacity * 2;
  while (inLeft > 0 && outLeft >= 2) {
    if (iconv(convert, &in, &inLeft, &out, &outLeft) != (size_t)-1) break;
    if (errno == E2BIG) break;
    *(uint16_t*)(void*)out = 0xFFFD;
    out += 2;
    outLeft -= 2;
    ++in;
    --inLeft;
  }
  iconv_close(convert);
  return (int)((uint16_t*)(void*)out - wide);
}
