// Writing the stored files out: each below DIR/<base>/<directory>/<name>,
// compressed data expanded, every size checked against InstalledSize. The
// names come from the package, so none may climb out of DIR.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "pkginfo/pkginfo.h"
#include "szdd/szdd.h"

namespace pkginfo {

namespace {

// Appends a name of backslash-separated parts to `path`; false when a part
// is empty, "." or "..", or holds "/" or ":".
bool AppendParts(std::string& path, const std::string& name) {
    if (name.empty()) return false;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = name.find('\\', start);
        std::string part = name.substr(start, end == std::string::npos ? end : end - start);
        if (part.empty() || part == "." || part == ".." ||
            part.find_first_of("/:") != std::string::npos)
            return false;
        path += "/" + part;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

bool MakeDirectories(const std::string& path) {
    for (std::size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/') continue;
        std::string prefix = path.substr(0, i);
        if (mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    return true;
}

const char* BaseName(std::uint32_t inSystem, std::uint32_t inWindows) {
    return inSystem ? "system" : inWindows ? "windows" : "destination";
}

bool TargetPath(const pkg::PackageContents& c, const FileRecord& f, const std::string& dir,
                std::string& path, std::string& problem) {
    path = dir;
    if (f.DirNumber == 0) {
        path += std::string("/") + BaseName(f.InSystemDir, f.InWindowsDir);
    } else if (f.DirNumber <= c.dirs.size()) {
        const DirRecord& d = c.dirs[f.DirNumber - 1];
        path += std::string("/") + BaseName(d.InSystemDir, d.InWindowsDir);
        if (!AppendParts(path, FieldText(d.Name))) {
            problem = "unsafe directory name " + FieldText(d.Name);
            return false;
        }
    } else {
        problem = "names directory " + std::to_string(f.DirNumber) + " of " +
                  std::to_string(c.dirs.size());
        return false;
    }
    if (!AppendParts(path, FieldText(f.FileName))) {
        problem = "unsafe file name " + FieldText(f.FileName);
        return false;
    }
    return true;
}

bool ExtractOne(const pkg::PackageContents& c, std::size_t i, const std::string& dir,
                std::string& report) {
    const FileRecord& f = c.files[i];
    const std::string label = "file " + std::to_string(i + 1) + " " + FieldText(f.FileName) + ": ";
    std::string path, problem;
    if (!TargetPath(c, f, dir, path, problem)) {
        report += label + problem + "\n";
        return false;
    }
    const pkg::Bytes& stored = c.fileData[i];
    pkg::Bytes data;
    if (f.Compressed) {
        if (!szdd::IsSzdd(stored.data(), stored.size()) ||
            !szdd::Expand(stored.data(), stored.size(), data)) {
            report += label + "compressed data do not expand\n";
            return false;
        }
    } else {
        data = stored;
    }
    std::size_t expanded = data.size();
    if (f.AppendTrailer) data.insert(data.end(), f.Trailer, f.Trailer + sizeof f.Trailer);
    std::size_t slash = path.rfind('/');
    if (!MakeDirectories(path.substr(0, slash))) {
        report += label + "cannot create directory for " + path + ": " + std::strerror(errno) + "\n";
        return false;
    }
    std::FILE* out = std::fopen(path.c_str(), "wb");
    bool written = out && (data.empty() || std::fwrite(data.data(), 1, data.size(), out) == data.size());
    if (out) written = std::fclose(out) == 0 && written;
    if (!written) {
        report += label + "cannot write " + path + "\n";
        return false;
    }
    if (expanded != f.InstalledSize) {
        report += label + "wrote " + path + " with " + std::to_string(expanded) +
                  " bytes, but InstalledSize is " + std::to_string(f.InstalledSize) + "\n";
        return false;
    }
    report += label + "wrote " + path + " (" + std::to_string(expanded) + " bytes" +
              (f.Compressed ? ", expanded from " + std::to_string(stored.size()) : "") + ")\n";
    return true;
}

}  // namespace

bool ExtractFiles(const Package& p, const std::string& dir, std::string& report) {
    bool ok = true;
    for (std::size_t i = 0; i < p.contents.files.size(); ++i)
        if (!ExtractOne(p.contents, i, dir, report)) ok = false;
    return ok;
}

}  // namespace pkginfo
