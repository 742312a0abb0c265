// Fuzzes the text primitives against their literal reference versions, in
// each kind of code page.
// Every text, delimiter set and output buffer lives in a heap block of
// exactly its size, so a read past a NUL or a write past the limit stops the
// run.
//
// Input: byte 0 picks the code page, byte 1 the limit, byte 2 the delimiter
// set (some of the following bytes may become the set), byte 3 a byte to
// search for; the rest, up to its first NUL and at most 600 bytes, is the
// text.
#include <limits.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "fuzz_support.h"
#include "reference_text.h"
#include "text/chars.h"

namespace {

const size_t longestText = 600;  // the primitives see paths and Path entries

int limitFrom(uint8_t code) {
  switch (code) {
    case 0xF8: return INT_MIN;
    case 0xF9: return INT_MIN + 1;
    case 0xFA: return -1000000;
    case 0xFB: return INT_MAX;
    case 0xFC: return INT_MAX - 1;
    case 0xFD: return 260;
    case 0xFE: return 520;
    case 0xFF: return 4096;
    default: return (int)code - 8;  // -8 to 239
  }
}

// The tokens of text from offset 0 on, each call checked against the
// reference; the output block holds min(limit, what is left + 1) bytes, or
// none at all when the limit leaves no room even for the NUL.
void checkTokens(const std::string& text, const char* start, const char* delimiters, int limit) {
  const char* at = start;
  int calls = 0;
  for (;;) {
    size_t offset = (size_t)(at - start);
    size_t left = text.size() - offset;
    size_t room = limit < 1 ? 0 : ((long long)limit < (long long)left + 1 ? (size_t)limit : left + 1);
    ExactBlock out(room);
    if (room > 0) memset(out.data(), 0x7F, room);
    const char* next = nextToken(at, out.data(), delimiters, limit);
    ReferenceToken expected = referenceNextToken(text, offset, delimiters, limit);
    FUZZ_CHECK(++calls <= (int)text.size() + 2, text);
    if (room > 0) {
      FUZZ_CHECK(memchr(out.data(), 0, room) != nullptr, text);
      FUZZ_CHECK(std::string(out.data()) == expected.text, text);
    }
    if (!next) {
      FUZZ_CHECK(expected.next < 0, text);
      return;
    }
    FUZZ_CHECK(next > at && next <= start + text.size(), text);
    FUZZ_CHECK(next - at == expected.next, text);
    at = next;
  }
}

void checkSearches(const std::string& text, ExactText& input, char c) {
  const char* found = findLastChar(input.data(), c);
  long long expected = referenceLastChar(text, c);
  FUZZ_CHECK(found ? found - input.data() == expected : expected < 0, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  useReferenceCodePage(referenceCodePage(data[0]));
  int limit = limitFrom(data[1]);
  uint8_t setCode = data[2];
  char wanted = (char)data[3];
  size_t at = 4;

  std::string set;
  bool given = true;  // false: null, the default set
  switch (setCode) {
    case 0: given = false; break;
    case 1: break;  // the empty set: no byte is a delimiter
    case 2: set = ";"; break;
    case 3: set = ":\\"; break;
    case 4: set = ", \t\r\n"; break;
    default:
      for (size_t count = (size_t)(setCode - 5) % 8 + 1; count > 0 && at < size && data[at] != 0; --count)
        set += (char)data[at++];
  }
  std::string text;
  while (at < size && data[at] != 0 && text.size() < longestText) text += (char)data[at++];

  ExactText input(text);
  ExactText setBlock(set);
  const char* delimiters = given ? setBlock.data() : nullptr;

  for (size_t i = 0; i < text.size(); ++i)
    FUZZ_CHECK(isLeadByte((unsigned char)text[i]) == referenceLead((unsigned char)text[i]), text);

  const long long edges[] = {INT_MIN, -1, 0, 1, (long long)text.size() - 1, (long long)text.size(),
                             (long long)text.size() + 1, INT_MAX};
  std::vector<bool> starts = characterStarts(text);
  for (long long offset : edges)
    FUZZ_CHECK(isTrailByte(input.data(), (int)offset) == referenceTrail(starts, offset), text);
  for (size_t offset = 0; offset < text.size(); ++offset)
    FUZZ_CHECK(isTrailByte(input.data(), (int)offset) == referenceTrail(starts, (long long)offset), text);

  checkSearches(text, input, wanted);
  checkSearches(text, input, '\\');
  checkSearches(text, input, 0);
  if (!text.empty()) checkSearches(text, input, text.back());

  const char* base = baseNameOf(input.data());
  FUZZ_CHECK(base >= input.data() && base <= input.data() + text.size(), text);
  FUZZ_CHECK((size_t)(base - input.data()) == referenceBaseName(text), text);

  checkTokens(text, input.data(), delimiters, limit);
  return 0;
}
