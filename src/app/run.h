// The run sequence: paths in, checks, then file mode or tree mode.
#pragma once

/// The whole program for one command line; returns the exit code: 0 when
/// every file is current, 1 when something was not copied or failed
/// verification, -1 after a refusal or a cancelled choice. The console's
/// QuickEdit is off meanwhile, and its input mode given back at the end.
int runVestro(int argc, char** argv);
