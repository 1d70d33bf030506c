// Program groups and items over the program manager's DDE interface, and the
// uninstall registration entry.
#pragma once

#include <cstdint>

#include "run/run.h"

bool StartShellDde(Run& run);
void EndShellDde(Run& run);
// 0 on success, else the DDE error code (also in LastDdeError).
std::uint32_t ExecuteShellCommand(Run& run, const char* command);
bool UpdateProgramGroups(Run& run, os::Window owner);
bool UpdateUninstallEntry(Run& run, os::Window owner);
