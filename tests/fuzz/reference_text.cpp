// Literal versions of the text rules.
#include "reference_text.h"

#include "fake_code_page.h"

static unsigned referencePage = 932;

unsigned referenceCodePage(uint8_t pick) {
  static const unsigned pages[] = {932, 1252, 936, 949, 950, 65001};
  return pages[pick % 6];
}

void useReferenceCodePage(unsigned number) {
  referencePage = number;
  useFakeCodePage(number);
}

bool referenceLead(unsigned char byte) {
  if (referencePage == 932) return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
  if (referencePage == 936 || referencePage == 949 || referencePage == 950) return byte >= 0x81 && byte <= 0xFE;
  return false;
}

std::vector<bool> characterStarts(const std::string& text) {
  std::vector<bool> starts(text.size(), false);
  for (size_t at = 0; at < text.size(); at += referenceLead((unsigned char)text[at]) ? 2 : 1) starts[at] = true;
  return starts;
}

bool referenceTrail(const std::vector<bool>& starts, long long offset) {
  return offset >= 0 && offset < (long long)starts.size() && !starts[offset];
}

bool referenceTrail(const std::string& text, long long offset) { return referenceTrail(characterStarts(text), offset); }

long long referenceLastChar(const std::string& text, char c) {
  if (c == 0) return -1;
  std::vector<bool> starts = characterStarts(text);
  for (long long i = (long long)text.size() - 1; i >= 0; --i)
    if (text[i] == c && starts[i]) return i;
  return -1;
}

size_t referenceBaseName(const std::string& text) {
  long long slash = referenceLastChar(text, '\\');
  return slash < 0 ? 0 : (size_t)slash + 1;
}

std::string referenceFold(const std::string& text) {
  std::string folded = text;
  std::vector<bool> starts = characterStarts(text);
  for (size_t i = 0; i < text.size(); ++i)
    if (starts[i] && text[i] >= 'a' && text[i] <= 'z') folded[i] = (char)(text[i] - 'a' + 'A');
  return folded;
}

ReferenceToken referenceNextToken(const std::string& text, size_t from, const char* delimiters, int limit) {
  std::string set = delimiters ? delimiters : ", \t\r\n";
  ReferenceToken token{std::string(), -1};
  size_t length = text.size() - from;
  if (length == 0) return token;
  bool quoted = false;
  bool started = false;
  size_t n = 0;
  size_t scan = 0;  // the character scan of this input, from its first byte
  for (; n < length; ++n) {
    if ((long long)token.text.size() >= (long long)limit - 1) break;
    char b = text[from + n];
    if (b == '"') {
      if (!quoted) started = true;
      quoted = !quoted;
      continue;
    }
    if (quoted) {
      token.text += b;
      continue;
    }
    while (scan < n) scan += referenceLead((unsigned char)text[from + scan]) ? 2 : 1;
    bool delimiter = set.find(b) != std::string::npos && scan == n;
    if (!delimiter) {
      token.text += b;
      started = true;
    } else if (started) {
      break;
    }
  }
  if (!token.text.empty()) token.next = (long long)n;
  return token;
}
