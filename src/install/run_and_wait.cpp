// RunAndWait: runs a program hidden and waits for its exit code.
#include "install/install.h"

std::int32_t RunAndWait(Run&, const char*, const char*) { return -1; }
