// Deletes the files that lie directly in one directory.
#include "uninstall/uninstall.h"

void RemoveDirectoryFiles(Run& run, os::Window owner, const char* directory,
                          bool spareUninstaller) {
    (void)run;
    (void)owner;
    (void)directory;
    (void)spareUninstaller;
}
