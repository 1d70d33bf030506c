#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "pkgbuild/pkgbuild.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string out, err;
    // Progress only for a person watching, not into a build log.
    int code = pkgbuild::RunPkgbuild(args, out, err, isatty(fileno(stderr)) ? stderr : nullptr);
    std::fputs(out.c_str(), stdout);
    std::fputs(err.c_str(), stderr);
    return code;
}
