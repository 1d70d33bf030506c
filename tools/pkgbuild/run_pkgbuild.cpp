// The command line of the builder: read the script and the stub, build,
// write the package as its files are prepared.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "pkgbuild/pkgbuild.h"
#include "tools_version.h"
#include "pkgwrite/stream_package.h"

namespace pkgbuild {

namespace {

const char* const Usage = "usage: pkgbuild SCRIPT -o SETUP.EXE [--stub STUB]\n";

const char* const Help =
    "usage: pkgbuild SCRIPT -o SETUP.EXE [--stub STUB] [--strict] [--source-dir DIR]\n"
    "\n"
    "Builds an installation package: the stub, the installation information the\n"
    "script describes, and the files it names.\n"
    "\n"
    "  -o SETUP.EXE      the package to write (never one of the inputs)\n"
    "  --stub STUB       the stub program; by default setup.exe beside pkgbuild,\n"
    "                    in ../share/installer, or in ../win32 (the build tree)\n"
    "  --strict          refuse the script on any warning\n"
    "  --source-dir DIR  sources are relative to DIR (default: the script's directory)\n"
    "  --help, --version\n"
    "\n"
    "Exit codes: 0 written, 1 a file could not be read or written, 2 a mistake in\n"
    "the command line or the script, reported as file:line: message.\n";

// Whether two paths name the same file (device and inode), not the same text.
bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// "\rpkgbuild: 12 files, 45 MB read" once more than a few MB were read.
void ShowProgress(std::FILE* to, std::uint64_t bytes, std::size_t files, bool& shown) {
    const std::uint64_t threshold = 4u << 20;
    if (!to || bytes < threshold) return;
    shown = true;
    std::fprintf(to, "\rpkgbuild: %zu files, %llu MB read", files,
                 static_cast<unsigned long long>(bytes >> 20));
    std::fflush(to);
}

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

int RunPkgbuild(const std::vector<std::string>& args, std::string& out, std::string& err,
                std::FILE* progress) {
    std::string script, output, stub, sourceDir;
    bool strict = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            out += Help;
            return 0;
        }
        if (a == "--version") {
            out += std::string("pkgbuild ") + ToolsVersion + "\n";
            return 0;
        }
        if ((a == "-o" || a == "--stub" || a == "--source-dir") && i + 1 < args.size()) {
            (a == "-o" ? output : a == "--stub" ? stub : sourceDir) = args[++i];
        } else if (a == "--strict") {
            strict = true;
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
    if (stub.empty()) stub = DefaultStub(ProgramDirectory());
    for (const std::string& input : {script, stub})
        if (SameFile(output, input)) {
            err += "pkgbuild: the output " + output + " is the input " + input + "\n";
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
    BuildLog log;
    if (!BuildRecords(text, sourceDir.empty() ? DirectoryOf(script) : sourceDir, contents, sources,
                      error, &log)) {
        err += script + ":" + std::to_string(error.line) + ": " + error.message + "\n";
        return 2;
    }
    for (const ScriptError& w : log.warnings)
        err += script + ":" + std::to_string(w.line) + ": " + (strict ? "" : "warning: ") +
               w.message + "\n";
    if (strict && !log.warnings.empty()) return 2;
    for (const std::string& source : log.sources)
        if (SameFile(output, source)) {
            err += "pkgbuild: the output " + output + " is the source " + source + "\n";
            return 2;
        }
    contents.stub.assign(stubText.begin(), stubText.end());
    // The stub only finds a marker whose eight bytes lie within one of its
    // 8192-byte reads; one starting on a multiple of 8 always does.
    while (contents.stub.size() % 8 != 0) contents.stub.push_back(0);
    // The files are read and compressed while the package is written.
    pkg::StreamResult written;
    bool shown = false;
    const bool streamed = pkg::StreamPackage(
        contents, sources, output, 0, written,
        [progress, &shown](std::uint64_t bytes, std::size_t files) { ShowProgress(progress, bytes, files, shown); });
    if (shown) std::fputc('\n', progress);
    if (!streamed) {
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
