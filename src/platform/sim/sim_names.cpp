// Names in the sandbox: attributes, deletion, directories, searches, moves
// and the current directory, with the refusals Windows gives.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/sim/state.h"

namespace sim {

namespace {

constexpr std::uint32_t ERROR_NOT_SAME_DEVICE = 17;
constexpr std::uint32_t ERROR_DIRECTORY = 267;
constexpr std::uint32_t MOVEFILE_COPY_ALLOWED = 2;

std::uint32_t ReportedAttributes(State& s, const std::string& path, bool directory) {
    std::uint32_t a = s.MetaFor(path, directory).attributes;
    if (directory) return a | os::FILE_ATTRIBUTE_DIRECTORY;
    return a ? a : os::FILE_ATTRIBUTE_NORMAL;
}

std::uint32_t MissingError(State& s, const std::string& path) {
    std::string abs = s.Absolute(path);
    std::string parent = ParentPath(abs);
    if (SplitWindowsPath(abs).size() <= 2) parent += "\\";
    std::string host = s.Resolve(parent);
    return host.empty() || !s.HostIsDirectory(host) ? os::ERROR_PATH_NOT_FOUND
                                                    : os::ERROR_FILE_NOT_FOUND;
}

bool IsRoot(const std::string& windowsPath) { return SplitWindowsPath(windowsPath).size() <= 1; }

// Whether a host directory holds nothing, read up to its first entry.
bool HostDirectoryEmpty(const std::string& hostDir) {
    DIR* d = ::opendir(hostDir.c_str());
    if (!d) return true;
    bool empty = true;
    while (dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
            empty = false;
            break;
        }
    }
    ::closedir(d);
    return empty;
}

// The attributes of a search entry at the moment it is handed out. An entry
// gone since the search started keeps what is known of it, and no record is
// made for it.
std::uint32_t EntryAttributes(State& s, const Search& search, const std::string& name) {
    const std::string path = search.dirKey + name;
    struct stat st;
    if (::stat((search.hostDir + "/" + name).c_str(), &st) == 0)
        return ReportedAttributes(s, path, S_ISDIR(st.st_mode));
    auto it = s.meta.find(PathKey(s.Absolute(path)));
    const std::uint32_t a = it == s.meta.end() ? os::FILE_ATTRIBUTE_ARCHIVE : it->second.attributes;
    return a ? a : os::FILE_ATTRIBUTE_NORMAL;
}

void Fill(State& s, os::FindData* data, Search& search, std::size_t index) {
    std::pair<std::string, std::uint32_t>& entry = search.entries[index];
    if (entry.second == 0) entry.second = EntryAttributes(s, search, entry.first);
    if (!data) return;
    std::memset(data, 0, sizeof *data);
    data->Attributes = entry.second;
    std::snprintf(data->Name, sizeof data->Name, "%s", entry.first.c_str());
}

}  // namespace

std::vector<std::string> HostEntries(const std::string& hostDir) {
    std::vector<std::string> names;
    DIR* d = ::opendir(hostDir.c_str());
    if (!d) return names;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
    // Sorted by the upper-case forms, each made once.
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(names.size());
    for (std::string& name : names) keyed.push_back({Upper(name), std::move(name)});
    std::sort(keyed.begin(), keyed.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < keyed.size(); ++i) names[i] = std::move(keyed[i].second);
    return names;
}

std::uint32_t PlatformCalls::GetFileAttributes(const char* path) {
    if (s_->Fails("GetFileAttributes")) return os::INVALID_FILE_ATTRIBUTES;
    std::string p = Str(path);
    std::string host = s_->Resolve(p);
    if (host.empty()) {
        s_->lastError = MissingError(*s_, p);
        return os::INVALID_FILE_ATTRIBUTES;
    }
    return ReportedAttributes(*s_, p, s_->HostIsDirectory(host));
}

bool PlatformCalls::SetFileAttributes(const char* path, std::uint32_t attributes) {
    if (s_->Fails("SetFileAttributes")) return false;
    std::string p = Str(path);
    std::string host = s_->Resolve(p);
    if (host.empty()) {
        s_->lastError = MissingError(*s_, p);
        return false;
    }
    bool directory = s_->HostIsDirectory(host);
    std::uint32_t keep = os::FILE_ATTRIBUTE_READONLY | os::FILE_ATTRIBUTE_HIDDEN |
                         os::FILE_ATTRIBUTE_SYSTEM | os::FILE_ATTRIBUTE_ARCHIVE;
    s_->MetaFor(p, directory).attributes = attributes & keep;
    return true;
}

bool PlatformCalls::DeleteFile(const char* path) {
    if (s_->Fails("DeleteFile")) return false;
    std::string p = Str(path);
    std::string host = s_->Resolve(p);
    if (host.empty()) {
        s_->lastError = MissingError(*s_, p);
        return false;
    }
    std::string key = PathKey(s_->Absolute(p));
    if (s_->HostIsDirectory(host) ||
        (s_->MetaFor(p, false).attributes & os::FILE_ATTRIBUTE_READONLY)) {
        s_->lastError = os::ERROR_ACCESS_DENIED;
        return false;
    }
    // Held by another process, or still open here: in use.
    if (s_->locked.count(key) || s_->AnyOpen(key)) {
        s_->lastError = os::ERROR_SHARING_VIOLATION;
        return false;
    }
    std::uint64_t size = s_->HostFileSize(host);
    if (::unlink(host.c_str()) != 0) {
        s_->lastError = os::ERROR_ACCESS_DENIED;
        return false;
    }
    if (Drive* d = s_->DriveOf(p)) d->Give(size);
    s_->ForgetMeta(key);
    return true;
}

bool PlatformCalls::CreateDirectory(const char* path) {
    if (s_->Fails("CreateDirectory")) return false;
    std::string p = Str(path);
    if (!s_->Resolve(p).empty()) {
        s_->lastError = os::ERROR_ALREADY_EXISTS;
        return false;
    }
    std::string host = s_->ResolveNew(p);
    if (host.empty() || ::mkdir(host.c_str(), 0755) != 0) {
        s_->lastError = os::ERROR_PATH_NOT_FOUND;
        return false;
    }
    FileMeta& m = s_->MetaFor(p, true);
    m.attributes = 0;
    m.times = s_->Now();
    return true;
}

bool PlatformCalls::RemoveDirectory(const char* path) {
    if (s_->Fails("RemoveDirectory")) return false;
    std::string p = Str(path);
    std::string host = s_->Resolve(p);
    if (host.empty()) {
        s_->lastError = MissingError(*s_, p);
        return false;
    }
    if (!s_->HostIsDirectory(host)) {
        s_->lastError = ERROR_DIRECTORY;
        return false;
    }
    if (IsRoot(s_->Absolute(p)) ||
        (s_->MetaFor(p, true).attributes & os::FILE_ATTRIBUTE_READONLY)) {
        s_->lastError = os::ERROR_ACCESS_DENIED;
        return false;
    }
    if (!HostDirectoryEmpty(host)) {
        s_->lastError = ERROR_DIR_NOT_EMPTY;
        return false;
    }
    if (::rmdir(host.c_str()) != 0) {
        s_->lastError = os::ERROR_ACCESS_DENIED;
        return false;
    }
    s_->ForgetMeta(PathKey(s_->Absolute(p)));
    return true;
}

os::FindHandle PlatformCalls::FindFirstFile(const char* pattern, os::FindData* data) {
    if (s_->Fails("FindFirstFile")) return os::InvalidFind;
    std::string abs = s_->Absolute(Str(pattern));
    std::size_t slash = abs.find_last_of("\\/");
    std::string dir = slash == std::string::npos ? abs : abs.substr(0, slash + 1);
    std::string leaf = slash == std::string::npos ? std::string() : abs.substr(slash + 1);
    std::string hostDir = s_->Resolve(dir);
    if (hostDir.empty() || !s_->HostIsDirectory(hostDir)) {
        s_->lastError = os::ERROR_PATH_NOT_FOUND;
        return os::InvalidFind;
    }
    if (leaf.empty()) {
        s_->lastError = os::ERROR_FILE_NOT_FOUND;
        return os::InvalidFind;
    }
    Search search;
    std::string dirKey = dir;
    if (!IsRoot(dir)) {
        std::uint32_t self = ReportedAttributes(*s_, dir, true);
        if (MatchPattern(leaf, ".")) search.entries.push_back({".", self});
        if (MatchPattern(leaf, "..")) search.entries.push_back({"..", os::FILE_ATTRIBUTE_DIRECTORY});
    }
    if (!dirKey.empty() && dirKey.back() != '\\' && dirKey.back() != '/') dirKey += '\\';
    for (const std::string& name : HostEntries(hostDir)) {
        bool match = MatchPattern(leaf, name) ||
                     (!IsShortName(name) && MatchPattern(leaf, ShortName(name)));
        if (!match) continue;
        search.entries.push_back({name, 0});
    }
    if (search.entries.empty()) {
        s_->lastError = os::ERROR_FILE_NOT_FOUND;
        return os::InvalidFind;
    }
    search.hostDir = hostDir;
    search.dirKey = dirKey;
    Fill(*s_, data, search, 0);
    search.next = 1;
    os::FindHandle handle = s_->nextHandle++;
    s_->searches[handle] = std::move(search);
    return handle;
}

bool PlatformCalls::FindNextFile(os::FindHandle search, os::FindData* data) {
    if (s_->Fails("FindNextFile")) return false;
    auto it = s_->searches.find(search);
    if (it == s_->searches.end()) {
        s_->lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    if (it->second.next >= it->second.entries.size()) {
        s_->lastError = os::ERROR_NO_MORE_FILES;
        return false;
    }
    Fill(*s_, data, it->second, it->second.next++);
    return true;
}

bool PlatformCalls::FindClose(os::FindHandle search) {
    if (s_->Fails("FindClose")) return false;
    if (!s_->searches.erase(search)) {
        s_->lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    return true;
}

bool PlatformCalls::MoveFileEx(const char* from, const char* to, std::uint32_t flags) {
    if (s_->Fails("MoveFileEx")) return false;
    // Windows 95 and Win32s have no MoveFileEx; they use WININIT.INI instead.
    if (!s_->IsNT()) {
        s_->lastError = ERROR_CALL_NOT_IMPLEMENTED;
        return false;
    }
    std::string src = s_->Absolute(Str(from));
    std::string dst = to ? s_->Absolute(Str(to)) : std::string();
    if (flags & os::MOVEFILE_DELAY_UNTIL_REBOOT) {
        if (s_->Resolve(src).empty()) {
            s_->lastError = MissingError(*s_, src);
            return false;
        }
        s_->delayedMoves.push_back(DelayedMove{Str(from), Str(to), flags});
        return true;
    }
    std::string srcHost = s_->Resolve(src);
    if (srcHost.empty()) {
        s_->lastError = MissingError(*s_, src);
        return false;
    }
    if (dst.empty()) {
        s_->lastError = ERROR_INVALID_PARAMETER;
        return false;
    }
    std::string srcKey = PathKey(src);
    std::string dstKey = PathKey(dst);
    if (srcKey.substr(0, 2) != dstKey.substr(0, 2) && !(flags & MOVEFILE_COPY_ALLOWED)) {
        s_->lastError = ERROR_NOT_SAME_DEVICE;
        return false;
    }
    if (s_->locked.count(srcKey) || s_->AnyOpen(srcKey)) {
        s_->lastError = os::ERROR_SHARING_VIOLATION;
        return false;
    }
    std::string dstHost = s_->Resolve(dst);
    if (!dstHost.empty() && dstKey != srcKey) {
        if (!(flags & os::MOVEFILE_REPLACE_EXISTING) || s_->HostIsDirectory(dstHost)) {
            s_->lastError = os::ERROR_ALREADY_EXISTS;
            return false;
        }
        if (s_->MetaFor(dst, false).attributes & os::FILE_ATTRIBUTE_READONLY) {
            s_->lastError = os::ERROR_ACCESS_DENIED;
            return false;
        }
        if (s_->locked.count(dstKey) || s_->AnyOpen(dstKey)) {
            s_->lastError = os::ERROR_SHARING_VIOLATION;
            return false;
        }
        std::uint64_t size = s_->HostFileSize(dstHost);
        ::unlink(dstHost.c_str());
        if (Drive* d = s_->DriveOf(dst)) d->Give(size);
        s_->ForgetMeta(dstKey);
    }
    // The new name is kept as given; a rename that only changes case works too.
    std::string parentHost = s_->Resolve(ParentPath(dst) + (SplitWindowsPath(dst).size() <= 2 ? "\\" : ""));
    if (parentHost.empty() || !s_->HostIsDirectory(parentHost)) {
        s_->lastError = os::ERROR_PATH_NOT_FOUND;
        return false;
    }
    std::string newHost = parentHost + "/" + LeafName(dst);
    bool wasDirectory = s_->HostIsDirectory(srcHost);
    s_->MetaFor(src, wasDirectory);
    if (std::rename(srcHost.c_str(), newHost.c_str()) != 0) {
        s_->lastError = os::ERROR_ACCESS_DENIED;
        return false;
    }
    if (srcKey != dstKey) s_->RenameMeta(srcKey, dstKey);
    return true;
}

bool PlatformCalls::SetCurrentDirectory(const char* path) {
    if (s_->Fails("SetCurrentDirectory")) return false;
    std::string p = Str(path);
    s_->currentDirs.push_back(p);
    std::string host = s_->Resolve(p);
    if (host.empty() || !s_->HostIsDirectory(host)) {
        s_->lastError = host.empty() ? MissingError(*s_, p) : ERROR_DIRECTORY;
        return false;
    }
    s_->currentDir = s_->Absolute(p);
    return true;
}

std::vector<std::string> Machine::CurrentDirectories() const { return s_->currentDirs; }

const std::vector<DelayedMove>& Machine::DelayedMoves() const { return s_->delayedMoves; }

}  // namespace sim
