// A copy bears its real name only once it is whole: every new copy is
// written under a temporary name beside where it goes and takes its name in
// one step once it is complete. An old copy stays as it was until then, and
// whatever bore its name (a link, another name of some file) leads nowhere
// the copy writes.
#pragma once
#include <stdint.h>

#include "copy/copy_rules.h"
#include "text/path_text.h"

/// The ending of every temporary name: a.jpg is replaced by way of
/// a.jpg.vestro-tmp. The walks never copy a name of this form.
extern const char temporarySuffix[];

/// Ends as the temporary names do, ASCII letter case aside.
bool isTemporaryName(const char* name);

/// destination's temporary name into out (pathBufferSize bytes): the name
/// and the ending where that fits one name (255) and a path buffer, else a
/// short name of the same ending made from the name ("~1a2b3c4d.vestro-tmp"),
/// the same at every run. false when neither fits.
bool temporaryNameFor(const char* destination, char* out);

/// Removes a temporary file left by a run that was stopped part way, once
/// its real location shows a file of that name in that folder (no link to
/// somewhere else, which a removal would follow). true when it went.
bool clearLeftover(const char* temporary);

/// Whether the volume (of root) lacks room for a copy of size bytes at
/// destination. A leftover of an earlier run's copy is the program's own
/// and goes first: its bytes count as free.
bool lacksRoomFor(const char* destination, const char* root, int64_t size);

/// Whether a new copy may take the place of what stands at destination,
/// with that status: not a folder, nor a file the user may not replace
/// (read-only, no right to delete it). One another program holds for now
/// may be.
bool mayReplace(const char* destination, const FileStatus& standing);

/// Forgets which folder's files were found replaceable.
void forgetReplaceRights();

/// Makes a new file at path for writing, never opening what stands there:
/// true when made (kept in file); else *nameTaken tells whether something
/// already bears the name.
typedef bool (*MakeFile)(const char* path, bool* nameTaken, void* file);

/// A new copy's file, from its making to its name.
struct NewCopy {
  const char* destination;
  PathBuffer temporary;
  const char* made;  // the name it bears: the temporary one, or destination once given it
  bool replacing;    // an old copy (or something else) stands at destination
};

/// Makes the new copy's file through make under the temporary name, whose
/// leftover goes first. false when it cannot be made.
bool makeNewCopy(NewCopy* copy, const char* destination, CopyState state, MakeFile make, void* file);

/// Where nothing stood, the whole copy, its time set, may take its name
/// through its still-open file, before the close: nothing can be lost then.
void nameOpenCopy(NewCopy* copy, FileHandle file);

/// Once the new copy is whole and closed, it takes destination's name in
/// one rename, over whatever bears it (an old copy, a link that leads
/// nowhere), tried again for about a second while another program holds a
/// file. false when it cannot: the new file goes and whatever stands at
/// destination stays as it was.
bool nameNewCopy(NewCopy* copy);

/// Removes the new copy's file, which stopped part way.
void dropNewCopy(NewCopy* copy);
