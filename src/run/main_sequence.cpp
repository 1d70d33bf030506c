// The entry: the whole program from start to exit code.
#include "run/main_sequence.h"

const char* CommandLineTail(const char* commandLine) { return commandLine; }

int RunProgram(os::Platform&, const char*) { return 1; }
