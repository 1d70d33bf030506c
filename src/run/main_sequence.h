// The entry: the whole program from start to exit code.
#pragma once

#include "platform/platform.h"

// The command line without the program's own name and the blanks after it.
const char* CommandLineTail(const char* commandLine);
// Runs the program with the given command-line tail; returns the exit code.
int RunProgram(os::Platform& platform, const char* commandLineTail);
