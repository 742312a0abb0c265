// What the count lists, kept for the copy that follows it: listing a
// folder costs about as much as asking a file's status, and the copy would
// otherwise list every folder the count has just listed.
#pragma once
#include <stdint.h>

#include "platform/files_os.h"

/// How long a kept listing stands for its folder: past that the copy lists
/// the folder anew, and copies nothing older than a moment.
const uint32_t keptListingFor = 10000;  // milliseconds

/// The most the kept listings take; past it folders are listed anew.
const int keptListingBytes = 16 << 20;

/// The walks that follow list every folder, and keep what they list.
void keepListings();
/// The walk that follows takes a folder's entries from what was kept, where
/// its listing is recent and whole; any other folder it lists anew.
void replayListings();
/// Lets go of what was kept: every folder is listed anew.
void dropListings();

/// The entries of one folder, kept or listed.
struct FolderListing {
  ListHandle live;    // the folder's own listing while it is open; null: none
  int next;           // offset of the next kept entry
  int end;            // offset past the last kept entry
  ListResult ending;  // what comes after the kept entries when no listing is open
};

/// Like osListFirst over "folder\*.*".
ListResult listingFirst(const char* folder, FolderListing* listing, ListEntry* entry);
ListResult listingNext(FolderListing* listing, ListEntry* entry);
void listingClose(FolderListing* listing);
