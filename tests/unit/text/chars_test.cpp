// Text primitives: lead/trail classification in each code page, last-
// character search, base names and the tokenizer.
#include "text/chars.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "fake_code_page.h"

namespace {

// Leaves the primitives on 932, as every other test expects them.
struct OnCodePage {
  explicit OnCodePage(unsigned number) { useFakeCodePage(number); }
  ~OnCodePage() { useFakeCodePage(932); }
};

}  // namespace

TEST(LeadByte, RangeEdges) {
  EXPECT_FALSE(isLeadByte(0x80));
  EXPECT_TRUE(isLeadByte(0x81));
  EXPECT_TRUE(isLeadByte(0x9F));
  EXPECT_FALSE(isLeadByte(0xA0));
  EXPECT_FALSE(isLeadByte(0xDF));
  EXPECT_TRUE(isLeadByte(0xE0));
  EXPECT_TRUE(isLeadByte(0xFC));
  EXPECT_FALSE(isLeadByte(0xFD));
  EXPECT_FALSE(isLeadByte('\\'));
}

// 932 keeps its fixed ranges whatever the system reports; the other
// double-byte code pages take theirs from the system, and one-byte code
// pages and UTF-8 have none.
TEST(LeadByte, FollowsTheCodePage) {
  CodePageFacts odd = fakeCodePageFacts(932);
  odd.leads[0xA1] = true;
  odd.leads[0x81] = false;
  useCodePage(odd);
  EXPECT_TRUE(isLeadByte(0x81));
  EXPECT_FALSE(isLeadByte(0xA1));
  EXPECT_EQ(codePageNumber(), 932u);
  for (unsigned page : {936u, 949u, 950u}) {
    OnCodePage on(page);
    EXPECT_FALSE(isLeadByte(0x80)) << page;
    EXPECT_TRUE(isLeadByte(0x81)) << page;
    EXPECT_TRUE(isLeadByte(0xA1)) << page;
    EXPECT_TRUE(isLeadByte(0xFE)) << page;
    EXPECT_FALSE(isLeadByte(0xFF)) << page;
    EXPECT_FALSE(isShownHighByte(0xE9)) << page;
  }
  for (unsigned page : {1252u, 65001u}) {
    OnCodePage on(page);
    for (int b = 0; b < 256; ++b) EXPECT_FALSE(isLeadByte((unsigned char)b)) << page << " " << b;
  }
  OnCodePage western(1252);
  EXPECT_TRUE(isShownHighByte(0xE9));
  EXPECT_TRUE(isShownHighByte(0x80));
  EXPECT_FALSE(isShownHighByte(0x81));
  useFakeCodePage(932);
  EXPECT_FALSE(isShownHighByte(0xE9));
}

// A backslash after a byte that 932 takes for a lead byte is a separator
// elsewhere; a second byte 0x5C stays part of its character where the code
// page says so (950's 功 is 0xA5 0x5C).
TEST(BaseName, InEachCodePage) {
  {
    OnCodePage on(1252);
    EXPECT_STREQ(baseNameOf("Z:\\Caf\xe9\\r\xe9sum\xe9"), "r\xe9sum\xe9");
    EXPECT_FALSE(isTrailByte("Caf\xe9\\", 4));
  }
  {
    OnCodePage on(950);
    EXPECT_STREQ(baseNameOf("Z:\\x\\\xa5\x5c"), "\xa5\x5c");
    EXPECT_TRUE(isTrailByte("\xa5\x5c", 1));
  }
  {
    OnCodePage on(949);
    EXPECT_STREQ(baseNameOf("Z:\\\xbb\xe7\xc1\xf8\\f"), "f");
  }
  {
    OnCodePage on(65001);
    EXPECT_STREQ(baseNameOf("Z:\\\xe8\xa1\xa8\\f"), "f");
    const char yo[] = "\xd0\x81\\";  // under 932 the 0x81 would take the backslash
    EXPECT_EQ(findLastChar(yo, '\\'), yo + 2);
  }
  EXPECT_STREQ(baseNameOf("Z:\\Caf\xe9\\r"), "Caf\xe9\\r");  // 932: 0xE9 0x5C is one character
}

TEST(TrailByte, DecidedByScanFromTheStart) {
  const char hyo[] = "\x95\x5c\x41";
  EXPECT_FALSE(isTrailByte(hyo, 0));
  EXPECT_TRUE(isTrailByte(hyo, 1));
  EXPECT_FALSE(isTrailByte(hyo, 2));
  EXPECT_FALSE(isTrailByte(hyo, 3));  // the NUL
  EXPECT_TRUE(isTrailByte("\x41\x81\x5c", 2));
  const char run[] = "\x81\x81\x81\x5c";
  EXPECT_TRUE(isTrailByte(run, 1));
  EXPECT_FALSE(isTrailByte(run, 2));
  EXPECT_TRUE(isTrailByte(run, 3));
  EXPECT_FALSE(isTrailByte(run, 4));
  EXPECT_FALSE(isTrailByte(run, 50));
}

TEST(FindLastChar, SkipsSecondBytes) {
  const char path[] = "X:\\\x95\x5c";
  EXPECT_EQ(findLastChar(path, '\\'), path + 2);
  const char plain[] = "X:\\A\\";
  EXPECT_EQ(findLastChar(plain, '\\'), plain + 4);
  EXPECT_EQ(findLastChar("", '\\'), nullptr);
  EXPECT_EQ(findLastChar(plain, 0), nullptr);
  EXPECT_EQ(findLastChar("abc", '\\'), nullptr);
  // A lead-range byte that is itself a second byte is no character start.
  const char tricky[] = "\x81\x81\x81\x5c\\";
  EXPECT_EQ(findLastChar(tricky, '\x81'), tricky + 2);
}

TEST(BaseName, AfterTheLastRealBackslash) {
  const char* plain = "abc.txt";
  EXPECT_EQ(baseNameOf(plain), plain);
  EXPECT_STREQ(baseNameOf("D:\\photos\\"), "");
  EXPECT_STREQ(baseNameOf("D:\\photos\\a.jpg"), "a.jpg");
  EXPECT_STREQ(baseNameOf("D:\\x\\\x95\x5c"), "\x95\x5c");
  EXPECT_STREQ(baseNameOf("D:\\\x83\x5c\x83\x74\x83\x67\\\x95\x5c.txt"), "\x95\x5c.txt");
}

TEST(NextToken, DefaultDelimitersAndRepeatedCalls) {
  const char input[] = "  abc, def";
  char out[16];
  const char* at = nextToken(input, out, nullptr, sizeof out);
  EXPECT_STREQ(out, "abc");
  EXPECT_EQ(at, input + 5);
  at = nextToken(at, out, nullptr, sizeof out);
  EXPECT_STREQ(out, "def");
  EXPECT_EQ(at, input + strlen(input));
  EXPECT_EQ(nextToken(at, out, nullptr, sizeof out), nullptr);
  EXPECT_STREQ(out, "");
}

TEST(NextToken, EmptyAndDelimiterOnlyInputs) {
  char out[8] = "junk";
  EXPECT_EQ(nextToken("", out, nullptr, sizeof out), nullptr);
  EXPECT_STREQ(out, "");
  strcpy(out, "junk");
  EXPECT_EQ(nextToken(" ,\t\r\n", out, nullptr, sizeof out), nullptr);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(nextToken("abc", out, nullptr, 1), nullptr);
  EXPECT_STREQ(out, "");
}

// The limit is any signed 32-bit value; none below 2 leaves room for a byte,
// and none below 1 for the NUL either, so out stays untouched.
TEST(NextToken, LimitsBelowTwoStoreNothing) {
  const int limits[] = {1, 0, -1, INT_MIN + 1, INT_MIN};
  for (int limit : limits) {
    char out[2] = {'x', 'x'};
    EXPECT_EQ(nextToken("abc", out, nullptr, limit), nullptr) << limit;
    EXPECT_EQ(out[0], limit == 1 ? 0 : 'x') << limit;
    EXPECT_EQ(out[1], 'x') << limit;
  }
}

TEST(NextToken, DrivePathKeepsDoubleByteNamesWhole) {
  const char path[] = "X:\\PIC\\\x95\x5c\\\x83\x5c\x83\x74\x83\x67";
  char out[520];
  std::vector<std::string> names;
  for (const char* at = path; *at && (at = nextToken(at, out, ":\\", 520));) names.push_back(out);
  ASSERT_EQ(names.size(), 4u);
  EXPECT_EQ(names[0], "X");
  EXPECT_EQ(names[1], "PIC");
  EXPECT_EQ(names[2], "\x95\x5c");
  EXPECT_EQ(names[3], "\x83\x5c\x83\x74\x83\x67");
}

TEST(NextToken, Quotes) {
  char out[32];
  const char joined[] = "ab\"c d\"e";
  EXPECT_EQ(nextToken(joined, out, nullptr, sizeof out), joined + strlen(joined));
  EXPECT_STREQ(out, "abc de");
  // The empty quoted token ends the scan even though x follows.
  EXPECT_EQ(nextToken("\"\" x", out, nullptr, sizeof out), nullptr);
  const char semi[] = "\"D:\\My;Tools\";E:\\";
  const char* at = nextToken(semi, out, ";", sizeof out);
  EXPECT_STREQ(out, "D:\\My;Tools");
  ASSERT_NE(at, nullptr);
  EXPECT_EQ(*at, ';');
  // An unclosed quote keeps everything to the end.
  EXPECT_NE(nextToken("\"a;b", out, ";", sizeof out), nullptr);
  EXPECT_STREQ(out, "a;b");
}

TEST(NextToken, LimitCutsByBytes) {
  char out[8];
  const char input[] = "abcdef";
  const char* at = nextToken(input, out, nullptr, 4);
  EXPECT_STREQ(out, "abc");
  EXPECT_EQ(at, input + 3);
  at = nextToken(at, out, nullptr, 4);
  EXPECT_STREQ(out, "def");
  const char pair[] = "ab\x95\x5c";
  at = nextToken(pair, out, nullptr, 4);
  EXPECT_STREQ(out, "ab\x95");
  EXPECT_EQ(at, pair + 3);
  // Read on its own, the cut-off second byte is a character of its own.
  EXPECT_EQ(nextToken(at, out, "\\", 4), nullptr);
}

// Reference versions that follow the definitions literally: classify each
// position by a fresh scan from the start of the text.
static bool referenceTrail(const std::string& text, int off) {
  if (off <= 0 || off >= (int)text.size()) return false;
  int scan = 0;
  while (scan < off) scan += isLeadByte((unsigned char)text[scan]) ? 2 : 1;
  return scan != off;
}

static int referenceLast(const std::string& text, char c) {
  if (c == 0) return -1;
  for (int i = (int)text.size() - 1; i >= 0; --i)
    if (text[i] == c && !referenceTrail(text, i)) return i;
  return -1;
}

static std::string randomText(std::mt19937& rng) {
  static const unsigned char alphabet[] = {'a', 'B', '\\', ':', ';', ',', ' ', '"', 0x81, 0x95, 0x5c,
                                           0x9f, 0xe0, 0xfc, 0xa1, 0x80, 0xfd, 0x40, 0x7e};
  std::string text;
  int length = rng() % 40;
  for (int i = 0; i < length; ++i) text += (char)alphabet[rng() % sizeof alphabet];
  return text;
}

// Random texts in exact-size heap buffers, so that AddressSanitizer catches
// any read past the NUL or write past the limit, in each kind of code page.
TEST(TextProperties, NeverPastTheTextOrTheLimit) {
  std::mt19937 rng(20261208);
  const unsigned codePages[] = {932, 1252, 949, 65001};
  for (int round = 0; round < 20000; ++round) {
    OnCodePage on(codePages[round % 4]);
    std::string text = randomText(rng);
    std::vector<char> input(text.begin(), text.end());
    input.push_back(0);
    char c = text.empty() ? '\\' : text[rng() % text.size()];
    const char* last = findLastChar(input.data(), c);
    ASSERT_EQ(last ? last - input.data() : -1, referenceLast(text, c)) << text;
    for (int off = 0; off <= (int)text.size(); ++off)
      ASSERT_EQ(isTrailByte(input.data(), off), referenceTrail(text, off)) << text << " @" << off;

    int limit = 1 + rng() % 12;
    std::vector<char> out(limit);
    const char* delimiters = (rng() % 2) ? ";" : nullptr;
    const char* at = input.data();
    int tokens = 0;
    while (*at && (at = nextToken(at, out.data(), delimiters, limit)) != nullptr) {
      ASSERT_LT(strlen(out.data()), (size_t)limit);
      ASSERT_GE(at, input.data());
      ASSERT_LE(at, input.data() + text.size());
      ASSERT_LT(++tokens, 100);
    }
  }
}
