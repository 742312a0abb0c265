// Whether two folders are one, by what their volumes say of them: the
// same folder, another, or cannot tell.
#pragma once
#include <stdint.h>

#include "copy/real_location.h"
#include "platform/files_os.h"

/// A folder held open to be told apart from others. What costs more than
/// its number is asked once, when first needed.
struct HeldFolder {
  const char* path;     // must stay valid while the folder is held
  FolderHandle handle;  // open while it is held
  bool link;            // reached through a link (or a mount point): it may be anywhere
  uint64_t index;
  bool indexHad;        // its number was had and is neither 0 nor all ones
  signed char idState;  // 0 not asked yet, 1 had and worth something, 2 only its volume's serial, -1 not had
  FolderId id;
  signed char locationState;  // 0 not asked yet, 1 had, -1 cannot be had
  LocationForm form;
  uint64_t locationKey;  // of the final path's text
};

/// Opens the folder at path (links followed) and asks its number; while
/// it is held, no volume hands its ID to another folder.
IdentityResult openFolder(const char* path, bool link, HeldFolder* folder);
void closeFolder(HeldFolder* folder);

/// The first form of its final path that the folder's volume gives, into
/// text (locationSize bytes).
bool firstLocation(HeldFolder* folder, char* text);

enum Sameness { otherFolder, sameFolder, cannotTell };

/// Whether folder, met last, is one with known (both held). Two volume
/// serials make two folders. IDs that agree make one folder under any two
/// names, unless the volume shows two creation times: it repeats IDs. Where IDs prove nothing, final paths
/// tell; with neither, the full paths as written, which say nothing of a
/// folder reached through a link.
Sameness compare(HeldFolder* folder, HeldFolder* known);
