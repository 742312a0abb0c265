// Tree mode: the tree copied, verified, and the verdict shown.
#pragma once

/// Copies from into to, verifies the copy, shows the verdict and prints the
/// source paths that differ; the display cursor, hidden by the caller for
/// the copy, is shown again after it. Returns the exit code, 0.
int runTreeMode(const char* from, const char* to);
