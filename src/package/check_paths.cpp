// CheckPaths: once the destination is known, every path the run will build
// must fit its 260-byte buffer; a package that would need a longer one is
// refused instead of working on cut paths.
#include <cstring>

#include "package/package.h"

namespace {

bool FitsBelowDestination(const Run& run, const char* name, std::size_t nameSize) {
    const char* nul = static_cast<const char*>(std::memchr(name, 0, nameSize));
    const std::size_t nameLength = nul ? static_cast<std::size_t>(nul - name) : nameSize;
    return std::strlen(run.DestinationDir) + 1 + nameLength < PathSize;
}

bool AllPathsFit(const Run& run) {
    const InstallHeader& h = *run.Header;
    char path[PathSize];
    // Records the running platform passes over build no path.
    for (std::uint32_t i = 0; i < h.DirCount; ++i)
        if (!ExcludedOnPlatform(run, run.Dirs[i]) && DirPath(run, i, path) == 0) return false;
    for (std::uint32_t i = 0; i < h.FileCount; ++i)
        if (!ExcludedOnPlatform(run, run.Files[i]) && FilePath(run, i, path) == 0) return false;
    // The uninstaller's path is built only where one is written.
    if (h.CreateUninstaller && !FitsBelowDestination(run, h.UninstallerName, sizeof h.UninstallerName))
        return false;
    static const char logName[] = "InstLog.txt";
    if (!run.UninstallMode && h.CreateLog && !FitsBelowDestination(run, logName, sizeof logName))
        return false;
    return true;
}

}  // namespace

bool CheckPaths(Run& run) {
    if (!run.Header || !run.DestinationDir || !AllPathsFit(run)) {
        ShowInfoError(run, PathTooLong);
        return false;
    }
    return true;
}
