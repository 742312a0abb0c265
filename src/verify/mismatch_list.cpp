// Mismatch list: a singly linked list with links to its last node and to the
// node read last, so that appending and reading in order take one step each.
#include "verify/mismatch_list.h"

#include <string.h>

#include "platform/memory_os.h"

namespace {

struct MismatchNode {
  MismatchNode* next;
  char* text;
};

struct MismatchList {
  MismatchNode* first;
  MismatchNode* last;
  int count;
  MismatchNode* readNode;  // the node mismatchAt gave last, and its index
  int readIndex;
};

MismatchList list = {nullptr, nullptr, 0, nullptr, -1};

}  // namespace

void mismatchAppend(const char* path) {
  MismatchNode* node = (MismatchNode*)osAlloc(sizeof(MismatchNode));
  if (!node) return;
  node->next = nullptr;
  size_t length = strlen(path);
  node->text = (char*)osAlloc(length + 3);
  if (!node->text) {
    osFree(node);
    return;
  }
  memcpy(node->text, path, length + 1);
  ++list.count;
  if (!list.first) list.first = node;
  else list.last->next = node;
  list.last = node;
}

const char* mismatchAt(int index) {
  if (index < 0) return nullptr;
  MismatchNode* node = list.first;
  int at = 0;
  if (list.readNode && list.readIndex <= index) {
    node = list.readNode;
    at = list.readIndex;
  }
  for (; node && at < index; ++at) node = node->next;
  if (!node) return nullptr;
  list.readNode = node;
  list.readIndex = index;
  return node->text;
}

int mismatchCount() { return list.count; }

void mismatchClear() {
  for (int n = list.count; n > 0; --n) {
    MismatchNode* node = list.first;
    list.first = node->next;
    osFree(node->text);
    osFree(node);
    --list.count;
  }
  list.first = nullptr;
  list.last = nullptr;
  list.readNode = nullptr;
  list.readIndex = -1;
}
