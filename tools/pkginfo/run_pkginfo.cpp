// The command line of the inspector.
#include <cstdio>

#include "pkginfo/pkginfo.h"
#include "tools_version.h"

namespace pkginfo {

namespace {

const char* const Usage = "usage: pkginfo PACKAGE [--json] [--extract DIR [--force]]\n";

const char* const Help =
    "usage: pkginfo PACKAGE [--json] [--extract DIR]\n"
    "\n"
    "Shows what an installation package holds: its settings, every record, and\n"
    "the stored size of each file.\n"
    "\n"
    "  --json         the same as JSON\n"
    "  --extract DIR  write every file, expanded, into DIR\n"
    "  --help, --version\n"
    "\n"
    "Exit codes: 0 shown, 1 the package could not be read or is not one.\n";

bool ReadWholeFile(const std::string& path, pkg::Bytes& out) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out.clear();
    std::uint8_t buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.insert(out.end(), buffer, buffer + got);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

}  // namespace

int RunPkginfo(const std::vector<std::string>& args, std::string& out, std::string& err) {
    std::string path, extractDir;
    bool json = false;
    bool force = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            out += Help;
            return 0;
        }
        if (args[i] == "--version") {
            out += std::string("pkginfo ") + ToolsVersion + "\n";
            return 0;
        }
        if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--force") {
            force = true;
        } else if (args[i] == "--extract" && i + 1 < args.size()) {
            extractDir = args[++i];
        } else if (!args[i].empty() && args[i][0] != '-' && path.empty()) {
            path = args[i];
        } else {
            err += Usage;
            return 1;
        }
    }
    if (path.empty()) {
        err += Usage;
        return 1;
    }
    pkg::Bytes file;
    if (!ReadWholeFile(path, file)) {
        err += "pkginfo: cannot read " + path + "\n";
        return 1;
    }
    Package package;
    std::string error;
    if (!LoadPackage(file, package, error)) {
        err += "pkginfo: " + path + ": " + error + "\n";
        return 1;
    }
    const bool damaged = package.checksum == pkg::Checksum::Damaged;
    if (damaged)
        err += "pkginfo: " + path + ": the package is damaged: its checksum does not match its bytes\n";
    if (!extractDir.empty()) {
        if (damaged && !force) {
            err += "pkginfo: nothing extracted (--force extracts a damaged package)\n";
            return 1;
        }
        std::string report;
        bool ok = ExtractFiles(package, extractDir, report);
        (ok ? out : err) += report;
        if (!ok) return 1;
        if (!json) return damaged ? 1 : 0;
    }
    out += json ? PackageJson(package) : DescribePackage(package);
    return damaged ? 1 : 0;
}

}  // namespace pkginfo
