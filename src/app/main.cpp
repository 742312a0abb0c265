// Entry point of vestro.exe.
#include "app/run.h"

int main(int argc, char** argv) { return runVestro(argc, argv); }
