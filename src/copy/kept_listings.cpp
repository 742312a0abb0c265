// Listings kept from one walk for the next.
#include "copy/kept_listings.h"

#include <string.h>

#include "platform/console_os.h"
#include "platform/memory_os.h"
#include "text/path_text.h"

namespace {

// A kept folder in the arena: this record, its path, then its entries, each
// a KeptEntry and its name, every part on an 8-byte boundary.
struct KeptFolder {
  int end;  // offset past its last entry
  uint32_t listedAt;
  int pathLength;
  bool whole;  // its listing ended while it was kept
};

struct KeptEntry {
  FileStatus status;
  int nameLength;
  bool isFolder, isLink, nameLost;
};

enum Use { listAnew, keepWhatIsListed, replayWhatWasKept };

struct Kept {
  Use use;
  char* arena;
  int used;
  int capacity;
  bool full;     // out of room: nothing more is kept
  int replayAt;  // offset of the first kept folder the walk has not reached
};

Kept kept;

const int lookAhead = 64;  // kept folders looked through for the one the walk enters

int rounded(int size) { return (size + 7) & ~7; }

const int folderRecord = rounded((int)sizeof(KeptFolder));
const int entryRecord = rounded((int)sizeof(KeptEntry));
const int largestEntry = entryRecord + rounded((int)sizeof(((ListEntry*)nullptr)->name));

// Room for size bytes more, the arena doubling up to its limit.
bool room(int size) {
  if (kept.full) return false;
  if (kept.used + size <= kept.capacity) return true;
  int capacity = kept.capacity > 0 ? kept.capacity : 64 << 10;
  while (capacity < kept.used + size && capacity < keptListingBytes) capacity *= 2;
  char* grown = capacity >= kept.used + size ? (char*)osAlloc((size_t)capacity) : nullptr;
  if (!grown) {
    kept.full = true;
    return false;
  }
  if (kept.arena) {
    memcpy(grown, kept.arena, (size_t)kept.used);
    osFree(kept.arena);
  }
  kept.arena = grown;
  kept.capacity = capacity;
  return true;
}

// Lists folder and keeps its entries as far as there is room; where it
// ran out, the folder's listing stays open for the rest.
ListResult keepListing(const char* folder, const char* pattern, FolderListing* listing, ListEntry* entry) {
  int length = (int)strlen(folder);
  bool keeping = room(folderRecord + rounded(length + 1) + largestEntry);
  ListResult listed = osListFirst(pattern, &listing->live, entry);
  if (listed != listEntry || !keeping) return listed;
  int start = kept.used;
  KeptFolder head = {0, osMilliseconds(), length, false};
  memcpy(kept.arena + start + folderRecord, folder, (size_t)length + 1);
  kept.used += folderRecord + rounded(length + 1);
  listing->next = kept.used;
  while (listed == listEntry) {
    KeptEntry record = {entry->status, (int)strlen(entry->name), entry->isFolder, entry->isLink, entry->nameLost};
    memcpy(kept.arena + kept.used, &record, sizeof record);
    memcpy(kept.arena + kept.used + entryRecord, entry->name, (size_t)record.nameLength + 1);
    kept.used += entryRecord + rounded(record.nameLength + 1);
    if (!room(largestEntry)) break;
    listed = osListNext(listing->live, entry);
  }
  listing->end = kept.used;
  head.end = kept.used;
  head.whole = listed == listEnd;
  memcpy(kept.arena + start, &head, sizeof head);
  if (listed != listEntry) {
    osListClose(listing->live);
    listing->live = nullptr;
    listing->ending = listed;
  }
  return listingNext(listing, entry);
}

// The kept listing of the folder the walk enters, if it was kept whole and
// recently. The walk meets the folders in the order they were kept, but it
// may leave out one that the walk before went into, or go into one it did
// not: a few kept folders ahead are looked through.
bool replayListing(const char* folder, FolderListing* listing) {
  int length = (int)strlen(folder);
  int at = kept.replayAt;
  for (int looked = 0; looked < lookAhead && at < kept.used; ++looked) {
    KeptFolder head;
    memcpy(&head, kept.arena + at, sizeof head);
    if (head.pathLength == length && memcmp(kept.arena + at + folderRecord, folder, (size_t)length) == 0) {
      kept.replayAt = head.end;
      if (!head.whole || (uint32_t)(osMilliseconds() - head.listedAt) >= keptListingFor) return false;
      listing->next = at + folderRecord + rounded(length + 1);
      listing->end = head.end;
      listing->ending = listEnd;
      return true;
    }
    at = head.end;
  }
  return false;
}

}  // namespace

void keepListings() {
  dropListings();
  kept.use = keepWhatIsListed;
}

void replayListings() {
  kept.use = replayWhatWasKept;
  kept.replayAt = 0;
}

void dropListings() {
  if (kept.arena) osFree(kept.arena);
  memset(&kept, 0, sizeof kept);
}

ListResult listingFirst(const char* folder, FolderListing* listing, ListEntry* entry) {
  listing->live = nullptr;
  listing->next = listing->end = 0;
  listing->ending = listEnd;
  PathBuffer pattern;
  if (!joinPath(pattern, sizeof pattern, folder, "*.*")) return listFailed;
  if (kept.use == keepWhatIsListed) return keepListing(folder, pattern, listing, entry);
  if (kept.use == replayWhatWasKept && replayListing(folder, listing)) return listingNext(listing, entry);
  return osListFirst(pattern, &listing->live, entry);
}

ListResult listingNext(FolderListing* listing, ListEntry* entry) {
  if (listing->next < listing->end) {
    KeptEntry record;
    memcpy(&record, kept.arena + listing->next, sizeof record);
    memcpy(entry->name, kept.arena + listing->next + entryRecord, (size_t)record.nameLength + 1);
    entry->status = record.status;
    entry->isFolder = record.isFolder;
    entry->isLink = record.isLink;
    entry->nameLost = record.nameLost;
    listing->next += entryRecord + rounded(record.nameLength + 1);
    return listEntry;
  }
  if (listing->live) return osListNext(listing->live, entry);
  return listing->ending;
}

void listingClose(FolderListing* listing) {
  if (listing->live) osListClose(listing->live);
  listing->live = nullptr;
}
