// The uninstall engine.
#pragma once

#include "run/run.h"

bool RunUninstall(Run& run, os::Window owner);
void RemoveDirectoryFiles(Run& run, os::Window owner, const char* directory, bool spareUninstaller);
