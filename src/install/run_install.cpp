// RunInstall: the install sequence. PathExists and MakeDirectory.
#include "install/install.h"

bool RunInstall(Run&, os::Window) { return false; }
bool PathExists(Run& run, const char* path) {
    return run.os.GetFileAttributes(path) != os::INVALID_FILE_ATTRIBUTES;
}
bool MakeDirectory(Run& run, const char* path) { return run.os.CreateDirectory(path); }
