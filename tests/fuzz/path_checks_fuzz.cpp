// Fuzzes the argument normalisation and the path checks, alone and as whole
// runs against the in-memory fakes, with a small fuzzed tree and fuzzed
// faults.
//
// Input: NUL-separated sections.
//   0  options: byte 0, bit 0 calls checkPaths on FROM and TO as given (the
//      start menu's paths, never normalised) instead of a whole run; bit 1
//      makes X: a FAT32 volume of 4096-byte sectors; bits 2 to 4 pick the
//      code page (932 for 0, as in the seeds). Each further pair of
//      bytes arms one file-system fault: which one, then its call number
//      (1 plus the low 7 bits; top bit: that call and every later one).
//   1  FROM, 2  TO (command-line arguments).
//   3+ at most 8 tree entries: a kind byte, then a path. Kinds: d folder,
//      D folder whose status fails, L folder that cannot be listed, l folder
//      link written path|target, f file, F file whose status fails, r
//      read-only file, o file that cannot be opened; any other byte, a file.
// In FROM, TO and tree paths the byte 0x01 followed by a count n stands for
// n more copies of the byte before it, so that long paths are short inputs.
// The normalisation sees FROM and TO as they are. Everything that reaches the
// fakes is made well-formed in the code page first, as every path that
// Windows hands a program is: a lead byte not followed by a second byte
// (0x40-0xFC in 932, 0x40-0xFE in the others, 0x7F excepted) becomes '_'. A tree entry of more than 16 names is left out, so
// that the walk stays short.
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "app/path_checks.h"
#include "app/run.h"
#include "console/screen.h"
#include "copy/copy_rules.h"
#include "copy/copy_screen.h"
#include "copy/run_tally.h"
#include "copy/tree_copy.h"
#include "copy/unbuffered_copy.h"
#include "copy/volume_info.h"
#include "env/user_path.h"
#include "fake_console.h"
#include "fake_files.h"
#include "fake_registry.h"
#include "fresh_run.h"
#include "fuzz_support.h"
#include "reference_text.h"
#include "text/path_text.h"
#include "verify/mismatch_list.h"

namespace {

const size_t longestPath = 519;
const size_t longestSection = 1100;
const size_t mostEntries = 8;
const long mostNames = 16;

std::string expand(const std::string& section) {
  std::string text;
  for (size_t i = 0; i < section.size() && text.size() < longestSection; ++i) {
    if (section[i] != 1) {
      text += section[i];
      continue;
    }
    if (i + 1 >= section.size()) break;
    unsigned count = (unsigned char)section[++i];
    char copy = text.empty() ? 'x' : text.back();
    while (count-- > 0 && text.size() < longestSection) text += copy;
  }
  return text;
}

std::string wellFormed(const std::string& text, unsigned codePage) {
  unsigned char lastSecond = codePage == 932 ? 0xFC : 0xFE;
  std::string out = text;
  for (size_t i = 0; i < out.size(); ++i) {
    if (!referenceLead((unsigned char)out[i])) continue;
    unsigned char next = i + 1 < out.size() ? (unsigned char)out[i + 1] : 0;
    if (next >= 0x40 && next <= lastSecond && next != 0x7F) ++i;
    else out[i] = '_';
  }
  return out;
}

std::vector<std::string> sectionsOf(const uint8_t* data, size_t size) {
  std::vector<std::string> sections(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) sections.emplace_back();
    else sections.back() += (char)data[i];
  }
  return sections;
}

FakeFault* faultNumber(unsigned index) {
  // Every fault but the status call's, which the checks below take as the truth.
  FakeFaults& f = fakeFiles.faults;
  FakeFault* all[] = {&f.access,        &f.makeFolder,     &f.removeFile,    &f.freeBytes,    &f.sectorSize,
                      &f.fileSystem,    &f.openStreamRead, &f.openStreamWrite, &f.readStream, &f.writeStream,
                      &f.setFileTimes,  &f.openRead,       &f.createUnbuffered, &f.createBuffered, &f.readFile,
                      &f.writeFile,     &f.fileFacts,      &f.setEndOfFile,  &f.setLastWrite, &f.closeWritten,
                      &f.listFirst,     &f.listNext,       &f.folderIdentity, &f.folderId, &f.shortRead,   &f.shortWrite,
                      &f.alloc,         &f.alignedAlloc};
  return all[index % (sizeof all / sizeof all[0])];
}

void buildTree(const std::vector<std::string>& sections, bool fatX, unsigned codePage) {
  addVolume("D:");
  addVolume("E:");
  if (fatX) addVolume("X:", 4096, "FAT32");
  else addVolume("X:");
  for (size_t k = 3; k < sections.size() && k < 3 + mostEntries; ++k) {
    if (sections[k].empty()) continue;
    char kind = sections[k][0];
    std::string path = wellFormed(expand(sections[k].substr(1)), codePage);
    if (std::count(path.begin(), path.end(), '\\') > mostNames) continue;
    if (kind == 'd' || kind == 'D' || kind == 'L') {
      addFolder(path.c_str());
      FakeNode* node = findNode(path.c_str());
      if (node && kind == 'D') node->statusFails = true;
      if (node && kind == 'L') node->listFails = true;
      continue;
    }
    if (kind == 'l') {
      size_t bar = path.find('|');
      if (bar != std::string::npos) addFolderLink(path.substr(0, bar).c_str(), path.substr(bar + 1).c_str());
      continue;
    }
    unsigned sum = 0;
    for (char c : path) sum += (unsigned char)c;
    addFile(path.c_str(), std::string(sum * 7 % 1400, (char)sum));
    FakeNode* node = findNode(path.c_str());
    if (!node || node->folder) continue;
    if (kind == 'F') node->statusFails = true;
    if (kind == 'r') node->readOnly = true;
    if (kind == 'o') node->openFails = true;
  }
}

std::string normalisedByRule(const std::string& argument) {
  bool letter = !argument.empty() && ((argument[0] >= 'A' && argument[0] <= 'Z') || (argument[0] >= 'a' && argument[0] <= 'z'));
  if (argument.size() == 2 && letter && argument[1] == ':') return argument + "\\";
  if (argument.size() == 3 && letter && argument[1] == ':' && argument[2] == '\\') return argument;
  size_t last = argument.size() - 1;
  if (!argument.empty() && argument[last] == '\\' && !referenceTrail(argument, (long long)last))
    return argument.substr(0, last);
  return argument;
}

void checkNormalise(const std::string& argument) {
  ExactText input(argument);
  ExactBlock path(pathBufferSize);
  bool fits = normaliseArgument(input.data(), path.data());
  FUZZ_CHECK(fits == (argument.size() <= longestPath), argument);
  if (!fits) return;
  FUZZ_CHECK(memchr(path.data(), 0, pathBufferSize) != nullptr, argument);
  FUZZ_CHECK(std::string(path.data()) == normalisedByRule(argument), argument);
}

// The leading text names a folder above the other: a drive root, or the
// other goes on with a backslash of its own (E:\PICTURE2 is a sibling).
bool leadsAsFolder(const std::string& lead, const std::string& text) {
  if (text.size() <= lead.size() || text.compare(0, lead.size(), lead) != 0) return false;
  if (lead.back() == '\\' && !referenceTrail(lead, (long long)lead.size() - 1)) return true;
  return text[lead.size()] == '\\' && !referenceTrail(text, (long long)lead.size());
}

// The refusal the checks owe this pair, found from the fake file system as
// the run left it (the checks' only change to it is TO's folders, made before
// TO's status is taken); empty when the pair passes.
std::string refusalFor(const std::string& from, const std::string& to, bool* fromIsFolder) {
  FileStatus status;
  StatusResult found = osFileStatus(from.c_str(), &status);
  if (found == statusNotFound) return "FROM_FOLDER[" + from + "] DOES NOT EXIST.\n";
  if (found != statusOk) return "FROM_FOLDER[" + from + "] CANNOT BE ACCESSED.\n";
  *fromIsFolder = (status.mode & folderModeBit) != 0;
  found = osFileStatus(to.c_str(), &status);
  if (found == statusNotFound) return "TO_FOLDER[" + to + "] DOES NOT EXIST.\n";
  if (found != statusOk) return "TO_FOLDER[" + to + "] CANNOT BE ACCESSED.\n";
  if ((status.mode & folderModeBit) == 0) return "TO_FOLDER[" + to + "] IS NOT FOLDER.\n";
  std::string foldedFrom = referenceFold(from);
  std::string foldedTo = referenceFold(to);
  if (foldedFrom == foldedTo) return "FROM and TO VALUES[" + from + "] ARE THE SAME.\n";
  if (leadsAsFolder(foldedFrom, foldedTo))
    return "TO_FOLDER[" + to + "] IS A SUBFOLDER OF THE FROM_FOLDER(" + from + ").\n";
  if (leadsAsFolder(foldedTo, foldedFrom))
    return "FROM_FOLDER[" + from + "] IS A SUBFOLDER OF THE TO_FOLDER(" + to + ").\n";
  return std::string();
}

bool sameNode(const FakeNode& a, const FakeNode& b) {
  return a.folder == b.folder && a.bytes == b.bytes && a.lastWrite == b.lastWrite && a.accessTime == b.accessTime &&
         a.readOnly == b.readOnly && a.linkTo == b.linkTo;
}

// A refused run leaves every file and folder as it found them; the checks
// may only have made TO's missing folders (when FROM was found).
void checkNothingChanged(const std::map<std::string, FakeNode>& before, bool foldersAllowed, const std::string& what) {
  for (const auto& entry : before) {
    auto now = fakeFiles.nodes.find(entry.first);
    FUZZ_CHECK(now != fakeFiles.nodes.end() && sameNode(entry.second, now->second), what + " | " + entry.first);
  }
  for (const auto& entry : fakeFiles.nodes)
    if (!before.count(entry.first)) FUZZ_CHECK(foldersAllowed && entry.second.folder, what + " | " + entry.first);
  for (const std::string& line : fakeFiles.log)
    FUZZ_CHECK(foldersAllowed && line.compare(0, 6, "mkdir ") == 0, what + " | " + line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> sections = sectionsOf(data, size);
  while (sections.size() < 3) sections.emplace_back();
  const std::string& options = sections[0];
  uint8_t flags = options.empty() ? 0 : (uint8_t)options[0];
  bool checksOnly = (flags & 1) != 0;
  unsigned codePage = referenceCodePage((flags >> 2) & 7);
  useReferenceCodePage(codePage);
  std::string first = expand(sections[1]);
  std::string second = expand(sections[2]);

  checkNormalise(first);
  checkNormalise(second);
  first = wellFormed(first, codePage);
  second = wellFormed(second, codePage);
  std::string what = first + " | " + second;

  startFreshRun();
  useReferenceCodePage(codePage);
  buildTree(sections, (flags & 2) != 0, codePage);
  for (size_t i = 1; i + 1 < options.size(); i += 2) {
    unsigned char call = (unsigned char)options[i + 1];
    faultNumber((unsigned char)options[i])->arm(1 + (call & 0x7F), (call & 0x80) != 0);
  }
  std::map<std::string, FakeNode> before = fakeFiles.nodes;

  int code = 0;
  bool fromIsFolder = false;
  std::string from = first;
  std::string to = second;
  if (checksOnly) {
    if (first.size() > longestPath || second.size() > longestPath) return 0;
    ExactText fromBlock(first);
    ExactText toBlock(second);
    code = checkPaths(fromBlock.data(), toBlock.data(), &fromIsFolder);
  } else {
    ExactText program("vestro.exe");
    ExactText fromBlock(first);
    ExactText toBlock(second);
    char* argv[] = {program.data(), fromBlock.data(), toBlock.data(), nullptr};
    code = runVestro(3, argv);
    from = normalisedByRule(first);
    to = normalisedByRule(second);
  }

  FUZZ_CHECK(fakeFiles.longestPath <= longestPath, what);
  FUZZ_CHECK(fakeFiles.openHandles == 0 && fakeFiles.liveBlocks == 0, what);
  FUZZ_CHECK(fakeRegistry.openKeys == 0, what);
  std::string printed = printedText();

  // What the run owed: worked out only now, from the file system it left.
  clearFaults();
  std::string refusal;
  bool changesAllowed = true;
  bool expectedFolder = false;
  if (!checksOnly && first.size() > longestPath) {
    refusal = "FROM_FOLDER[" + first + "] IS TOO LONG.\n";
    changesAllowed = false;
  } else if (!checksOnly && second.size() > longestPath) {
    refusal = "TO_FOLDER[" + second + "] IS TOO LONG.\n";
    changesAllowed = false;
  } else {
    refusal = refusalFor(from, to, &expectedFolder);
    changesAllowed = refusal.compare(0, 12, "FROM_FOLDER[") != 0 || refusal.find("SUBFOLDER") != std::string::npos;
    std::string name = from.substr(referenceBaseName(from));
    if (refusal.empty() && !checksOnly && !expectedFolder && to.size() + 1 + name.size() > longestPath)
      refusal = "TO_FOLDER[" + to + "\\" + name + "] IS TOO LONG.\n";
  }

  if (!refusal.empty()) {
    FUZZ_CHECK(code == -1, what);
    FUZZ_CHECK(printed == refusal, what + " | " + printed);
    FUZZ_CHECK(fakeConsole.clears == 0, what);
    checkNothingChanged(before, changesAllowed, what);
  } else {
    // A run that went ahead ends with 1 when its screen shows a failure. File
    // mode's one failure that shows nothing: the source's status not read.
    int owed = 0;
    if (!checksOnly && expectedFolder) {
      owed = rowText(5, 2, 18) == "VERIFY DATA ERROR!" ? 1 : 0;
    } else if (!checksOnly) {
      const char* word = shownStatus();
      owed = !word ? (code == 1 ? 1 : 0) : strcmp(word, "Already Copied!") != 0 ? 1 : 0;
    }
    FUZZ_CHECK(code == owed, what + " | " + printed);
    if (checksOnly) {
      FUZZ_CHECK(fromIsFolder == expectedFolder, what);
      FUZZ_CHECK(printed.empty(), what);
    } else {
      FUZZ_CHECK(fakeConsole.clears == 1, what);
      // Only tree mode prints: the source paths that failed verification.
      if (!expectedFolder) FUZZ_CHECK(printed.empty(), what);
      if (!printed.empty())
        FUZZ_CHECK(printed.compare(0, from.size() + 1, " " + from) == 0 && printed.back() == '\n', what + " | " + printed);
    }
  }
  releaseCopyBuffer();
  mismatchClear();
  return 0;
}
