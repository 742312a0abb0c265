// Creating every missing folder along a destination path.
#pragma once

/// Creates, from the root down, each missing folder of path. Returns the
/// error number of the existence test when a drive root is missing, else 0.
/// A folder that cannot be created ends the chain silently.
int makePathChain(const char* path);
