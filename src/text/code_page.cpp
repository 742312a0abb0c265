// Lead bytes of the ANSI code page in use.
#include "text/code_page.h"

#include <string.h>

namespace {

struct CodePage {
  unsigned number;
  bool leads[256];
  bool shown[256];
};

CodePage shiftJis() {
  CodePage page;
  memset(&page, 0, sizeof page);
  page.number = 932;
  for (int b = 0x81; b <= 0x9F; ++b) page.leads[b] = true;
  for (int b = 0xE0; b <= 0xFC; ++b) page.leads[b] = true;
  return page;
}

CodePage current = shiftJis();

}  // namespace

void useCodePage(const CodePageFacts& facts) {
  if (facts.number == 932) {
    current = shiftJis();
    return;
  }
  memset(&current, 0, sizeof current);
  current.number = facts.number;
  bool anyLead = false;
  // UTF-8 never has a byte below 0x80 inside a character: no byte leads a
  // pair that could hide a backslash.
  if (facts.number != 65001)
    for (int b = 0x80; b <= 0xFF; ++b) anyLead |= current.leads[b] = facts.leads[b];
  if (!anyLead && facts.number != 65001)
    for (int b = 0x80; b <= 0xFF; ++b) current.shown[b] = facts.prints[b];
}

unsigned codePageNumber() { return current.number; }

bool isLeadByte(unsigned char byte) { return current.leads[byte]; }

bool isShownHighByte(unsigned char byte) { return current.shown[byte]; }
