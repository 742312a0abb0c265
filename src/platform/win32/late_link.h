// Functions of the window and shell libraries, found on first use.
#pragma once

// The address of name in the system library, or null. Only the start menu's
// pickers and the cursor call need these libraries; linking them loads them
// on every start, which costs a console program more than its whole run on
// a small job.
void* lateProc(const char* library, const char* name);
