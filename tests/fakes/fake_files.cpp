// In-memory file system.
#include "fake_files.h"

#include <errno.h>
#include <string.h>

#include <functional>

#include "text/chars.h"

FakeFiles fakeFiles;

bool FakeFault::strike() {
  ++calls;
  bool fail = failOnCall > 0 && (calls == failOnCall || (persistent && calls > failOnCall));
  if (fail) ++hits;
  return fail;
}

namespace {

const int64_t unixEpochIn100ns = 116444736000000000LL;

std::string upper(const std::string& text) {
  std::string out = text;
  for (size_t i = 0; i < out.size(); i += isLeadByte((unsigned char)out[i]) ? 2 : 1)
    if (out[i] >= 'a' && out[i] <= 'z') out[i] = (char)(out[i] - 'a' + 'A');
  return out;
}

// Splits at real backslashes; empty names (doubled separators) vanish.
std::vector<std::string> splitNames(const std::string& text) {
  std::vector<std::string> names;
  std::string name;
  for (size_t i = 0; i < text.size();) {
    size_t step = isLeadByte((unsigned char)text[i]) && i + 1 < text.size() ? 2 : 1;
    if (step == 1 && text[i] == '\\') {
      if (!name.empty()) names.push_back(name);
      name.clear();
    } else {
      name.append(text, i, step);
    }
    i += step;
  }
  if (!name.empty()) names.push_back(name);
  return names;
}

std::string parentOf(const std::string& key) {
  size_t cut = std::string::npos;
  for (size_t i = 0; i < key.size(); i += isLeadByte((unsigned char)key[i]) ? 2 : 1)
    if (key[i] == '\\') cut = i;
  return cut == std::string::npos ? std::string() : key.substr(0, cut);
}

bool isVolumeKey(const std::string& key) { return fakeFiles.volumes.count(key) != 0; }

// Resolves a path to its key, following folder links on the way. The key
// keeps the letter case of the path; lookups fold it.
struct Resolved {
  bool ok = false;
  std::string key;   // canonical, case folded
  std::string shown; // canonical, as written
  std::string place; // as key, but a second name of a folder stays itself: its final path
  std::string volume;
};

// The program never hands the platform a path over 519 bytes; the tests'
// own setup may build longer ones.
int settingUp = 0;  // depth of test setup calls under way

Resolved resolve(const char* path, bool followLast = true) {
  Resolved r;
  std::string text = path;
  if (text.empty() || (text.size() > 519 && settingUp == 0)) return r;
  for (char c : text)
    if (c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|') return r;
  std::string root;
  std::string rest;
  if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
    std::vector<std::string> names = splitNames(text.substr(2));
    if (names.size() < 2) return r;
    root = "\\\\" + names[0] + "\\" + names[1];
    for (size_t i = 2; i < names.size(); ++i) rest += "\\" + names[i];
  } else if (text.size() >= 2 && text[1] == ':' && ((text[0] | 0x20) >= 'a' && (text[0] | 0x20) <= 'z')) {
    root = text.substr(0, 2);
    rest = text.substr(2);
    if (rest.empty() || rest[0] != '\\') {
      std::string current = fakeFiles.currentFolder;
      if (upper(current.substr(0, 2)) == upper(root)) rest = current.substr(2) + "\\" + rest;
      else rest = "\\" + rest;
    }
  } else if (text[0] == '\\') {
    root = fakeFiles.currentFolder.substr(0, 2);
    rest = text;
  } else {
    root = fakeFiles.currentFolder.substr(0, 2);
    rest = fakeFiles.currentFolder.substr(2) + "\\" + text;
  }
  r.volume = upper(root);
  if (!isVolumeKey(r.volume)) return r;
  std::vector<std::string> names = splitNames(rest);
  std::string key = r.volume;
  std::string shown = root;
  std::string place = key;
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& name = names[i];
    if (name.size() > 255 && settingUp == 0) return r;  // longer than one name may be
    if (name == ".") continue;
    if (name == "..") {
      if (key != r.volume) {
        key = parentOf(key);
        shown = parentOf(shown);
        place = parentOf(place);
      }
      continue;
    }
    key += '\\';
    key += upper(name);
    shown += '\\';
    shown += name;
    place += '\\';
    place += upper(name);
    auto found = fakeFiles.nodes.find(key);
    bool last = i + 1 == names.size();
    if (found != fakeFiles.nodes.end() && !found->second.linkTo.empty() && (!last || followLast)) {
      if (!found->second.alias) place = found->second.linkTo;
      key = found->second.linkTo;
      shown = key;
      for (const auto& volume : fakeFiles.volumes)
        if (key.compare(0, volume.first.size(), volume.first) == 0) r.volume = volume.first;
    }
  }
  // A volume mounted in a folder holds what lies below that folder.
  for (const auto& volume : fakeFiles.volumes) {
    const std::string& root = volume.first;
    bool below = key.compare(0, root.size(), root) == 0 && (key.size() == root.size() || key[root.size()] == '\\');
    if (below && root.size() > r.volume.size()) r.volume = root;
  }
  r.ok = true;
  r.key = key;
  r.shown = shown;
  r.place = place;
  return r;
}

FakeNode* nodeOf(const Resolved& r) {
  if (!r.ok) return nullptr;
  auto found = fakeFiles.nodes.find(r.key);
  return found == fakeFiles.nodes.end() ? nullptr : &found->second;
}

FakeNode* parentNode(const Resolved& r) {
  if (!r.ok || r.key == r.volume) return nullptr;
  auto found = fakeFiles.nodes.find(parentOf(r.key));
  if (found == fakeFiles.nodes.end() || !found->second.folder) return nullptr;
  return &found->second;
}

void tick() { fakeFiles.clock += 10000000LL + 1234567LL; }

FakeNode& createNode(const Resolved& r, bool folder) {
  FakeNode& node = fakeFiles.nodes[r.key];
  node = FakeNode();
  node.folder = folder;
  std::vector<std::string> names = splitNames(r.shown);
  node.name = names.empty() ? r.shown : names.back();
  node.id = fakeFiles.nextId++;
  tick();
  node.lastWrite = fakeFiles.clock;
  node.created = fakeFiles.clock;
  node.accessTime = statusSeconds(fakeFiles.clock);
  fakeFiles.children[parentOf(r.key)].push_back(r.key);
  return node;
}

void removeNode(const std::string& key) {
  fakeFiles.nodes.erase(key);
  std::vector<std::string>& siblings = fakeFiles.children[parentOf(key)];
  for (size_t i = 0; i < siblings.size(); ++i)
    if (siblings[i] == key) {
      siblings.erase(siblings.begin() + i);
      break;
    }
}

FakeVolume& volumeOf(const Resolved& r) { return fakeFiles.volumes[r.volume]; }

// Grows or shrinks a file within its volume's free space.
bool resize(FakeNode& node, FakeVolume& volume, size_t size) {
  if (size > node.bytes.size()) {
    uint64_t more = size - node.bytes.size();
    if (more > volume.freeBytes) return false;
    volume.freeBytes -= more;
  } else {
    volume.freeBytes += node.bytes.size() - size;
  }
  node.bytes.resize(size, 0);
  return true;
}

enum HandleKind { readHandle, unbufferedHandle, bufferedHandle, streamRead, streamWrite };

struct FakeHandle {
  std::string key;
  std::string volume;
  HandleKind kind;
  uint64_t position = 0;
  bool open = true;
};

std::vector<FakeHandle> handles;  // index + 1 is the handle value

FakeHandle* handleOf(intptr_t value) {
  if (value < 1 || (size_t)value > handles.size() || !handles[value - 1].open) return nullptr;
  return &handles[value - 1];
}

intptr_t openHandle(const Resolved& r, HandleKind kind) {
  FakeHandle h;
  h.key = r.key;
  h.volume = r.volume;
  h.kind = kind;
  handles.push_back(h);
  ++fakeFiles.openHandles;
  FakeNode* node = nodeOf(r);
  if (kind == readHandle || kind == streamRead) ++node->readers;
  if (kind == unbufferedHandle || kind == bufferedHandle) ++node->writers;
  return (intptr_t)handles.size();
}

// Closed whatever the result, as the real handle is; a handle that was
// writing can report a failure it held back.
bool closeHandle(intptr_t value) {
  FakeHandle* h = handleOf(value);
  if (!h) return false;
  bool writing = h->kind == unbufferedHandle || h->kind == bufferedHandle || h->kind == streamWrite;
  bool ok = !(writing && fakeFiles.faults.closeWritten.strike());
  h->open = false;
  --fakeFiles.openHandles;
  auto found = fakeFiles.nodes.find(h->key);
  if (found == fakeFiles.nodes.end()) return ok;
  if (h->kind == readHandle || h->kind == streamRead) --found->second.readers;
  if (h->kind == unbufferedHandle || h->kind == bufferedHandle) --found->second.writers;
  return ok;
}

// A create makes a new file only: whatever bears the name already (a file,
// a folder, a link, even one that leads nowhere) refuses it.
bool createNew(const char* path, bool* nameTaken, Resolved* made) {
  *nameTaken = false;
  Resolved own = resolve(path, false);
  if (!own.ok) return false;
  if (nodeOf(own)) {
    *nameTaken = true;
    return false;
  }
  if (!parentNode(own)) return false;
  createNode(own, false);
  *made = own;
  return true;
}

bool writeAt(FakeHandle& h, const void* buffer, uint32_t size, uint32_t* done) {
  *done = 0;
  auto found = fakeFiles.nodes.find(h.key);
  if (found == fakeFiles.nodes.end()) return false;
  FakeNode& node = found->second;
  uint32_t count = size;
  if (fakeFiles.faults.shortWrite.strike() && size > 1) count = size / 2;
  uint64_t end = h.position + count;
  if (end > node.bytes.size() && !resize(node, fakeFiles.volumes[h.volume], end)) return false;
  memcpy(&node.bytes[h.position], buffer, count);
  h.position = end;
  tick();
  node.lastWrite = fakeFiles.clock;
  *done = count;
  return true;
}

void callHook(const char* op, const std::string& key) {
  if (fakeFiles.hook) fakeFiles.hook(op, key);
}

uint32_t readAt(FakeHandle& h, void* buffer, uint32_t size) {
  callHook("read", h.key);
  auto found = fakeFiles.nodes.find(h.key);
  if (found == fakeFiles.nodes.end()) return 0;
  const FakeNode& node = found->second;
  uint64_t left = h.position < node.bytes.size() ? node.bytes.size() - h.position : 0;
  uint32_t count = left < size ? (uint32_t)left : size;
  if (count > 1 && fakeFiles.faults.shortRead.strike()) count /= 2;
  if (count > 0) memcpy(buffer, &node.bytes[h.position], count);
  h.position += count;
  return count;
}

bool aligned(uint64_t value, uint32_t sector) { return value % sector == 0; }

struct FakeListing {
  std::vector<ListEntry> entries;
  size_t next = 0;
};

// What a listing shows of a node: its name, kind, size and times.
ListEntry entryOf(const FakeNode& node, const std::string& name);

}  // namespace

int64_t statusSeconds(int64_t fileTime) {
  int64_t since = fileTime - unixEpochIn100ns;
  int64_t seconds = since / 10000000;
  if (since % 10000000 < 0) --seconds;
  return seconds;
}

void clearFaults() { fakeFiles.faults = FakeFaults(); }

void forgetFolderOpens();

void resetFakeFiles() {
  forgetFolderOpens();
  fakeFiles.heldRenames = 0;
  fakeFiles.heldRemovals = 0;
  fakeFiles.nodes.clear();
  fakeFiles.children.clear();
  fakeFiles.volumes.clear();
  fakeFiles.faults = FakeFaults();
  fakeFiles.clock = 133000000000000000LL;
  fakeFiles.nextId = 1;
  fakeFiles.openHandles = 0;
  fakeFiles.strayHandles = 0;
  fakeFiles.liveBlocks = 0;
  fakeFiles.log.clear();
  fakeFiles.hook = nullptr;
  fakeFiles.longestPath = 0;
  handles.clear();
  fakeFiles.currentFolder = "C:";
  addVolume("C:");
  addFolder("C:\\WORK");
  fakeFiles.currentFolder = "C:\\WORK";
}

void addVolume(const char* root, uint32_t sectorSize, const char* fileSystem) {
  std::string key = upper(root);
  if (!key.empty() && key.back() == '\\') key.pop_back();
  bool mounted = key.size() > 2 && key[1] == ':';
  if (mounted) addFolder(parentOf(key).c_str());
  FakeVolume& volume = fakeFiles.volumes[key];
  volume.sectorSize = sectorSize;
  volume.fileSystem = fileSystem;
  FakeNode& node = fakeFiles.nodes[key];
  node.folder = true;
  node.name = key;
  node.id = fakeFiles.nextId++;
  node.created = fakeFiles.clock - (int64_t)node.id;
  if (!mounted) return;
  // The folder it is mounted in lists it under the name written.
  std::vector<std::string> names = splitNames(root);
  node.name = names.back();
  std::vector<std::string>& siblings = fakeFiles.children[parentOf(key)];
  for (const std::string& sibling : siblings)
    if (sibling == key) return;
  siblings.push_back(key);
}

struct SetupScope {
  SetupScope() { ++settingUp; }
  ~SetupScope() { --settingUp; }
};

void addFolder(const char* path) {
  SetupScope scope;
  Resolved r = resolve(path);
  if (!r.ok || nodeOf(r)) return;
  std::string parent = parentOf(r.shown);
  if (!parent.empty() && !findNode(parent.c_str())) addFolder(parent.c_str());
  createNode(resolve(path), true);
}

void addFile(const char* path, const std::string& bytes, int64_t lastWrite) {
  SetupScope scope;
  Resolved r = resolve(path);
  if (!r.ok) return;
  std::string parent = parentOf(r.shown);
  if (!parent.empty()) addFolder(parent.c_str());
  FakeNode* node = nodeOf(r);
  if (!node) node = &createNode(r, false);
  resize(*node, volumeOf(r), 0);
  resize(*node, volumeOf(r), bytes.size());
  node->bytes = bytes;
  node->lastWrite = lastWrite;
  node->accessTime = statusSeconds(lastWrite) + 5;
}

void addFolderLink(const char* path, const char* target) {
  SetupScope scope;
  Resolved at = resolve(path, false);
  Resolved to = resolve(target);
  // A volume's root is never a link, and no link can lead into itself (no
  // such path could exist to be linked to).
  if (!at.ok || !to.ok || isVolumeKey(at.key)) return;
  if (to.key == at.key || to.key.compare(0, at.key.size() + 1, at.key + "\\") == 0) return;
  FakeNode& node = createNode(at, true);
  node.linkTo = to.key;
}

void addFolderAlias(const char* path, const char* target) {
  addFolderLink(path, target);
  FakeNode* node = findName(path);
  if (node && !node->linkTo.empty()) node->alias = true;
}

FakeNode* findNode(const char* path) {
  SetupScope scope;
  return nodeOf(resolve(path));
}

FakeNode* findName(const char* path) {
  SetupScope scope;
  return nodeOf(resolve(path, false));
}

void addFileLink(const char* path, const char* target) {
  SetupScope scope;
  Resolved at = resolve(path, false);
  Resolved to = resolve(target);
  if (!at.ok || !to.ok || nodeOf(at) || !parentNode(at)) return;
  createNode(at, false).linkTo = to.key;
}

void addHardLink(const char* path, const char* target) {
  SetupScope scope;
  Resolved at = resolve(path, false);
  Resolved to = resolve(target);
  FakeNode* file = nodeOf(to);
  if (!at.ok || !file || file->folder || nodeOf(at) || !parentNode(at)) return;
  FakeNode& node = createNode(at, false);
  node.linkTo = to.key;
  node.hardLink = true;
}

bool exists(const char* path) { return findNode(path) != nullptr; }

void removePath(const char* path) {
  SetupScope scope;
  Resolved r = resolve(path);
  if (nodeOf(r)) removeNode(r.key);
}

std::string contentOf(const char* path) {
  FakeNode* node = findNode(path);
  return node ? node->bytes : std::string();
}

std::string treeState(const char* root) {
  SetupScope scope;
  std::string key = resolve(root).key;
  std::string state;
  for (const auto& entry : fakeFiles.nodes) {
    if (entry.first != key && entry.first.compare(0, key.size() + 1, key + "\\") != 0) continue;
    const FakeNode& node = entry.second;
    state += entry.first + (node.folder ? " folder " : " file ") + node.name + " " + std::to_string(node.lastWrite) +
             " " + node.linkTo + " " + std::to_string(node.bytes.size()) + ":" + node.bytes + "\n";
  }
  return state;
}

std::vector<std::string> listNames(const char* folder) {
  SetupScope scope;
  std::vector<std::string> names;
  Resolved r = resolve(folder);
  for (const std::string& key : fakeFiles.children[r.key]) names.push_back(fakeFiles.nodes[key].name);
  return names;
}

// ---- the seam ----

// Every path the program hands in passes here first.
static void handedIn(const char* path) {
  size_t length = path ? strlen(path) : 0;
  if (length > fakeFiles.longestPath) fakeFiles.longestPath = length;
}

namespace {

void fillStatus(const FakeNode& node, FileStatus* status) {
  status->mode = (node.folder ? folderModeBit : 0x8000) | (node.readOnly ? 0 : writableModeBit);
  status->size = node.folder ? 0 : (int64_t)node.bytes.size();
  if (node.reportedSize >= 0) status->size = node.reportedSize;
  status->accessTime = node.accessTime;
  status->modifyTime = statusSeconds(node.lastWrite);
}

ListEntry entryOf(const FakeNode& node, const std::string& name) {
  ListEntry e = {};
  strncpy(e.name, name.c_str(), sizeof e.name - 1);
  fillStatus(node, &e.status);
  e.isFolder = node.folder;
  e.isLink = !node.linkTo.empty();
  return e;
}

}  // namespace

StatusResult osFileStatus(const char* path, FileStatus* status) {
  handedIn(path);
  if (fakeFiles.faults.status.strike()) return statusFailed;
  Resolved r = resolve(path);
  callHook("status", r.key);
  FakeNode* node = nodeOf(r);
  if (!node) return statusNotFound;
  if (node->statusFails) return statusFailed;
  fillStatus(*node, status);
  return statusOk;
}

int osAccess(const char* path) {
  handedIn(path);
  if (fakeFiles.faults.access.strike()) return EACCES;
  FakeNode* node = nodeOf(resolve(path));
  if (!node) return ENOENT;
  return node->statusFails ? EACCES : 0;
}

bool osMakeFolder(const char* path) {
  handedIn(path);
  fakeFiles.log.push_back(std::string("mkdir ") + path);
  if (fakeFiles.faults.makeFolder.strike()) return false;
  Resolved r = resolve(path);
  if (!r.ok || nodeOf(r) || !parentNode(r)) return false;
  createNode(r, true);
  return true;
}

// Another program holding a file for a moment (a scanner, an indexer).
static bool heldNow(int* count, bool* held) {
  if (*count <= 0) return false;
  --*count;
  if (held) *held = true;
  return true;
}

bool osRemoveFile(const char* path, bool* held) {
  handedIn(path);
  fakeFiles.log.push_back(std::string("remove ") + path);
  if (held) *held = false;
  if (fakeFiles.faults.removeFile.strike() || heldNow(&fakeFiles.heldRemovals, held)) return false;
  // A second name goes alone; a file link is followed, as wine follows it.
  Resolved r = resolve(path, false);
  FakeNode* own = nodeOf(r);
  if (own && own->hardLink) {
    removeNode(r.key);
    return true;
  }
  r = resolve(path);
  FakeNode* node = nodeOf(r);
  if (!node || node->folder || node->readOnly || node->deleteDenied || node->readers > 0 || node->writers > 0)
    return false;
  volumeOf(r).freeBytes += node->bytes.size();
  removeNode(r.key);
  return true;
}

// The name moves; whatever bore the target name goes, and a file it led
// to stays. A folder there, a file in use or a read-only one refuses it.
namespace {

// Moves the file of key from (a name of its own, no link) to the name of
// to, replacing what bore it only when replace is set. The name only: a file
// a link or another name there led to stays as it was.
bool moveName(const Resolved& source, const char* to, bool replace) {
  Resolved target = resolve(to, false);
  FakeNode* moved = nodeOf(source);
  if (!moved || moved->folder || !moved->linkTo.empty() || moved->readers > 0) return false;
  if (!target.ok || source.volume != target.volume || !parentNode(target) || source.key == target.key) return false;
  FakeNode* old = nodeOf(target);
  if (old && !replace) return false;
  if (old) {
    FakeNode* reached = old->linkTo.empty() ? old : nodeOf(resolve(to));
    if ((reached && reached->folder && !old->hardLink) || old->folder || old->deleteDenied) return false;
    if (old->linkTo.empty() && (old->readOnly || old->readers > 0 || old->writers > 0)) return false;
  }
  FakeNode node = *moved;
  std::vector<std::string> names = splitNames(target.shown);
  node.name = names.back();
  std::vector<std::string>& siblings = fakeFiles.children[parentOf(target.key)];
  bool listed = false;
  for (const std::string& key : siblings) listed |= key == target.key;
  if (old) volumeOf(target).freeBytes += old->linkTo.empty() ? old->bytes.size() : 0;
  removeNode(source.key);
  fakeFiles.nodes[target.key] = node;
  if (!listed) siblings.push_back(target.key);
  for (FakeHandle& h : handles)
    if (h.open && h.key == source.key) h.key = target.key;
  return true;
}

bool renameFile(const char* from, const char* to, bool* held) {
  handedIn(from);
  handedIn(to);
  fakeFiles.log.push_back(std::string("replace ") + from + " " + to);
  if (held) *held = false;
  if (fakeFiles.faults.replaceFile.strike() || heldNow(&fakeFiles.heldRenames, held)) return false;
  Resolved source = resolve(from, false);
  FakeNode* moved = nodeOf(source);
  return moved && moved->writers == 0 && moveName(source, to, true);
}

}  // namespace

// A folder there, a file in use or a read-only one refuses a replacement.
bool osReplaceFile(const char* from, const char* to, bool* held) { return renameFile(from, to, held); }

Replaceable osReplaceable(const char* path) {
  handedIn(path);
  if (fakeFiles.faults.access.strike()) return notReplaceable;
  FakeNode* node = nodeOf(resolve(path, false));
  if (!node) return replaceable;
  if (node->deleteDenied) return notReplaceable;
  return node->linkTo.empty() && (node->readers > 0 || node->writers > 0) ? replaceableLater : replaceable;
}

namespace {

// A real location holds no byte of a two-byte character that could read as
// an ASCII letter or a separator (the system's are UTF-8): each such
// character is written as its two bytes in hexadecimal.
std::string locationText(const std::string& text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = (unsigned char)text[i];
    if (!isLeadByte(c) || i + 1 == text.size()) {
      out += (char)c;
      continue;
    }
    unsigned char second = (unsigned char)text[++i];
    out += {'%', hex[c >> 4], hex[c & 15], '%', hex[second >> 4], hex[second & 15]};
  }
  return out;
}

// Links followed, as their real location; a second name of a file is where
// it is itself. A drive root ends in a backslash, as the real one does.
bool locate(const char* path, char* location, int size) {
  Resolved r = resolve(path, false);
  FakeNode* node = nodeOf(r);
  if (!node || !node->hardLink) {
    r = resolve(path);
    node = nodeOf(r);
  }
  if (!node || node->identityFails || !volumeOf(r).finalPaths) return false;
  for (std::string above = parentOf(r.key); !above.empty(); above = parentOf(above)) {
    auto found = fakeFiles.nodes.find(above);
    if (found != fakeFiles.nodes.end() && found->second.hidesFinalPaths) return false;
  }
  std::string text = locationText(isVolumeKey(r.place) ? r.place + "\\" : r.place);
  if ((int)text.size() >= size) return false;
  strcpy(location, text.c_str());
  return true;
}

}  // namespace

bool osRealLocation(const char* path, char* location, int size) {
  handedIn(path);
  if (fakeFiles.faults.realLocation.strike()) return false;
  return locate(path, location, size);
}

bool osFreeBytes(const char* root, uint64_t* freeBytes) {
  handedIn(root);
  if (fakeFiles.faults.freeBytes.strike()) return false;
  Resolved r = resolve(root);
  if (!r.ok) return false;
  *freeBytes = volumeOf(r).freeBytes;
  return true;
}

bool osBytesPerSector(const char* root, uint32_t* bytesPerSector) {
  handedIn(root);
  if (fakeFiles.faults.sectorSize.strike()) return false;
  Resolved r = resolve(root ? root : ".");
  if (!r.ok) return false;
  *bytesPerSector = volumeOf(r).sectorSize;
  return true;
}

bool osVolumeRootOf(const char* path, char* root, int size) {
  handedIn(path);
  if (fakeFiles.faults.volumeRoot.strike()) return false;
  Resolved r = resolve(path);
  if (!r.ok || (int)r.volume.size() + 2 > size) return false;
  strcpy(root, (r.volume + "\\").c_str());
  return true;
}

bool osFileSystemName(const char* root, char* name, int size) {
  handedIn(root);
  if (fakeFiles.faults.fileSystem.strike()) return false;
  Resolved r = resolve(root ? root : ".");
  if (!r.ok || size < 1) return false;
  strncpy(name, volumeOf(r).fileSystem.c_str(), size - 1);
  name[size - 1] = 0;
  return true;
}

int osOpenStreamRead(const char* path) {
  handedIn(path);
  if (fakeFiles.faults.openStreamRead.strike()) return -1;
  Resolved r = resolve(path);
  callHook("open", r.key);
  FakeNode* node = nodeOf(r);
  if (!node || node->folder || node->openFails || node->writers > 0) return -1;
  return (int)openHandle(r, streamRead);
}

int osOpenStreamWrite(const char* path, bool* nameTaken) {
  handedIn(path);
  *nameTaken = false;
  fakeFiles.log.push_back(std::string("open-write ") + path);
  if (fakeFiles.faults.openStreamWrite.strike()) return -1;
  Resolved r;
  if (!createNew(path, nameTaken, &r)) return -1;
  return (int)openHandle(r, streamWrite);
}

int osReadStream(int fd, void* buffer, unsigned size) {
  if (fakeFiles.faults.readStream.strike()) return -1;
  FakeHandle* h = handleOf(fd);
  if (!h || h->kind != streamRead) return -1;
  return (int)readAt(*h, buffer, size);
}

int osWriteStream(int fd, const void* buffer, unsigned size) {
  if (fakeFiles.faults.writeStream.strike()) return -1;
  FakeHandle* h = handleOf(fd);
  if (!h || h->kind != streamWrite) return -1;
  uint32_t done = 0;
  if (!writeAt(*h, buffer, size, &done)) return done > 0 ? (int)done : -1;
  return (int)done;
}

bool osCloseStream(int fd) { return closeHandle(fd); }

bool osSetFileTimes(const char* path, int64_t accessTime, int64_t modifyTime) {
  handedIn(path);
  fakeFiles.log.push_back(std::string("set-times ") + path);
  if (fakeFiles.faults.setFileTimes.strike()) return false;
  Resolved r = resolve(path);
  FakeNode* node = nodeOf(r);
  if (!node || node->readOnly || node->writers > 0) return false;
  node->accessTime = accessTime;
  node->lastWrite = modifyTime * 10000000LL + unixEpochIn100ns;
  return true;
}

FileHandle osOpenRead(const char* path) {
  handedIn(path);
  if (fakeFiles.faults.openRead.strike()) return nullptr;
  Resolved r = resolve(path);
  callHook("open", r.key);
  FakeNode* node = nodeOf(r);
  if (!node || node->folder || node->openFails || node->writers > 0) return nullptr;
  return (FileHandle)openHandle(r, readHandle);
}

FileHandle osCreateUnbuffered(const char* path, bool* nameTaken, bool* unsupported) {
  handedIn(path);
  *nameTaken = false;
  if (unsupported) *unsupported = false;
  fakeFiles.log.push_back(std::string("create ") + path);
  if (fakeFiles.faults.createUnbuffered.strike()) return nullptr;
  Resolved own = resolve(path, false);
  if (own.ok && fakeFiles.volumes[own.volume].unbufferedRefused == refusesCreate) {
    if (unsupported) *unsupported = true;
    return nullptr;
  }
  Resolved r;
  if (!createNew(path, nameTaken, &r)) return nullptr;
  return (FileHandle)openHandle(r, unbufferedHandle);
}

FileHandle osCreateBuffered(const char* path, bool* nameTaken) {
  handedIn(path);
  *nameTaken = false;
  fakeFiles.log.push_back(std::string("create ") + path);
  if (fakeFiles.faults.createBuffered.strike()) return nullptr;
  Resolved r;
  if (!createNew(path, nameTaken, &r)) return nullptr;
  return (FileHandle)openHandle(r, bufferedHandle);
}

bool osReadFile(FileHandle file, void* buffer, uint32_t size, uint32_t* done) {
  *done = 0;
  if (fakeFiles.faults.readFile.strike()) return false;
  FakeHandle* h = handleOf((intptr_t)file);
  if (!h || h->kind != readHandle) return false;
  *done = readAt(*h, buffer, size);
  return true;
}

bool osWriteFile(FileHandle file, const void* buffer, uint32_t size, uint32_t* done, bool* unsupported) {
  *done = 0;
  if (unsupported) *unsupported = false;
  if (fakeFiles.faults.writeFile.strike()) return false;
  FakeHandle* h = handleOf((intptr_t)file);
  if (!h || (h->kind != unbufferedHandle && h->kind != bufferedHandle)) return false;
  if (h->kind == unbufferedHandle) {
    const FakeVolume& volume = fakeFiles.volumes[h->volume];
    uint32_t sector = volume.sectorSize;
    // The real handle refuses anything that is not whole, aligned sectors,
    // with the error a volume that takes no unbuffered writes gives.
    if (!aligned(h->position, sector) || !aligned(size, sector) || !aligned((uintptr_t)buffer, sector) ||
        (volume.unbufferedRefused == refusesFirstWrite && h->position == 0)) {
      if (unsupported) *unsupported = true;
      return false;
    }
  }
  return writeAt(*h, buffer, size, done);
}

bool osFileFacts(FileHandle file, int64_t* size, int64_t* lastWrite) {
  if (fakeFiles.faults.fileFacts.strike()) return false;
  FakeHandle* h = handleOf((intptr_t)file);
  if (!h) return false;
  const FakeNode& node = fakeFiles.nodes[h->key];
  *size = (int64_t)node.bytes.size();
  *lastWrite = node.lastWrite;
  return true;
}

bool osSetEndOfFile(FileHandle file, int64_t size) {
  if (fakeFiles.faults.setEndOfFile.strike()) return false;
  FakeHandle* h = handleOf((intptr_t)file);
  if (!h || h->kind == readHandle || size < 0) return false;
  FakeNode& node = fakeFiles.nodes[h->key];
  if (!resize(node, fakeFiles.volumes[h->volume], (size_t)size)) return false;
  tick();
  node.lastWrite = fakeFiles.clock;
  fakeFiles.log.push_back("set-end " + h->key);
  return true;
}

bool osSetLastWrite(FileHandle file, int64_t fileTime) {
  if (fakeFiles.faults.setLastWrite.strike()) return false;
  FakeHandle* h = handleOf((intptr_t)file);
  if (!h || h->kind == readHandle) return false;
  fakeFiles.nodes[h->key].lastWrite = fileTime;
  fakeFiles.log.push_back("set-last-write " + h->key);
  return true;
}

bool osCloseFile(FileHandle file) { return closeHandle((intptr_t)file); }

bool osNameOpenFile(FileHandle file, const char* to) {
  handedIn(to);
  FakeHandle* h = handleOf((intptr_t)file);
  if (!h || h->kind == readHandle) return false;
  fakeFiles.log.push_back(std::string("name-open ") + to);
  if (fakeFiles.faults.replaceFile.strike()) return false;
  Resolved source;
  source.ok = true;
  source.key = h->key;
  source.volume = h->volume;
  return moveName(source, to, false);
}

ListResult osListFirst(const char* pattern, ListHandle* handle, ListEntry* entry) {
  handedIn(pattern);
  fakeFiles.log.push_back(std::string("list ") + pattern);
  if (fakeFiles.faults.listFirst.strike()) return listFailed;
  std::string text = pattern;
  if (text.size() < 4 || text.compare(text.size() - 4, 4, "\\*.*") != 0) {
    // A path alone lists its own entry, under its name on disk.
    Resolved own = resolve(pattern, false);
    FakeNode* node = nodeOf(own);
    if (!node || own.key == own.volume) return listFailed;
    FakeListing* listing = new FakeListing;
    ListEntry e = entryOf(*node, node->name);
    listing->entries.push_back(e);
    *entry = e;
    listing->next = 1;
    ++fakeFiles.openHandles;
    *handle = (ListHandle)listing;
    return listEntry;
  }
  Resolved r = resolve(text.substr(0, text.size() - 4).c_str());
  if (text.size() == 4) return listFailed;
  FakeNode* node = nodeOf(r);
  if (!node || !node->folder || node->listFails) return listFailed;
  FakeListing* listing = new FakeListing;
  if (r.key != r.volume) {
    // Like the real listing, every folder but a drive root shows "." and "..".
    ListEntry dot = {};
    strcpy(dot.name, ".");
    dot.isFolder = true;
    listing->entries.push_back(dot);
    strcpy(dot.name, "..");
    listing->entries.push_back(dot);
  }
  for (const std::string& key : fakeFiles.children[r.key]) {
    const FakeNode& child = fakeFiles.nodes[key];
    // A second name of a file shows that file; a link shows itself, as
    // Windows lists it: its own times, size 0, the reparse attribute.
    auto reached = child.hardLink ? fakeFiles.nodes.find(child.linkTo) : fakeFiles.nodes.end();
    const FakeNode& shown = reached == fakeFiles.nodes.end() ? child : reached->second;
    ListEntry e = entryOf(shown, child.listedAs.empty() ? child.name : child.listedAs);
    e.isLink = !child.linkTo.empty() && !child.hardLink && !child.alias;
    e.nameLost = !child.listedAs.empty() && child.listedAs.find('?') != std::string::npos;
    listing->entries.push_back(e);
  }
  if (listing->entries.empty()) {
    delete listing;
    return listEnd;
  }
  *entry = listing->entries[0];
  listing->next = 1;
  ++fakeFiles.openHandles;
  *handle = (ListHandle)listing;
  return listEntry;
}

ListResult osListNext(ListHandle handle, ListEntry* entry) {
  if (fakeFiles.faults.listNext.strike()) return listFailed;
  FakeListing* listing = (FakeListing*)handle;
  if (listing->next >= listing->entries.size()) return listEnd;
  *entry = listing->entries[listing->next++];
  return listEntry;
}

void osListClose(ListHandle handle) {
  delete (FakeListing*)handle;
  --fakeFiles.openHandles;
}

namespace {

// A folder held open to ask who it is. Where the volume hands IDs out
// again, a folder's ID is the lowest number no other open folder holds,
// kept while it stays open.
struct FolderOpen {
  std::string key;
  std::string volume;
  std::string path;  // as handed in
  bool open = true;
};

std::vector<FolderOpen> folderOpens;  // index + 1 is the handle value
std::map<std::string, uint64_t> reusedIds;  // key -> the number it holds while open

FolderOpen* folderOf(FolderHandle handle) {
  intptr_t value = (intptr_t)handle;
  if (value < 1 || (size_t)value > folderOpens.size() || !folderOpens[value - 1].open) {
    ++fakeFiles.strayHandles;
    return nullptr;
  }
  return &folderOpens[value - 1];
}

bool numberHeld(const std::string& volume, uint64_t number) {
  for (const FolderOpen& other : folderOpens)
    if (other.open && other.volume == volume && reusedIds[other.key] == number) return true;
  return false;
}

uint64_t idOf(const FolderOpen& folder) {
  FakeNode& node = fakeFiles.nodes[folder.key];
  switch (fakeFiles.volumes[folder.volume].ids) {
    case idsZero: return 0;
    case idsAllOnes: return ~(uint64_t)0;
    case idsReused: return reusedIds[folder.key];
    case idsColliding: return 1 + (node.index ? node.index : node.id) % 3;
    default: return node.index ? node.index : node.id;
  }
}

}  // namespace

void forgetFolderOpens() {
  folderOpens.clear();
  reusedIds.clear();
}

IdentityResult osOpenFolder(const char* path, FolderHandle* handle) {
  handedIn(path);
  if (fakeFiles.faults.folderIdentity.strike()) return identityFailed;
  Resolved r = resolve(path);
  FakeNode* node = nodeOf(r);
  if (!node) return identityMissing;
  if (node->statusFails || node->identityFails) return identityFailed;
  FolderOpen folder;
  folder.key = r.key;
  folder.volume = r.volume;
  folder.path = path;
  bool held = false;
  for (const FolderOpen& other : folderOpens) held |= other.open && other.key == r.key;
  if (!held && volumeOf(r).ids == idsReused) {
    uint64_t number = 1;
    while (numberHeld(r.volume, number)) ++number;
    reusedIds[r.key] = number;
  }
  folderOpens.push_back(folder);
  ++fakeFiles.openHandles;
  *handle = (FolderHandle)(intptr_t)folderOpens.size();
  return identityOk;
}

void osCloseFolder(FolderHandle handle) {
  FolderOpen* folder = folderOf(handle);
  if (!folder) return;
  folder->open = false;
  --fakeFiles.openHandles;
}

bool osFolderIndex(FolderHandle handle, uint64_t* index) {
  FolderOpen* folder = folderOf(handle);
  if (!folder || !fakeFiles.nodes.count(folder->key)) return false;
  *index = idOf(*folder);
  return true;
}

bool osFolderId(FolderHandle handle, FolderId* id) {
  FolderOpen* folder = folderOf(handle);
  if (fakeFiles.faults.folderId.strike() || !folder || !fakeFiles.nodes.count(folder->key)) return false;
  id->volume = std::hash<std::string>()(folder->volume);
  id->low = idOf(*folder);
  id->high = id->low == ~(uint64_t)0 ? id->low : 0;
  return true;
}

// The fake's final paths have the drive form only.
bool osFolderLocation(FolderHandle handle, LocationForm form, char* location, int size) {
  FolderOpen* folder = folderOf(handle);
  if (fakeFiles.faults.realLocation.strike() || !folder || form != locationDrive) return false;
  return locate(folder->path.c_str(), location, size);
}

bool osFolderCreated(FolderHandle handle, int64_t* created) {
  FolderOpen* folder = folderOf(handle);
  if (!folder || !fakeFiles.nodes.count(folder->key)) return false;
  *created = fakeFiles.nodes[folder->key].created;
  return true;
}

bool osChildLocation(FolderHandle handle, LocationForm form, const char* name, char* location, int size) {
  handedIn(name);
  if (!osFolderLocation(handle, form, location, size)) return false;
  std::string text = location;
  if (text.back() != '\\') text += '\\';
  text += locationText(upper(name));
  if ((int)text.size() >= size) return false;
  strcpy(location, text.c_str());
  return true;
}

// Text only, as the system does it: no link followed, nothing looked up.
bool osFullPath(const char* path, char* full, int size) {
  handedIn(path);
  std::string text = path;
  std::string root;
  std::string rest;
  if (text.size() >= 2 && text[1] == ':') {
    root = text.substr(0, 2);
    rest = text.substr(2);
    if (rest.empty() || rest[0] != '\\') {
      const std::string& current = fakeFiles.currentFolder;
      rest = (upper(current.substr(0, 2)) == upper(root) ? current.substr(2) : std::string()) + "\\" + rest;
    }
  } else if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
    root = "\\";
    rest = text.substr(1);
  } else {
    root = fakeFiles.currentFolder.substr(0, 2);
    rest = text[0] == '\\' ? text : fakeFiles.currentFolder.substr(2) + "\\" + text;
  }
  std::vector<std::string> kept;
  for (const std::string& name : splitNames(rest)) {
    if (name == "..") {
      if (!kept.empty()) kept.pop_back();
    } else if (name != ".") {
      kept.push_back(name);
    }
  }
  std::string out = root;
  for (const std::string& name : kept) out += "\\" + name;
  if (kept.empty()) out += "\\";
  if ((int)out.size() >= size) return false;
  strcpy(full, out.c_str());
  return true;
}

// A folder where a volume is mounted is a reparse point too, as on Windows.
int osIsLink(const char* path) {
  handedIn(path);
  Resolved r = resolve(path, false);
  FakeNode* node = nodeOf(r);
  if (!node) return -1;
  if (isVolumeKey(r.key) && r.key.size() > 2) return 1;
  return node->linkTo.empty() || node->hardLink || node->alias ? 0 : 1;
}

uint64_t osNameKey(const char* name) { return std::hash<std::string>()(upper(name)); }
