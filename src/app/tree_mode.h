// Tree mode: the tree copied, verified, and the verdict shown.
#pragma once

/// Copies from into to, verifies the copy, shows the verdict and prints the
/// source paths that differ; the display cursor, hidden by the caller for
/// the copy, is shown again after it. Without a console the verdict line
/// is printed before the list. Returns the exit code: 0 with the success
/// verdict, 1 with the error verdict.
int runTreeMode(const char* from, const char* to);
