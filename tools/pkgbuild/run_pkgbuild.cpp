// The command line of the builder: read the script and the stub, build,
// write the package as its files are prepared.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "pkgbuild/pkgbuild.h"
#include "pkgwrite/stream_package.h"

namespace pkgbuild {

namespace {

const char* const Usage = "usage: pkgbuild SCRIPT -o SETUP.EXE [--stub STUB]\n";

bool ReadWholeFile(const std::string& path, std::string& out) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out.clear();
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, got);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

std::string DirectoryOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

int RunPkgbuild(const std::vector<std::string>& args, std::string& out, std::string& err) {
    std::string script, output, stub = DefaultStub;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "-o" || a == "--stub") && i + 1 < args.size()) {
            (a == "-o" ? output : stub) = args[++i];
        } else if (!a.empty() && a[0] == '-') {
            err += "pkgbuild: unknown option " + a + "\n" + Usage;
            return 2;
        } else if (script.empty()) {
            script = a;
        } else {
            err += "pkgbuild: more than one script\n" + std::string(Usage);
            return 2;
        }
    }
    if (script.empty() || output.empty()) {
        err += Usage;
        return 2;
    }
    std::string text;
    if (!ReadWholeFile(script, text)) {
        err += "pkgbuild: cannot read script " + script + "\n";
        return 2;
    }
    std::string stubText;
    if (!ReadWholeFile(stub, stubText)) {
        err += "pkgbuild: cannot read stub " + stub + " (build it, or give --stub)\n";
        return 1;
    }
    // The stub finds the first marker in its file: one inside the stub
    // itself would be taken for the installation information.
    if (stubText.find("iNStiNSt") != std::string::npos) {
        err += "pkgbuild: the stub " + stub + " contains the marker iNStiNSt\n";
        return 1;
    }
    pkg::PackageContents contents;
    std::vector<pkg::FileSource> sources;
    ScriptError error;
    if (!BuildRecords(text, DirectoryOf(script), contents, sources, error)) {
        err += script + ":" + std::to_string(error.line) + ": " + error.message + "\n";
        return 2;
    }
    contents.stub.assign(stubText.begin(), stubText.end());
    // The stub only finds a marker whose eight bytes lie within one of its
    // 8192-byte reads; one starting on a multiple of 8 always does.
    while (contents.stub.size() % 8 != 0) contents.stub.push_back(0);
    // The files are read and compressed while the package is written.
    pkg::StreamResult written;
    if (!pkg::StreamPackage(contents, sources, output, 0, written)) {
        if (written.errorLine != 0) {
            err += script + ":" + std::to_string(written.errorLine) + ": " + written.error + "\n";
            return 2;
        }
        err += "pkgbuild: " + written.error + "\n";
        return 1;
    }
    out += "pkgbuild: wrote " + output + ": " + std::to_string(written.size) + " bytes, " +
           std::to_string(contents.files.size()) + " files, " +
           std::to_string(contents.dirs.size()) + " directories, " +
           std::to_string(contents.groups.size()) + " groups, " +
           std::to_string(contents.items.size()) + " items, " +
           std::to_string(contents.regKeys.size()) + " keys, " +
           std::to_string(contents.regValues.size()) + " values\n";
    return 0;
}

}  // namespace pkgbuild
