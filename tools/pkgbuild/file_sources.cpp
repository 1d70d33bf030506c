#include "pkgbuild/file_sources.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pkgbuild {

namespace {

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool HasWildcard(const std::string& s) { return s.find_first_of("*?[") != std::string::npos; }

// Every regular file in `dir` whose name matches `namePattern` (all when empty).
bool ListDirectory(const std::string& dir, const std::string& namePattern,
                   std::vector<SourceFile>& out, std::string& error) {
    DIR* d = opendir(dir.c_str());
    if (!d) {
        error = "cannot read directory " + dir + ": " + std::strerror(errno);
        return false;
    }
    std::vector<std::string> found;
    while (dirent* entry = readdir(d)) {
        std::string name = entry->d_name;
        // Hidden files (".name") come only from a pattern that starts with ".".
        if (name[0] == '.' && (namePattern.empty() || namePattern[0] != '.')) continue;
        if (!namePattern.empty() && fnmatch(namePattern.c_str(), name.c_str(), 0) != 0) continue;
        if (IsRegularFile(dir + "/" + name)) found.push_back(name);
    }
    closedir(d);
    std::sort(found.begin(), found.end());
    for (const std::string& name : found) out.push_back({dir + "/" + name, name});
    return true;
}

}  // namespace

bool ExpandSource(const std::string& baseDir, const std::string& pattern,
                  std::vector<SourceFile>& out, bool& many, std::string& error) {
    out.clear();
    many = false;
    std::string path = pattern;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty()) {
        error = "empty source";
        return false;
    }
    if (path[0] != '/' && !baseDir.empty()) path = baseDir + "/" + path;
    std::size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
    if (HasWildcard(dir)) {
        error = "wildcards are allowed only in the last part of a source: " + pattern;
        return false;
    }
    if (HasWildcard(last)) {
        many = true;
        if (!ListDirectory(dir, last, out, error)) return false;
        if (out.empty()) {
            error = "no file matches source " + pattern;
            return false;
        }
        return true;
    }
    if (IsDirectory(path)) {
        many = true;
        if (!ListDirectory(path, "", out, error)) return false;
        if (out.empty()) {
            error = "source directory holds no file: " + pattern;
            return false;
        }
        return true;
    }
    if (!IsRegularFile(path)) {
        error = "missing source file " + pattern;
        return false;
    }
    out.push_back({path, last});
    return true;
}

os::FileTime UnixToFileTime(std::int64_t seconds, std::int64_t nanoseconds) {
    const std::int64_t epochDifference = 116444736000000000LL;  // 1601 to 1970 in ticks
    std::int64_t ticks = seconds * 10000000LL + nanoseconds / 100 + epochDifference;
    if (ticks < 0) ticks = 0;
    os::FileTime t;
    t.Low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(ticks) & 0xFFFFFFFFu);
    t.High = static_cast<std::uint32_t>(static_cast<std::uint64_t>(ticks) >> 32);
    return t;
}

namespace {

// SOURCE_DATE_EPOCH: seconds since 1970; unset or empty, no clamp.
bool SourceDateEpoch(bool& set, std::int64_t& seconds, std::string& error) {
    const char* text = std::getenv("SOURCE_DATE_EPOCH");
    set = text != nullptr && *text != '\0';
    if (!set) return true;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < 0 || text[0] < '0' || text[0] > '9') {
        error = std::string("SOURCE_DATE_EPOCH is not a number of seconds: ") + text;
        return false;
    }
    seconds = value;
    return true;
}

}  // namespace

bool StatSourceFile(const std::string& path, SourceInfo& out, std::string& error) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "missing source file " + path;
        return false;
    }
    if (static_cast<std::uint64_t>(st.st_size) > 0xFFFFFFFFull) {
        error = "source file larger than 4 GiB: " + path;
        return false;
    }
    bool clamp = false;
    std::int64_t epoch = 0;
    if (!SourceDateEpoch(clamp, epoch, error)) return false;
    std::int64_t seconds = st.st_mtim.tv_sec;
    std::int64_t nanoseconds = st.st_mtim.tv_nsec;
    if (clamp && seconds >= epoch) {
        seconds = epoch;
        nanoseconds = 0;
    }
    out.size = static_cast<std::uint64_t>(st.st_size);
    out.time = UnixToFileTime(seconds, nanoseconds);
    return true;
}

}  // namespace pkgbuild
