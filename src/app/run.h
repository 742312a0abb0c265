// The run sequence: paths in, checks, then file mode or tree mode.
#pragma once

/// The whole program for one command line; returns the exit code
/// (0 after a copy in either mode, -1 after a refusal or a cancelled choice).
int runVestro(int argc, char** argv);
