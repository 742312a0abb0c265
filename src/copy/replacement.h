// An existing copy is replaced only by a whole new one: the new copy is
// written under a temporary name beside it and takes the old one's name in
// one step once it is complete. Until then the old copy stays as it was,
// and whatever bore its name (a link, another name of some file) leads
// nowhere the copy writes.
#pragma once

/// The ending of every temporary name: a.jpg is replaced by way of
/// a.jpg.vestro-tmp. The walks never copy a name of this form.
extern const char temporarySuffix[];

/// Ends as the temporary names do, ASCII letter case aside.
bool isTemporaryName(const char* name);

/// destination's temporary name into out (pathBufferSize bytes); false
/// when it would not fit.
bool temporaryNameFor(const char* destination, char* out);

/// Removes a temporary file left by a run that was stopped part way, once
/// its real location shows a file of that name in that folder (no link to
/// somewhere else, which a removal would follow). true when it went.
bool clearLeftover(const char* temporary);
