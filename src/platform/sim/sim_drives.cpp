// Drives, the special directories, temporary file names, 8.3 names and
// profile (INI) files.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "platform/sim/state.h"

namespace sim {

namespace {

// Copies `text` as the Win32 "get directory" calls do: the length without the
// NUL when it fits, else the size needed with the NUL and nothing copied.
unsigned CopyOut(const std::string& text, char* buffer, unsigned size) {
    if (!buffer || size <= text.size()) return static_cast<unsigned>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<unsigned>(text.size());
}

std::string ReadHost(const std::string& host) {
    std::string out;
    int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return out;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    return out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::string Trim(const std::string& text) {
    std::size_t a = text.find_first_not_of(" \t");
    if (a == std::string::npos) return std::string();
    std::size_t b = text.find_last_not_of(" \t");
    return text.substr(a, b - a + 1);
}

bool IsSection(const std::string& line, std::string* name) {
    std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    std::size_t close = t.find(']');
    if (close == std::string::npos) return false;
    if (name) *name = Trim(t.substr(1, close - 1));
    return true;
}

bool KeyOf(const std::string& line, std::string* key, std::string* value) {
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    if (key) *key = Trim(line.substr(0, eq));
    if (value) *value = Trim(line.substr(eq + 1));
    return true;
}

}  // namespace

bool PlatformCalls::GetDiskFreeSpace(const char* root, std::uint32_t* sectorsPerCluster,
                                     std::uint32_t* bytesPerSector, std::uint32_t* freeClusters,
                                     std::uint32_t* totalClusters) {
    if (s_->Fails("GetDiskFreeSpace")) return false;
    Drive* d = s_->DriveOf(root ? Str(root) : s_->currentDir);
    if (!d) {
        s_->lastError = os::ERROR_PATH_NOT_FOUND;
        return false;
    }
    std::uint64_t cluster = static_cast<std::uint64_t>(d->sectorsPerCluster) * d->bytesPerSector;
    if (cluster == 0) cluster = 1;
    std::uint64_t free = d->freeBytes / cluster;
    std::uint64_t total = free * 2 + 1024;
    if (free > 0xFFFFFFFFull) free = 0xFFFFFFFFull;
    if (total > 0xFFFFFFFFull) total = 0xFFFFFFFFull;
    if (sectorsPerCluster) *sectorsPerCluster = d->sectorsPerCluster;
    if (bytesPerSector) *bytesPerSector = d->bytesPerSector;
    if (freeClusters) *freeClusters = static_cast<std::uint32_t>(free);
    if (totalClusters) *totalClusters = static_cast<std::uint32_t>(total);
    return true;
}

unsigned PlatformCalls::GetDriveType(const char* root) {
    if (s_->Fails("GetDriveType")) return DRIVE_UNKNOWN;
    std::string r = root ? Str(root) : s_->currentDir;
    if (r.size() < 2 || r[1] != ':' || (r.size() > 3) || (r.size() == 3 && r[2] != '\\'))
        return DRIVE_NO_ROOT_DIR;
    Drive* d = s_->DriveOf(r);
    return d ? d->type : DRIVE_NO_ROOT_DIR;
}

unsigned PlatformCalls::GetWindowsDirectory(char* buffer, unsigned size) {
    if (s_->Fails("GetWindowsDirectory")) return 0;
    return CopyOut(s_->windowsDir, buffer, size);
}

unsigned PlatformCalls::GetSystemDirectory(char* buffer, unsigned size) {
    if (s_->Fails("GetSystemDirectory")) return 0;
    return CopyOut(s_->systemDir, buffer, size);
}

unsigned PlatformCalls::GetTempPath(unsigned size, char* buffer) {
    if (s_->Fails("GetTempPath")) return 0;
    return CopyOut(s_->tempPath, buffer, size);
}

unsigned PlatformCalls::GetTempFileName(const char* directory, const char* prefix, char* out) {
    if (s_->Fails("GetTempFileName")) return 0;
    std::string dir = Str(directory);
    std::string host = s_->Resolve(dir);
    if (host.empty() || !s_->HostIsDirectory(host)) {
        s_->lastError = 267;  // ERROR_DIRECTORY
        return 0;
    }
    if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
    std::string pre = Str(prefix).substr(0, 3);
    for (int attempt = 0; attempt < 0xFFFF; ++attempt) {
        unsigned number = (++s_->tempCounter) & 0xFFFF;
        if (number == 0) continue;
        char name[16];
        std::snprintf(name, sizeof name, "%X.TMP", number);
        std::string path = dir + pre + name;
        if (!s_->Resolve(path).empty()) continue;
        std::string newHost = s_->ResolveNew(path);
        int fd = newHost.empty() ? -1 : ::open(newHost.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
        if (fd < 0) {
            s_->lastError = os::ERROR_ACCESS_DENIED;
            return 0;
        }
        ::close(fd);
        FileMeta& m = s_->MetaFor(path, false);
        m.attributes = os::FILE_ATTRIBUTE_ARCHIVE;
        m.times = s_->Now();
        if (out) std::snprintf(out, 260, "%s", path.c_str());
        return number;
    }
    s_->lastError = ERROR_FILE_EXISTS;
    return 0;
}

unsigned PlatformCalls::GetShortPathName(const char* path, char* out, unsigned size) {
    if (s_->Fails("GetShortPathName")) return 0;
    std::string p = Str(path);
    std::string host = s_->Resolve(p);
    if (host.empty()) {
        s_->lastError = os::ERROR_FILE_NOT_FOUND;
        return 0;
    }
    // Build the short form from the names as stored.
    std::string stored = s_->StoredName(p);
    std::vector<std::string> parts = SplitWindowsPath(stored);
    std::string result;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i == 0) {
            result = Upper(parts[0]);
            continue;
        }
        result += "\\" + ShortName(parts[i]);
    }
    if (parts.size() == 1) result += "\\";
    if (!out || size <= result.size()) return static_cast<unsigned>(result.size() + 1);
    std::memcpy(out, result.c_str(), result.size() + 1);
    return static_cast<unsigned>(result.size());
}

bool PlatformCalls::WritePrivateProfileString(const char* section, const char* key,
                                              const char* value, const char* file) {
    if (s_->Fails("WritePrivateProfileString")) return false;
    std::string path = Str(file);
    if (path.find('\\') == std::string::npos && path.find('/') == std::string::npos)
        path = s_->windowsDir + "\\" + path;
    std::string host = s_->Resolve(path);
    bool exists = !host.empty();
    if (exists && (s_->MetaFor(path, false).attributes & os::FILE_ATTRIBUTE_READONLY)) {
        s_->lastError = os::ERROR_ACCESS_DENIED;
        return false;
    }
    if (!exists) {
        host = s_->ResolveNew(path);
        if (host.empty()) {
            s_->lastError = os::ERROR_PATH_NOT_FOUND;
            return false;
        }
    }
    // The file as sections: a preamble without a header, then each "[name]" with its lines.
    struct Section {
        std::string name;
        std::string header;
        std::vector<std::string> lines;
    };
    std::vector<Section> sections(1);
    for (const std::string& line : Lines(exists ? ReadHost(host) : std::string())) {
        std::string name;
        if (IsSection(line, &name)) {
            sections.push_back(Section{name, line, {}});
        } else {
            sections.back().lines.push_back(line);
        }
    }
    std::string wanted = Str(section);
    std::size_t index = 0;
    for (std::size_t i = 1; i < sections.size() && !index; ++i) {
        if (SameText(sections[i].name, wanted)) index = i;
    }
    if (!key) {
        if (index) sections.erase(sections.begin() + static_cast<long>(index));
    } else if (index || value) {
        if (!index) {
            sections.push_back(Section{wanted, "[" + wanted + "]", {}});
            index = sections.size() - 1;
        }
        std::vector<std::string>& body = sections[index].lines;
        bool replaced = false;
        for (std::size_t i = 0; i < body.size();) {
            std::string k;
            if (KeyOf(body[i], &k, nullptr) && SameText(k, Str(key))) {
                if (value && !replaced) {
                    body[i] = k + "=" + Str(value);  // the key keeps its spelling
                    replaced = true;
                    ++i;
                } else {
                    body.erase(body.begin() + static_cast<long>(i));
                }
                continue;
            }
            ++i;
        }
        if (value && !replaced) {
            std::size_t at = body.size();
            while (at > 0 && Trim(body[at - 1]).empty()) --at;
            body.insert(body.begin() + static_cast<long>(at), Str(key) + "=" + Str(value));
        }
    }
    std::vector<std::string> out;
    for (const Section& sec : sections) {
        if (!sec.header.empty()) out.push_back(sec.header);
        for (const std::string& line : sec.lines) out.push_back(line);
    }
    std::string text;
    for (const std::string& line : out) text += line + "\r\n";
    std::uint64_t oldSize = exists ? s_->HostFileSize(host) : 0;
    int fd = ::open(host.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        if (fd >= 0) ::close(fd);
        s_->lastError = os::ERROR_ACCESS_DENIED;
        return false;
    }
    ::close(fd);
    if (Drive* d = s_->DriveOf(path)) {
        d->Give(oldSize);
        d->Take(text.size());
    }
    FileMeta& m = s_->MetaFor(path, false);
    m.times.write = s_->Now().write;
    return true;
}

std::string Machine::ProfileString(const std::string& file, const std::string& section,
                                   const std::string& key) const {
    std::string path = file;
    if (path.find('\\') == std::string::npos) path = s_->windowsDir + "\\" + path;
    std::string host = s_->Resolve(path);
    if (host.empty()) return std::string();
    bool inSection = false;
    for (const std::string& line : Lines(ReadHost(host))) {
        std::string name;
        if (IsSection(line, &name)) {
            inSection = SameText(name, section);
            continue;
        }
        std::string k, v;
        if (inSection && KeyOf(line, &k, &v) && SameText(k, key)) return v;
    }
    return std::string();
}

}  // namespace sim
