// The uninstall engine: the six phases that reverse an installation.
#include "uninstall/uninstall.h"

bool RunUninstall(Run& run, os::Window owner) {
    (void)owner;
    if (run.Package != os::InvalidFile) {
        run.os.LClose(run.Package);
        run.Package = os::InvalidFile;
    }
    return false;
}
