// Fuzzes a whole tree copy and its verification over the in-memory file
// system: a small source tree, whatever already stands in the destination,
// how each volume behaves and one injected fault; then a second run with no
// fault. After each run: nothing in FROM or anywhere outside TO changed; a
// success verdict only with every source file copied whole under its own
// name; every file without its copy listed (itself or a folder above it)
// and the error count the list's length; an old copy untouched or replaced
// whole; leftovers of the temporary form only after a fault; nothing left
// open. The second run copies all when nothing in the profile stands in
// its way.
//
// Input, byte by byte (missing bytes read as 0):
//   0  bit 0 TO on FROM's volume (D:) instead of X:; bit 1 TO exists
//      before the run; bit 2 TO holds a complete copy; bits 3-4 no final
//      paths below D:\share, below TO's share, below a source folder;
//      bit 5 FROM and TO some 470 bytes long, so that the tree's paths
//      reach the limits of a path and of a header line; bit 6 TO a second
//      name of FROM's first folder that is walked (where D:'s IDs can
//      tell: a folder the walk does not enter is never compared), nothing
//      in it and no fault
//   1  D:'s profile, 2  TO's volume's profile, 6  E:'s (where links in TO
//      lead elsewhere): bits 0-1 IDs unique, zero, all ones, reused; bit 2
//      no final paths; bit 3 4096-byte sectors; bits 4-5 unbuffered I/O
//      refused at the create or the first write, or (3) IDs shared by
//      folders at once; bit 6 FAT32; bit 7 little free space
//   3  free space when little, in 128-byte units
//   4  the fault: low 6 bits pick one of the seam's faults (1-32, in
//      FakeFaults' order), held renames (33) or held removals (34), else
//      none; bit 7 persistent
//   5  its call number, 1 plus the byte (or how many held)
//   7  source entries (1 to 8), two bytes each: folder bit 7, parent in
//      bits 0-2, size in bits 3-5; name in bits 0-3, time in bits 4-5
//   then what stands in TO (0 to 8), two bytes each: kind in bits 0-2,
//   target in bits 3-7 (a folder link's bit 4: a second name instead; into
//   FROM only of FROM itself, where D:'s IDs can tell); the source entry it
//   stands for
#include <stdint.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "copy/copy_rules.h"
#include "copy/copy_screen.h"
#include "copy/path_chain.h"
#include "copy/replacement.h"
#include "copy/run_progress.h"
#include "copy/run_tally.h"
#include "copy/tree_copy.h"
#include "copy/unbuffered_copy.h"
#include "copy/volume_info.h"
#include "fake_console.h"
#include "fake_files.h"
#include "fresh_run.h"
#include "fuzz_support.h"
#include "pattern_bytes.h"
#include "verify/mismatch_list.h"
#include "text/path_text.h"
#include "verify/verify_tree.h"

namespace {

struct Reader {
  const uint8_t* data;
  size_t size;
  size_t at;
  unsigned next() { return at < size ? data[at++] : 0; }
};

// Names and whether they can stand for themselves. Case twins come from a
// name met again in the same folder.
const struct {
  const char* text;
  bool copyable;
} names[] = {
    {"a.jpg", true},          {"A.JPG", true},         {"b", true},
    {"sub", true},            {"SUB", true},           {"\x95\x5C", true},
    {"\x83\x5C.txt", true},   {"c.", false},           {"d ", false},
    {"e.vestro-tmp", false},  {"f.txt", true},         {"\x94\x5C\x95\x5C", true},
    {"g", true},              {"h.bin", true},         {"x\x83\x5Cy", true},
    {"CON", false},
};
const size_t sizes[] = {0, 1, 100, 511, 512, 513, 4096, 5000};
const int64_t times[] = {132000000000000000LL, 132000000000000001LL, 132500000012345678LL, 125000000000000000LL};

struct Entry {
  bool folder;
  int parent;          // index, -1 for FROM itself
  std::string listed;  // path below FROM as the listing spells it
  std::string keyed;   // path below FROM as the node is made
  bool copyable;       // it and every folder above it can be copied
  std::string bytes;
  int64_t lastWrite;
};

struct World {
  std::string from, to, toKey;
  bool fromIdsTell;  // D:'s IDs can tell a second name of a folder
  std::string toNames;  // TO is a second name of this source folder (path below FROM)
  std::vector<Entry> entries;
  bool linksInTo;  // a folder link stands in TO
  std::map<std::string, FakeNode> toBefore;  // TO's nodes by key
  uint64_t fromBefore, restBefore;
  std::vector<std::string> reached;  // where TO's links lead before the run
};

std::string upperAscii(std::string text) {
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = (unsigned char)text[i];
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
      ++i;
      continue;
    }
    if (c >= 'a' && c <= 'z') text[i] = (char)(c - 32);
  }
  return text;
}

bool under(const std::string& key, const std::string& root) {
  return key == root || (key.size() > root.size() && key.compare(0, root.size(), root) == 0 && key[root.size()] == '\\');
}

bool sameNode(const FakeNode& a, const FakeNode& b) {
  return a.folder == b.folder && a.name == b.name && a.lastWrite == b.lastWrite && a.linkTo == b.linkTo &&
         a.hardLink == b.hardLink && a.readOnly == b.readOnly && a.bytes == b.bytes;
}

uint64_t mix(uint64_t hash, const void* data, size_t size) {
  for (size_t i = 0; i < size; ++i) hash = (hash ^ ((const unsigned char*)data)[i]) * 1099511628211ull;
  return hash;
}

uint64_t mix(uint64_t hash, const std::string& text) { return mix(mix(hash, text.data(), text.size()), "|", 1); }

// Where TO's links lead, outside FROM: the walk follows a link of TO by
// design, and what lies there is as much TO's as its own folders.
std::vector<std::string> reachedFromTo(const std::string& toKey, const std::string& fromKey) {
  std::vector<std::string> reached;
  for (const auto& entry : fakeFiles.nodes)
    if (under(entry.first, toKey) && !entry.second.linkTo.empty() && !entry.second.hardLink &&
        !under(entry.second.linkTo, fromKey))
      reached.push_back(entry.second.linkTo);
  return reached;
}

// Every node below root (within), or every node outside it and outside
// what TO's links reach, as one number to compare before and after a run.
uint64_t stateOf(const std::string& root, bool within, const std::vector<std::string>& reached = {}) {
  uint64_t hash = 14695981039346656037ull;
  for (const auto& entry : fakeFiles.nodes) {
    if (under(entry.first, root) != within) continue;
    bool linked = false;
    for (const std::string& place : reached) linked |= under(entry.first, place);
    if (linked) continue;
    const FakeNode& node = entry.second;
    int64_t facts[] = {node.folder, node.hardLink, node.readOnly, node.lastWrite};
    hash = mix(mix(mix(mix(mix(hash, entry.first), node.name), node.linkTo), node.bytes), facts, sizeof facts);
  }
  return hash;
}

// The same as text, for the report of a failed check.
std::string stateText(const std::string& root) {
  std::string state;
  for (const auto& entry : fakeFiles.nodes) {
    const FakeNode& node = entry.second;
    if (under(entry.first, root))
      state += entry.first + (node.folder ? " d " : " f ") + std::to_string(node.lastWrite) + " " + node.linkTo +
               (node.hardLink ? " hard " : " ") + std::to_string(node.bytes.size()) + "\n";
  }
  return state;
}

// Whether a name can be placed at path: every folder between TO and it is
// a real folder or missing, and nothing bears the name.
bool canPlant(const World& w, const std::string& path) {
  for (size_t cut = w.to.size(); cut < path.size(); cut = path.find('\\', cut + 1)) {
    FakeNode* node = findName(path.substr(0, cut).c_str());
    if (node && (!node->folder || !node->linkTo.empty())) return false;
  }
  return findName(path.c_str()) == nullptr;
}

FakeIds idsOf(unsigned profile) {
  const FakeIds ids[] = {idsUnique, idsZero, idsAllOnes, idsReused};
  return ((profile >> 4) & 3) == 3 ? idsColliding : ids[profile & 3];
}

void applyProfile(const char* volume, unsigned profile, unsigned room) {
  FakeVolume& v = fakeFiles.volumes[volume];
  const UnbufferedRefusal refusals[] = {refusesNothing, refusesCreate, refusesFirstWrite, refusesNothing};
  v.ids = idsOf(profile);
  v.finalPaths = (profile & 4) == 0;
  v.sectorSize = profile & 8 ? 4096 : 512;
  v.unbufferedRefused = refusals[(profile >> 4) & 3];
  v.fileSystem = profile & 64 ? "FAT32" : "NTFS";
  if (profile & 128) v.freeBytes = (uint64_t)room * 128;
}

// The source entries, made in FROM.
void buildSource(World& w, Reader& in) {
  addFolder(w.from.c_str());
  int count = (int)(in.next() % 8) + 1;
  std::vector<int> folders;  // entries that are folders
  for (int i = 0; i < count; ++i) {
    unsigned a = in.next();
    unsigned b = in.next();
    Entry e;
    e.folder = (a & 0x80) != 0;
    unsigned pick = a & 7;
    e.parent = pick == 0 || folders.empty() ? -1 : folders[(pick - 1) % folders.size()];
    std::string name = names[b & 15].text;
    const Entry* parent = e.parent < 0 ? nullptr : &w.entries[e.parent];
    std::string listedAbove = parent ? parent->listed + "\\" : "";
    std::string keyedAbove = parent ? parent->keyed + "\\" : "";
    // The same name met again in one folder is a case twin.
    bool twin = false;
    for (const Entry& other : w.entries)
      if (other.parent == e.parent && upperAscii(other.listed) == upperAscii(listedAbove + name)) twin = true;
    e.listed = listedAbove + name;
    e.keyed = keyedAbove + (twin ? "twin" + std::to_string(i) : name);
    // A folder's path must leave room for its header line, a file's fit a path.
    size_t longest = (e.folder ? pathBufferSize - 1 - 14 : pathBufferSize - 1);
    bool fits = w.from.size() + 1 + e.listed.size() <= longest && w.to.size() + 1 + e.listed.size() <= longest;
    e.copyable = names[b & 15].copyable && !twin && (!parent || parent->copyable) && fits;
    e.lastWrite = times[(b >> 4) & 3];
    std::string path = w.from + "\\" + e.keyed;
    if (e.folder) {
      addFolder(path.c_str());
      folders.push_back((int)w.entries.size());
    } else {
      e.bytes = patternBytes(sizes[(a >> 3) & 7], (int)(((unsigned)i + (b >> 6) * 16) * 7919u));
      addFile(path.c_str(), e.bytes, e.lastWrite);
    }
    if (twin) findName(path.c_str())->listedAs = name;
    w.entries.push_back(e);
  }
}

// What stands in TO before the run. The outcome says whether the second
// run can still copy everything.
bool buildStanding(World& w, Reader& in, bool complete) {
  bool clear = true;
  int count = (int)(in.next() % 9);
  int files = 0;
  for (const Entry& e : w.entries) files += !e.folder;
  for (int i = 0; i < count; ++i) {
    unsigned a = in.next();
    unsigned b = in.next();
    const Entry& e = w.entries[b % w.entries.size()];
    // A file of any kind where a folder goes stays in the way.
    if (e.folder && ((a & 7) == 2 || (a & 7) == 3)) clear = false;
    std::string at = w.to + "\\" + e.listed;
    unsigned target = a >> 3;
    // A file or folder of FROM, of TO, or elsewhere.
    const Entry& other = w.entries[target % w.entries.size()];
    std::string fromTarget = w.from + (target & 1 ? "\\" + other.keyed : std::string());
    std::string toTarget = w.to + "\\" + other.listed;
    const char* elsewhere[] = {"E:\\else", "E:\\else\\f.txt", "D:\\share\\other", "X:\\share\\sib\\s.txt"};
    std::string linked = (target & 6) == 0 ? fromTarget : (target & 6) == 2 ? toTarget : elsewhere[(target >> 1) & 3];
    bool intoFrom = (target & 6) == 0;
    unsigned kind = a & 7;
    if (kind == 5) at += temporarySuffix;
    // Every link leads to something: the fake makes a folder made through
    // a link that leads nowhere at its target, where the system refuses it.
    bool link = kind == 3 || kind == 4 || (kind == 5 && (target & 16));
    std::string leadsTo = kind == 3 && intoFrom ? w.from + "\\" + other.keyed : linked;
    if (!canPlant(w, at) || (link && !findNode(leadsTo.c_str()))) continue;
    // Where not even the short temporary name fits, nothing standing can be replaced.
    if (at.size() + 21 > (size_t)pathBufferSize - 1) clear = false;
    // Links are made in a folder that exists, as any file is.
    size_t cut = 0;
    for (size_t c = 0; c < at.size(); c += (unsigned char)at[c] >= 0x81 ? 2 : 1)
      if (at[c] == '\\') cut = c;
    addFolder(at.substr(0, cut).c_str());
    switch (kind) {
      case 0:  // a stale copy
      case 7:  // one that differs in its time only
        if (e.folder) addFolder(at.c_str());
        else if (kind == 0) addFile(at.c_str(), "old " + std::to_string(i), e.lastWrite - 20000000);
        else addFile(at.c_str(), e.bytes, e.lastWrite + 30000000);
        break;
      case 1:  // a complete copy
        if (e.folder) addFolder(at.c_str());
        else addFile(at.c_str(), e.bytes, e.lastWrite);
        break;
      case 2: {  // a second name of a source file
        if (files == 0) continue;
        int n = (int)(target % files);
        for (const Entry& f : w.entries)
          if (!f.folder && n-- == 0) addHardLink(at.c_str(), (w.from + "\\" + f.keyed).c_str());
        break;
      }
      case 3: {  // a file link; one that leads to a folder cannot be replaced
        addFileLink(at.c_str(), leadsTo.c_str());
        FakeNode* reached = findNode(leadsTo.c_str());
        if (reached && reached->folder) clear = false;
        break;
      }
      case 4:  // a folder link, or a second name of a folder (known by its ID alone)
        if (!findNode(linked.c_str())->folder) continue;
        if (target & 16) {
          // A second name carries no link to follow: into FROM (also by way
          // of another link of TO), only FROM's own can be told by its ID.
          FakeNode* named = findNode(linked.c_str());
          bool inFrom = false;
          for (const Entry& f : w.entries) inFrom |= named == findNode((w.from + "\\" + f.keyed).c_str());
          if (inFrom || (named == findNode(w.from.c_str()) && !w.fromIdsTell)) continue;
          addFolderAlias(at.c_str(), linked.c_str());
        } else {
          addFolderLink(at.c_str(), linked.c_str());
        }
        w.linksInTo = true;
        clear = false;
        break;
      case 5:  // a leftover of a replacement, or a link of that name
        if (target & 16) {
          addFileLink(at.c_str(), linked.c_str());
          clear = false;
        } else {
          addFile(at.c_str(), "leftover", 131000000000000000LL);
          // The fake's real locations are in the code page, not UTF-8: a
          // second byte 0x5C reads as a separator there.
          for (size_t c = 1; c < at.size(); ++c)
            if (at[c] == '\\' && (unsigned char)at[c - 1] >= 0x81) clear = false;
        }
        break;
      case 6:  // a file where a folder goes, or the reverse
        if (e.folder) addFile(at.c_str(), "in the way");
        else addFolder(at.c_str());
        clear = false;
        break;
    }
  }
  for (const Entry& e : w.entries) {
    std::string at = w.to + "\\" + e.listed;
    if (!complete || !e.copyable || !canPlant(w, at)) continue;
    if (e.folder) addFolder(at.c_str());
    else addFile(at.c_str(), e.bytes, e.lastWrite);
  }
  // Any link in TO may lead the walk elsewhere; a file link that reaches a
  // folder cannot be replaced.
  for (const auto& node : fakeFiles.nodes) {
    if (!under(node.first, w.toKey) || node.second.linkTo.empty() || node.second.hardLink) continue;
    w.linksInTo = true;
    auto reached = fakeFiles.nodes.find(node.second.linkTo);
    bool file = reached != fakeFiles.nodes.end() && !reached->second.folder;
    if (!node.second.folder && !file && (reached != fakeFiles.nodes.end() || under(node.second.linkTo, w.toKey)))
      clear = false;  // a folder there now, or one the run may make
  }
  return clear;
}

struct Outcome {
  bool refused;  // TO could not be made, as the path checks would refuse it
  bool faulted;  // the fault struck
  bool verdict;
  int errors;
  std::vector<std::string> list;
};

Outcome runOnce(World& w) {
  w.fromBefore = stateOf(upperAscii(w.from), true);
  w.reached = reachedFromTo(w.toKey, upperAscii(w.from));
  w.restBefore = stateOf(w.toKey, false, w.reached);
  w.toBefore.clear();
  for (const auto& node : fakeFiles.nodes)
    if (under(node.first, w.toKey)) w.toBefore[node.first] = node.second;
  Outcome out = Outcome();
  // The path checks make TO, and refuse a run where no folder stands there.
  makePathChain(w.to.c_str());
  FakeNode* to = findNode(w.to.c_str());
  out.refused = !to || !to->folder;
  if (out.refused) return out;
  int64_t files = 0;
  int64_t bytes = 0;
  if (countTree(w.from.c_str(), w.to.c_str(), &files, &bytes)) copyTree(w.from.c_str(), w.to.c_str());
  releaseCopyBuffer();
  out.verdict = verifyTree(w.from.c_str(), w.to.c_str());
  out.errors = runTally.copyErrorCount;
  for (int i = 0; mismatchAt(i); ++i) out.list.push_back(mismatchAt(i));
  mismatchClear();
  return out;
}

int faultHits() {
  FakeFault* all = (FakeFault*)&fakeFiles.faults;
  int hits = 0;
  for (size_t i = 0; i < sizeof(FakeFaults) / sizeof(FakeFault); ++i) hits += all[i].hits;
  return hits;
}

std::string describe(const World& w, const Outcome& out, const std::string& what) {
  std::string text = what + (out.refused ? " | refused" : "") + " | verdict " + (out.verdict ? "success" : "error") + " count " +
                     std::to_string(out.errors) + " list:";
  for (const std::string& line : out.list) text += " [" + line + "]";
  text += " | TO:\n" + stateText(w.toKey);
  return text;
}

// Whether a folder link between TO and path leads into FROM, where the
// "copy" would be the source itself. (Links elsewhere are followed by
// design; a link at the file's own name counts as what it leads to, as
// the fake's status follows it.)
bool linkOnTheWay(const World& w, const std::string& path) {
  for (size_t cut = path.find('\\', w.to.size() + 1); cut != std::string::npos; cut = path.find('\\', cut + 1)) {
    FakeNode* node = findName(path.substr(0, cut).c_str());
    if (node && !node->linkTo.empty() && under(node->linkTo, upperAscii(w.from))) return true;
  }
  return false;
}

void check(World& w, const Outcome& out, bool faulted, bool held, const char* run) {
  std::string tag = run;
  FUZZ_CHECK(fakeFiles.openHandles == 0, describe(w, out, tag + ": a handle left open"));
  FUZZ_CHECK(fakeFiles.strayHandles == 0, describe(w, out, tag + ": a folder handle that was not open handed in"));
  FUZZ_CHECK(fakeFiles.liveBlocks == 0, describe(w, out, tag + ": a block not released"));
  FUZZ_CHECK(stateOf(upperAscii(w.from), true) == w.fromBefore, describe(w, out, tag + ": FROM changed"));
  FUZZ_CHECK(stateOf(w.toKey, false, w.reached) == w.restBefore, describe(w, out, tag + ": something outside TO changed"));
  if (out.refused) {
    FUZZ_CHECK(faulted, describe(w, out, tag + ": TO not made"));
    return;
  }

  bool allocFailed = fakeFiles.faults.alloc.hits > 0;
  bool unlistedTop = !out.verdict && out.errors == 0 && out.list.empty();
  if (!w.toNames.empty()) {
    // Met before anything was written: only it (or a folder above) is named.
    FUZZ_CHECK(!out.verdict, describe(w, out, tag + ": success into a folder of FROM"));
    bool named = false;
    for (const std::string& line : out.list) named |= under(w.from + "\\" + w.toNames, line);
    FUZZ_CHECK(named || unlistedTop || allocFailed, describe(w, out, tag + ": TO in FROM not listed"));
    return;
  }
  if (allocFailed) FUZZ_CHECK(out.errors >= (int)out.list.size(), describe(w, out, tag + ": count under the list"));
  else FUZZ_CHECK(out.errors == (int)out.list.size(), describe(w, out, tag + ": count is not the list's length"));
  if (out.verdict) FUZZ_CHECK(out.errors == 0, describe(w, out, tag + ": success with errors"));

  // A source that could not be listed at all gives an error and no list.
  bool unlisted = !out.verdict && out.errors == 0 && out.list.empty() &&
                  (fakeFiles.faults.listFirst.hits > 0 || allocFailed);
  int good = 0;
  for (const Entry& e : w.entries) {
    if (e.folder) continue;
    std::string at = w.to + "\\" + e.listed;
    FakeNode* copy = findNode(at.c_str());
    // What stood there before and looks current (size, whole seconds) is
    // skipped by design; what this run wrote must be the source's exactly.
    auto old = w.toBefore.find(upperAscii(at));
    FakeNode* own = findName(at.c_str());
    bool kept = old != w.toBefore.end() && own && sameNode(old->second, *own) && copy &&
                copy->bytes.size() == e.bytes.size() && statusSeconds(copy->lastWrite) == statusSeconds(e.lastWrite);
    bool equal = e.copyable && copy && !copy->folder && !linkOnTheWay(w, at) &&
                 ((copy->bytes == e.bytes && copy->lastWrite == e.lastWrite) || kept);
    good += e.copyable && copy && !copy->folder && copy->bytes == e.bytes;  // a copy whose time failed counts
    if (equal) continue;
    FUZZ_CHECK(!out.verdict, describe(w, out, tag + ": success without " + e.listed));
    if (unlisted || allocFailed) continue;
    bool listed = false;
    std::string path = w.from + "\\" + e.listed;
    for (const std::string& line : out.list)
      listed |= line == path || (path.compare(0, line.size(), line) == 0 && path[line.size()] == '\\');
    FUZZ_CHECK(listed, describe(w, out, tag + ": not listed: " + e.listed));
  }
  FUZZ_CHECK(runTally.realCopyCount <= good, describe(w, out, tag + ": more copies counted than made"));

  // Every folder has its copy, or it, a folder above it or something below
  // it is listed.
  for (const Entry& e : w.entries) {
    if (!e.folder) continue;
    std::string at = w.to + "\\" + e.listed;
    FakeNode* copy = findNode(at.c_str());
    if (e.copyable && copy && copy->folder && !linkOnTheWay(w, at + "\\x")) continue;
    FUZZ_CHECK(!out.verdict, describe(w, out, tag + ": success without folder " + e.listed));
    if (unlisted || allocFailed) continue;
    bool listed = false;
    std::string path = w.from + "\\" + e.listed;
    for (const std::string& line : out.list)
      listed |= under(line, path) || under(path, line);
    FUZZ_CHECK(listed, describe(w, out, tag + ": folder not listed: " + e.listed));
  }

  // What stood in TO: untouched, or a whole new copy in its place; a
  // leftover of the program's own may go.
  std::map<std::string, const Entry*> positions;
  for (const Entry& e : w.entries)
    if (e.copyable) positions[upperAscii(w.to + "\\" + e.listed)] = &e;  // a twin's is its first's
  for (const auto& old : w.toBefore) {
    auto now = fakeFiles.nodes.find(old.first);
    bool temporary = isTemporaryName(old.first.c_str());
    if (now == fakeFiles.nodes.end()) {
      FUZZ_CHECK(temporary && (old.second.linkTo.empty() || old.second.hardLink),
                 describe(w, out, tag + ": removed " + old.first));
      continue;
    }
    if (sameNode(now->second, old.second)) continue;
    if (temporary && (faulted || held)) continue;
    auto position = positions.find(old.first);
    const Entry* e = position == positions.end() ? nullptr : position->second;
    // A copy reached through a link of TO is some source file's.
    for (size_t i = 0; !e && w.linksInTo && i < w.entries.size(); ++i)
      if (!w.entries[i].folder && w.entries[i].bytes == now->second.bytes &&
          w.entries[i].lastWrite == now->second.lastWrite)
        e = &w.entries[i];
    FUZZ_CHECK(e && !e->folder && !now->second.folder && now->second.linkTo.empty() &&
                   now->second.bytes == e->bytes && now->second.lastWrite == e->lastWrite,
               describe(w, out, tag + ": old copy changed: " + old.first));
  }
  int leftovers = 0;
  for (const auto& node : fakeFiles.nodes) {
    if (!under(node.first, w.toKey)) continue;
    auto old = w.toBefore.find(node.first);
    if (old != w.toBefore.end() && sameNode(old->second, node.second)) continue;
    if (isTemporaryName(node.first.c_str()) && !node.second.folder) {  // a folder there came through a link
      ++leftovers;
      FUZZ_CHECK(faulted || held, describe(w, out, tag + ": leftover with no fault: " + node.first));
      continue;
    }
    // Anything new stands at a source entry's own name, unless a folder
    // link of TO leads there.
    FUZZ_CHECK(node.first == w.toKey || positions.count(node.first) || w.linksInTo,
               describe(w, out, tag + ": made outside the tree: " + node.first));
  }
  FUZZ_CHECK(leftovers <= (int)w.entries.size(), describe(w, out, tag + ": leftovers"));
}

void newProcess() {
  resetFakeConsole();
  runTally = RunTally{0, 0, 0};
  forgetVolumes();
  forgetFreeSpace();
  forgetReplaceRights();
  forgetProgress();
  lastNameWidth = 0;
  lastFromWidth = 0;
  lastToWidth = 0;
}

}  // namespace

// Every input makes and drops thousands of small blocks: a small quarantine
// lets their pages be used again instead of faulted in afresh.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=4:malloc_context_size=5"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in = {data, size, 0};
  startFreshRun();
  addVolume("D:");
  addVolume("X:");
  addVolume("E:");
  unsigned header = in.next();
  unsigned fromProfile = in.next();
  unsigned toProfile = in.next();
  unsigned room = in.next();
  unsigned faultSite = in.next();
  unsigned faultCall = in.next() + 1;
  unsigned elseProfile = in.next();

  World w;
  w.linksInTo = false;
  bool sameVolume = header & 1;
  std::string pad = header & 32 ? "\\" + std::string(230, 'L') + "\\" + std::string(228, 'M') : "";
  w.from = "D:\\share" + pad + "\\FROM";
  w.to = (sameVolume ? "D:\\share" : "X:\\share") + pad + "\\TO";
  w.fromIdsTell = idsOf(fromProfile) != idsZero && idsOf(fromProfile) != idsAllOnes;
  w.toKey = upperAscii(w.to);
  addFolder("X:\\share");
  addFolder(w.to.substr(0, w.to.size() - 3).c_str());  // TO's parent stands, as X:\share does
  addFile("D:\\share\\other\\o.txt", "other", 131000000000000000LL);
  addFile("E:\\else\\f.txt", "else", 131000000000000000LL);
  addFile("X:\\share\\sib\\s.txt", "sibling", 131000000000000000LL);
  buildSource(w, in);
  for (const Entry& e : w.entries)
    if ((header & 64) && w.fromIdsTell && e.folder && e.copyable && w.toNames.empty()) w.toNames = e.keyed;
  bool clear = false;
  if (!w.toNames.empty()) {
    addFolderAlias(w.to.c_str(), (w.from + "\\" + w.toNames).c_str());
  } else {
    if (header & 2) addFolder(w.to.c_str());
    clear = buildStanding(w, in, (header & 4) != 0);
  }
  const char* volume = sameVolume ? "D:" : "X:";
  applyProfile("D:", fromProfile, room);
  if (!sameVolume) applyProfile(volume, toProfile, room);
  applyProfile("E:", elseProfile & 127, room);
  bool roomy = fakeFiles.volumes[volume].freeBytes > (1u << 20);
  switch ((header >> 3) & 3) {
    case 1: findNode("D:\\share")->hidesFinalPaths = true; break;
    case 2: findNode((std::string(volume) + "\\share").c_str())->hidesFinalPaths = true; break;
    case 3:
      for (const Entry& e : w.entries)
        if (e.folder) {
          findName((w.from + "\\" + e.keyed).c_str())->hidesFinalPaths = true;
          break;
        }
      break;
  }
  bool allCopyable = true;
  // The fake's real locations are in the code page, not UTF-8: where a
  // name holds a second byte 0x5C, a leftover a fault left is not told
  // apart from a link and stays in the way.
  bool misread = false;
  for (const Entry& e : w.entries) {
    allCopyable &= e.copyable;
    for (size_t c = 1; c < e.listed.size(); ++c) misread |= e.listed[c] == '\\' && (unsigned char)e.listed[c - 1] >= 0x81;
  }
  misread &= fakeFiles.volumes[volume].finalPaths;

  // The first run, with its fault.
  unsigned site = faultSite & 63;
  const int seamFaults = (int)(sizeof(FakeFaults) / sizeof(FakeFault));
  bool held = false;
  // The count finds TO inside FROM only in the folders it walks: a fault
  // that keeps it out of one could hide TO from it. No fault then.
  if (!w.toNames.empty()) site = 0;
  if (site >= 1 && (int)site <= seamFaults) {
    ((FakeFault*)&fakeFiles.faults)[site - 1].arm((int)faultCall, (faultSite & 128) != 0);
  } else if ((int)site == seamFaults + 1) {
    fakeFiles.heldRenames = (int)faultCall;
    held = true;
  } else if ((int)site == seamFaults + 2) {
    fakeFiles.heldRemovals = (int)faultCall;
    held = true;
  }
  static const bool show = getenv("TREE_COPY_FUZZ_SHOW") != nullptr;
  if (show) fprintf(stderr, "before:\n%s%s", stateText("D:").c_str(), stateText("X:").c_str());
  Outcome first = runOnce(w);
  if (show) fprintf(stderr, "after:\n%s%s", stateText("D:").c_str(), stateText("X:").c_str());
  first.faulted = faultHits() > 0;
  check(w, first, first.faulted, held, "first run");

  // A second run, with no fault, over what the first left.
  clearFaults();
  fakeFiles.heldRenames = 0;
  fakeFiles.heldRemovals = 0;
  newProcess();
  Outcome second = runOnce(w);
  check(w, second, false, false, "second run");
  if (clear && allCopyable && roomy && !(misread && (first.faulted || held)))
    FUZZ_CHECK(second.verdict, describe(w, second, "second run: not everything copied"));
  return 0;
}
