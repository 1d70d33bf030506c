// The program-group step: groups, items and the uninstall item.
#include "shell/shell.h"

bool UpdateProgramGroups(Run& run, os::Window owner) {
    (void)run;
    (void)owner;
    return false;
}
