// Fuzzes the rewrite of the user's Path value: a value that is rewritten
// reads back as every old entry, whole and in order, then the program's
// folder; a value that cannot be carried over is kept; the result never
// outgrows its room.
//
// Input: byte 0 picks the code page. Bytes 1 and 2, little-endian, give the
// result's room (1 plus the low 12 bits, so 1 to 4096 bytes); with the top
// bit set, the same value and folder also go through the whole registration
// against the fake registry, as the type that bits 12 to 14 pick. Then comes
// the folder up to a NUL (at most 300 bytes), then the value up to a NUL or
// the end (at most 4096 bytes).
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "env/user_path.h"
#include "fake_registry.h"
#include "fuzz_support.h"
#include "reference_text.h"
#include "text/chars.h"

namespace {

const size_t longestFolder = 300;

// A stretch of the value between two real separators (';' characters of
// their own outside double quotes), its quotes dropped. Never cut by length.
struct Segment {
  std::string text;
  size_t raw;   // bytes it takes in the value, quotes included
  bool quotes;  // whether it holds a double quote
};

std::vector<Segment> segmentsOf(const std::string& value) {
  std::vector<bool> starts = characterStarts(value);
  std::vector<Segment> segments(1, Segment{std::string(), 0, false});
  bool quoted = false;
  for (size_t i = 0; i < value.size(); ++i) {
    char b = value[i];
    if (b == '"') {
      quoted = !quoted;
      segments.back().quotes = true;
      ++segments.back().raw;
    } else if (!quoted && b == ';' && starts[i]) {
      segments.push_back(Segment{std::string(), 0, false});
    } else {
      segments.back().text += b;
      ++segments.back().raw;
    }
  }
  return segments;
}

// What the registration compares with the folder: the tokens, call after
// call, until one comes back empty.
std::vector<std::string> referenceEntries(const std::string& value) {
  std::vector<std::string> entries;
  size_t at = 0;
  while (at < value.size()) {
    ReferenceToken token = referenceNextToken(value, at, ";", folderSize);
    if (token.next < 0) break;
    entries.push_back(token.text);
    at += (size_t)token.next;
  }
  return entries;
}

// The program's own reading of text; *rest is where it stopped.
std::vector<std::string> readBack(const char* text, const char** rest) {
  std::vector<std::string> entries;
  char entry[folderSize];
  const char* at = text;
  while (*at != 0) {
    const char* next = nextToken(at, entry, ";", folderSize);
    if (!next) break;
    entries.push_back(entry);
    at = next;
  }
  *rest = at;
  return entries;
}

bool endsInLoneLead(const std::string& text) {
  return !text.empty() && referenceLead((unsigned char)text.back()) && characterStarts(text).back();
}

// The rewrite that a value made only of plain entries must get, or an empty
// text when the value is not that simple.
std::string plainRewrite(const std::vector<Segment>& segments, const std::string& folder) {
  std::string result;
  for (const Segment& segment : segments) {
    if (segment.text.empty()) {
      if (segment.quotes) return std::string();
      continue;
    }
    if (segment.raw >= (size_t)folderSize || segment.text.find(';') != std::string::npos ||
        endsInLoneLead(segment.text))
      return std::string();
    result += segment.text + ";";
  }
  bool semicolon = folder.find(';') != std::string::npos;
  if (folder.empty() || folder.size() >= (size_t)folderSize || folder.find('"') != std::string::npos ||
      (!semicolon && endsInLoneLead(folder)))
    return std::string();
  return result + (semicolon ? "\"" + folder + "\"" : folder);
}

void checkRewrite(const std::string& folder, const std::string& value, int size) {
  ExactText folderBlock(folder);
  ExactText valueBlock(value);
  ExactBlock result((size_t)size);
  memset(result.data(), 0x7F, (size_t)size);
  PathRewrite outcome = rewritePathValue(valueBlock.data(), folderBlock.data(), result.data(), size);
  std::string both = folder + '|' + value;
  FUZZ_CHECK(outcome == pathListed || outcome == pathRewritten || outcome == pathKept, both);
  FUZZ_CHECK(memchr(result.data(), 0, (size_t)size) != nullptr, both);

  bool listed = false;
  for (const std::string& entry : referenceEntries(value))
    if (referenceFold(entry) == referenceFold(folder)) listed = true;
  FUZZ_CHECK((outcome == pathListed) == listed, both);
  if (outcome == pathKept) FUZZ_CHECK(result.data()[0] == 0, both);

  std::vector<Segment> segments = segmentsOf(value);
  std::string plain = plainRewrite(segments, folder);
  if (!listed && !plain.empty() && plain.size() < (size_t)size) {
    FUZZ_CHECK(outcome == pathRewritten, both);
    FUZZ_CHECK(std::string(result.data()) == plain, both);
  }
  if (outcome != pathRewritten) return;

  std::vector<std::string> expected;
  for (const Segment& segment : segments)
    if (!segment.text.empty()) expected.push_back(segment.text);
  expected.push_back(folder);
  // Where the reading stops, nothing but separators and quotes is left: a
  // 259-byte folder between quotes leaves its closing quote unread.
  const char* rest = nullptr;
  FUZZ_CHECK(readBack(result.data(), &rest) == expected, both);
  FUZZ_CHECK(rest[strspn(rest, ";\"")] == 0, both);

  // The next run finds the folder listed. Unless the folder went in between
  // quotes (an entry that is never carried over again), a run from another
  // folder can carry the value over once more.
  std::string written = result.data();
  ExactText writtenBlock(written);
  ExactBlock again(pathValueSize);
  FUZZ_CHECK(rewritePathValue(writtenBlock.data(), folderBlock.data(), again.data(), pathValueSize) == pathListed,
             both);
  const char other[] = "C:\\Other";
  if (folder.find(';') == std::string::npos && written.size() + sizeof other < (size_t)pathValueSize)
    FUZZ_CHECK(rewritePathValue(writtenBlock.data(), other, again.data(), pathValueSize) != pathKept, both);
}

// The whole registration, twice, as two runs of the program would do it.
void checkRegistration(const std::string& folder, const std::string& value, int typeCode) {
  static const RegistryType types[] = {regExpandText, regText,  regBinary, regNumber,
                                       regMultiText,  regNone, (RegistryType)11, regExpandText};
  RegistryType type = types[typeCode & 7];
  resetFakeRegistry();
  fakeRegistry.programPath = folder + "\\vestro.exe";
  if (type == regNumber) setPathData((value + std::string(4, '\0')).substr(0, 4), regNumber);
  else if (type == regMultiText) setPathData(value + '\0' + "C:\\More" + '\0' + '\0', regMultiText);
  else setPathText(value, type);

  std::string both = folder + '|' + value;
  std::string before = fakeRegistry.data;
  for (int run = 0; run < 2; ++run) {
    programFolder[0] = 0;
    size_t stores = fakeRegistry.stored.size();
    int result = registerInUserPath();
    FUZZ_CHECK(result == 0 || result == 1, both);
    FUZZ_CHECK(fakeRegistry.openKeys == 0 && fakeRegistry.strayCloses == 0, both);
    if (fakeRegistry.stored.size() == stores) {
      FUZZ_CHECK(fakeRegistry.data == before, both);
      continue;
    }
    // Stored: only on the first run, and the second finds the folder listed.
    FUZZ_CHECK(run == 0 && result == 1 && fakeRegistry.stored.size() == stores + 1, both);
    FUZZ_CHECK(fakeRegistry.type == regExpandText, both);
    before = fakeRegistry.data;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  useReferenceCodePage(referenceCodePage(data[0]));
  unsigned code = data[1] | (unsigned)data[2] << 8;
  int room = 1 + (int)(code & 0xFFF);
  size_t at = 3;
  std::string folder;
  while (at < size && data[at] != 0 && folder.size() < longestFolder) folder += (char)data[at++];
  while (at < size && data[at] != 0) ++at;
  if (at < size) ++at;
  std::string value;
  while (at < size && data[at] != 0 && value.size() < (size_t)pathValueSize) value += (char)data[at++];

  checkRewrite(folder, value, room);
  if (code & 0x8000) checkRegistration(folder, value, (int)(code >> 12) & 7);
  return 0;
}
