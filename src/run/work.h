// The work run: the installation or the uninstallation, then the groups, the
// uninstall entry and the services. The progress dialog runs it.
#pragma once

#include <cstdint>

#include "run/run.h"

// 1 when the work succeeded, else 0. Window 0 in a silent run.
std::intptr_t RunWork(Run& run, os::Window dialog);
