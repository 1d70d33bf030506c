// OpenPackage: the package file, opened read-only for the whole run.
#include "package/package.h"
#include "log/log.h"
#include "text/boxes.h"
#include "text/messages.h"

bool OpenPackage(Run& run, const char* path) {
    run.Package = run.os.LOpen(path, os::OF_READ);
    if (run.Package == os::InvalidFile) {
        ShowError(run, 0, MessageId::CouldntOpenProgram);
        return false;
    }
    return true;
}
