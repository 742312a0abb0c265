// Puts the fakes and the program's process-wide state back as a new process
// would find them.
#pragma once

void startFreshRun();
