// The entry in the system's list of uninstallable programs.
#include "shell/shell.h"

bool UpdateUninstallEntry(Run& run, os::Window owner) {
    (void)run;
    (void)owner;
    return true;
}
