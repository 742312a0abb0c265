// The fake system's ANSI code page.
#include "fake_code_page.h"

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
