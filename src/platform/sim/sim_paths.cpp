// Windows paths to sandbox paths: drive letters, case-insensitive lookup of
// every component (8.3 forms found too), and the per-path metadata the
// sandbox's own filesystem cannot hold (attributes, the three times).
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

#include "platform/sim/state.h"

namespace sim {

static bool ValidShortChar(char c) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
    if (c >= 'a' && c <= 'z') return true;
    if (c >= 'A' && c <= 'Z') return true;
    if (c >= '0' && c <= '9') return true;
    return std::strchr("!#$%&'()-@^_`{}~", c) != nullptr;
}

bool IsShortName(const std::string& component) {
    if (component == "." || component == "..") return true;
    std::size_t dot = component.find('.');
    std::string base = component.substr(0, dot);
    std::string ext = dot == std::string::npos ? std::string() : component.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
    if (dot != std::string::npos && ext.empty()) return false;
    for (char c : base)
        if (!ValidShortChar(c)) return false;
    for (char c : ext)
        if (!ValidShortChar(c)) return false;
    return true;
}

std::string ShortName(const std::string& component) {
    if (IsShortName(component)) return Upper(component);
    std::size_t dot = component.rfind('.');
    std::string base = dot == std::string::npos ? component : component.substr(0, dot);
    std::string ext = dot == std::string::npos ? std::string() : component.substr(dot + 1);
    std::string shortBase;
    for (char c : base) {
        if (ValidShortChar(c) && shortBase.size() < 6) shortBase += c;
    }
    std::string shortExt;
    for (char c : ext) {
        if (ValidShortChar(c) && shortExt.size() < 3) shortExt += c;
    }
    std::string out = Upper(shortBase) + "~1";
    if (!shortExt.empty()) out += "." + Upper(shortExt);
    return out;
}

bool MatchPattern(const std::string& pattern, const std::string& name) {
    // "*.*" and "x.*" also match names without any dot, as on Windows.
    if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
        name.find('.') == std::string::npos) {
        return MatchPattern(pattern.substr(0, pattern.size() - 2), name);
    }
    std::string p = Upper(pattern);
    std::string n = Upper(name);
    std::size_t pi = 0, ni = 0, starP = std::string::npos, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == '*') {
            starP = pi++;
            starN = ni;
        } else if (starP != std::string::npos) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*') ++pi;
    return pi == p.size();
}

static bool IsNetworkPath(const std::string& path) {
    return path.size() > 2 && path[0] == '\\' && path[1] == '\\';
}

std::string PlatformCalls::State::Absolute(const std::string& windowsPath) const {
    if (windowsPath.size() >= 2 && windowsPath[1] == ':') return windowsPath;
    if (IsNetworkPath(windowsPath)) return windowsPath;
    if (!windowsPath.empty() && (windowsPath[0] == '\\' || windowsPath[0] == '/'))
        return currentDir.substr(0, 2) + windowsPath;
    std::string base = currentDir;
    if (!base.empty() && base.back() != '\\') base += '\\';
    return base + windowsPath;
}

bool PlatformCalls::State::DriveKnown(const std::string& windowsPath) const {
    std::string abs = Absolute(windowsPath);
    if (IsNetworkPath(abs)) {
        std::vector<std::string> parts = SplitWindowsPath(abs);
        return parts.size() >= 2 && shares.count(Upper(parts[0] + "\\" + parts[1])) != 0;
    }
    if (abs.size() < 2 || abs[1] != ':') return false;
    char letter = Upper(abs.substr(0, 1))[0];
    return drives.count(letter) != 0;
}

std::string ScanForName(const std::string& dir, const std::string& name) {
    std::string exact = dir + "/" + name;
    struct stat st;
    if (::lstat(exact.c_str(), &st) == 0) return exact;
    DIR* d = ::opendir(dir.c_str());
    if (!d) return std::string();
    std::string found;
    std::string shortMatch;
    std::string wanted = Upper(name);
    while (dirent* e = ::readdir(d)) {
        std::string entry = e->d_name;
        if (entry == "." || entry == "..") continue;
        if (Upper(entry) == wanted) {
            found = dir + "/" + entry;
            break;
        }
        if (shortMatch.empty() && !IsShortName(entry) && ShortName(entry) == wanted)
            shortMatch = dir + "/" + entry;
    }
    ::closedir(d);
    return found.empty() ? shortMatch : found;
}

std::string PlatformCalls::State::Resolve(const std::string& windowsPath) const {
    const std::string abs = Absolute(windowsPath);
    std::vector<std::string> parts = SplitWindowsPath(abs);
    std::vector<std::string> host;
    std::size_t first = 1;
    if (IsNetworkPath(abs)) {
        // \\server\share\...: a share the test added, kept below UNC\.
        if (parts.size() < 2 || !shares.count(Upper(parts[0] + "\\" + parts[1])))
            return std::string();
        host.push_back(sandbox + "/UNC/" + Upper(parts[0]) + "/" + Upper(parts[1]));
        first = 2;
    } else {
        if (parts.empty() || parts[0].size() != 2 || parts[0][1] != ':') return std::string();
        char letter = Upper(parts[0].substr(0, 1))[0];
        if (!drives.count(letter)) return std::string();
        host.push_back(sandbox + "/" + std::string(1, letter));
    }
    for (std::size_t i = first; i < parts.size(); ++i) {
        if (parts[i] == ".") continue;
        if (parts[i] == "..") {
            if (host.size() > 1) host.pop_back();
            continue;
        }
        std::string next = FindName(host.back(), parts[i]);
        if (next.empty()) return std::string();
        if (i + 1 < parts.size() && !HostIsDirectory(next)) return std::string();
        host.push_back(next);
    }
    return host.back();
}

std::string PlatformCalls::State::StoredName(const std::string& windowsPath) const {
    std::string host = Resolve(windowsPath);
    if (host.empty()) return std::string();
    std::string rest = host.substr(sandbox.size() + 1);  // "C/dir/file"
    std::string out = rest.substr(0, 1) + ":";
    std::string tail = rest.substr(1);
    for (char& c : tail) {
        if (c == '/') c = '\\';
    }
    return tail.empty() ? out + "\\" : out + tail;
}

static bool ValidLeaf(const std::string& leaf) {
    if (leaf.empty() || leaf == "." || leaf == "..") return false;
    for (char c : leaf) {
        if (static_cast<unsigned char>(c) < 32 || std::strchr(":*?\"<>|", c)) return false;
    }
    return true;
}

std::string PlatformCalls::State::ResolveNew(const std::string& windowsPath) const {
    std::string abs = Absolute(windowsPath);
    std::vector<std::string> parts = SplitWindowsPath(abs);
    if (parts.size() < (IsNetworkPath(abs) ? 3u : 2u) || !ValidLeaf(parts.back()))
        return std::string();
    std::string parent = Resolve(ParentPath(abs) + (parts.size() == 2 ? "\\" : ""));
    if (parent.empty() || !HostIsDirectory(parent)) return std::string();
    std::string existing = FindName(parent, parts.back());
    return existing.empty() ? parent + "/" + parts.back() : existing;
}

bool PlatformCalls::State::HostIsDirectory(const std::string& hostPath) const {
    struct stat st;
    return ::stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::uint64_t PlatformCalls::State::HostFileSize(const std::string& hostPath) const {
    struct stat st;
    if (::stat(hostPath.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

FileTimes PlatformCalls::State::Now() const {
    // 2020-01-01 00:00 UTC in 100 ns units since 1601, moved on by the virtual clock.
    std::uint64_t t = 132223104000000000ull + clock * 10000ull;
    os::FileTime ft{static_cast<std::uint32_t>(t), static_cast<std::uint32_t>(t >> 32)};
    return FileTimes{ft, ft, ft};
}

FileMeta& PlatformCalls::State::MetaFor(const std::string& windowsPath, bool directory) {
    std::string key = PathKey(Absolute(windowsPath));
    auto it = meta.find(key);
    if (it == meta.end()) {
        FileMeta m;
        m.attributes = directory ? 0 : os::FILE_ATTRIBUTE_ARCHIVE;
        m.times = Now();
        it = meta.emplace(key, m).first;
    }
    return it->second;
}

void PlatformCalls::State::ForgetMeta(const std::string& key) {
    auto it = meta.lower_bound(key);
    while (it != meta.end() &&
           (it->first == key || it->first.compare(0, key.size() + 1, key + "\\") == 0)) {
        it = meta.erase(it);
    }
    locked.erase(key);
}

void PlatformCalls::State::RenameMeta(const std::string& fromKey, const std::string& toKey) {
    std::map<std::string, FileMeta> moved;
    auto it = meta.lower_bound(fromKey);
    while (it != meta.end() && (it->first == fromKey ||
                                it->first.compare(0, fromKey.size() + 1, fromKey + "\\") == 0)) {
        moved[toKey + it->first.substr(fromKey.size())] = it->second;
        it = meta.erase(it);
    }
    for (auto& m : moved) meta[m.first] = m.second;
}

bool PlatformCalls::State::AnyOpen(const std::string& key) const {
    for (const auto& f : files) {
        if (f.second.key == key) return true;
    }
    return false;
}

bool PlatformCalls::State::OpenForWriteByOthers(const std::string& key) const {
    return locked.count(key) != 0;
}

bool PlatformCalls::State::SharingAllows(const std::string& key, bool read, bool write,
                                         std::uint32_t share) const {
    if (write && locked.count(key)) return false;
    for (const auto& f : files) {
        if (f.second.key != key) continue;
        const OpenFile& o = f.second;
        if (read && !(o.share & os::FILE_SHARE_READ)) return false;
        if (write && !(o.share & os::FILE_SHARE_WRITE)) return false;
        if (o.read && !(share & os::FILE_SHARE_READ)) return false;
        if (o.write && !(share & os::FILE_SHARE_WRITE)) return false;
    }
    return true;
}

Drive* PlatformCalls::State::DriveOf(const std::string& windowsPath) {
    std::string abs = Absolute(windowsPath);
    if (abs.size() < 2 || abs[1] != ':') return nullptr;
    auto it = drives.find(Upper(abs.substr(0, 1))[0]);
    return it == drives.end() ? nullptr : &it->second;
}

}  // namespace sim
