// The uninstall engine.
#pragma once

#include <cstdint>

#include "run/run.h"

bool RunUninstall(Run& run, os::Window owner);
void RemoveDirectoryFiles(Run& run, os::Window owner, const char* directory, bool spareUninstaller);

// The phases of RunUninstall that live in their own files.
// The file phase: every file record, with shared counts, unregistration, App Paths
// and RunServices entries. False when the run stops.
bool UninstallFiles(Run& run, os::Window owner);
// The registry phase: values of the value records, then the keys of the key records.
bool RemoveRegistryEntries(Run& run, os::Window owner);
// A file the uninstallation leaves: the file of a kept record, a shared file
// still there after the file phase, a file there before the installation.
bool BelongsToAStayingRecord(const Run& run, const char* path);
// What the record says an earlier installation of the product made and no
// record of this one names: files, directories, keys.
void RemoveRecordedLeftovers(Run& run, os::Window owner);
// lstrcmpiA for the file names the engine compares: equal without regard
// to letter case.
bool SameNameNoCase(os::Platform& os, const char* a, const char* b);
