// Where pkgbuild finds the stub when no --stub is given: relative to its own
// program file, never to the current directory.
#include <sys/stat.h>
#include <unistd.h>

#include "pkgbuild/pkgbuild.h"

namespace pkgbuild {

std::string ProgramDirectory() {
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return ".";
    std::string program(path, static_cast<std::size_t>(length));
    std::size_t slash = program.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : program.substr(0, slash);
}

std::string DefaultStub(const std::string& programDir) {
    const std::string places[] = {
        programDir + "/setup.exe",
        programDir + "/../share/installer/setup.exe",
        programDir + "/../win32/setup.exe",
    };
    for (const std::string& place : places) {
        struct stat st;
        if (stat(place.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return place;
    }
    return places[0];
}

}  // namespace pkgbuild
