// The rules both file copies share: when a copy is already there, when the
// destination has too little room, and when two modification times agree.
#pragma once
#include <stdint.h>

#include "platform/files_os.h"

/// Times in whole seconds agree: exactly, or within 2 seconds where the
/// volume keeps times in 2-second steps.
bool sameModifyTime(int64_t a, int64_t b, bool coarse);

/// What stands at a file's destination.
enum CopyState {
  copyMissing,  // nothing: the new copy takes a free name
  copyCurrent,  // a copy with the source's size and modification time: skipped
  copyStale,    // something else, or something whose status cannot be had: a new
                // copy replaces it only once it is whole
};

/// What stands at destination, as the skip rule judges it against source
/// (coarse: its volume keeps 2-second times); its status into *standing
/// when asked (all zero when none was had). Verification judges by the same
/// rule: only a current copy passes.
CopyState copyStateOf(const FileStatus& source, const char* destination, bool coarse, FileStatus* standing = nullptr);

/// A drive-letter destination whose volume (of root, as volumeRootOf gives
/// it) offers the caller fewer free bytes than size. A destination of
/// another form is not checked, and neither is one whose free space cannot
/// be asked.
bool lacksSpace(const char* destination, const char* root, int64_t size);

/// Forgets the free space learnt of the last volume asked.
void forgetFreeSpace();
