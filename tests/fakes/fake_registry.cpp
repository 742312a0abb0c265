// In-memory registry value and module path.
#include "fake_registry.h"

#include <string.h>

FakeRegistry fakeRegistry;

namespace {

struct FakeKey {
  bool open;
  bool forWriting;
};

std::vector<FakeKey> keys;  // index + 1 is the key value

FakeKey* keyOf(RegistryKey key) {
  intptr_t value = (intptr_t)key;
  if (value < 1 || (size_t)value > keys.size() || !keys[value - 1].open) return nullptr;
  return &keys[value - 1];
}

}  // namespace

void resetFakeRegistry() {
  fakeRegistry = FakeRegistry();
  fakeRegistry.programPath = "D:\\Tools\\vestro.exe";
  keys.clear();
}

void setPathData(const std::string& bytes, RegistryType type) {
  fakeRegistry.hasPath = true;
  fakeRegistry.type = type;
  fakeRegistry.data = bytes;
}

void setPathText(const std::string& text, RegistryType type) { setPathData(text + '\0', type); }

void setPathNumber(int32_t number) { setPathData(std::string((const char*)&number, 4), regNumber); }

// ---- the seam ----

int osProgramPath(char* buffer, int size) {
  if (fakeRegistry.programPathFault.strike()) {
    // What a failed call leaves in the buffer is nothing to rely on.
    strncpy(buffer, "C:\\stale\\vestro.exe", size);
    return 0;
  }
  const std::string& path = fakeRegistry.programPath;
  if (size < 1) return 0;
  // As the real call: cut to size - 1 bytes and NUL-ended, reporting size.
  int length = path.size() < (size_t)size ? (int)path.size() : size - 1;
  memcpy(buffer, path.data(), length);
  buffer[length] = 0;
  return path.size() < (size_t)size ? length : size;
}

RegistryKey osOpenUserEnvironment(bool forWriting) {
  if ((forWriting ? fakeRegistry.openWrite : fakeRegistry.openRead).strike()) return nullptr;
  keys.push_back(FakeKey{true, forWriting});
  ++fakeRegistry.opens;
  ++fakeRegistry.openKeys;
  return (RegistryKey)(intptr_t)keys.size();
}

bool osQueryPathValue(RegistryKey key, void* data, int size, RegistryType* type, int* length) {
  if (fakeRegistry.query.strike()) return false;
  FakeKey* k = keyOf(key);
  // A key opened for writing only has no right to query.
  if (!k || k->forWriting || !fakeRegistry.hasPath) return false;
  if (fakeRegistry.data.size() > (size_t)size) return false;
  memcpy(data, fakeRegistry.data.data(), fakeRegistry.data.size());
  *type = fakeRegistry.type;
  *length = (int)fakeRegistry.data.size();
  return true;
}

bool osSetPathValue(RegistryKey key, const char* text) {
  if (fakeRegistry.set.strike()) return false;
  FakeKey* k = keyOf(key);
  if (!k || !k->forWriting) return false;
  setPathText(text, regExpandText);
  fakeRegistry.stored.push_back(text);
  return true;
}

void osCloseKey(RegistryKey key) {
  FakeKey* k = keyOf(key);
  if (!k) {
    ++fakeRegistry.strayCloses;
    return;
  }
  k->open = false;
  --fakeRegistry.openKeys;
}
