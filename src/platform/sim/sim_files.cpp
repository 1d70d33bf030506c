// Handle-based files: _lopen, _lcreat, _hread, _hwrite, _llseek, _lclose and
// CreateFile with sharing modes, over real files of the sandbox. Writes that
// grow a file take room from the drive's free space.
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/sim/state.h"

namespace sim {

namespace {

constexpr std::uint32_t CREATE_NEW = 1;
constexpr std::uint32_t OPEN_ALWAYS = 4;
constexpr std::uint32_t TRUNCATE_EXISTING = 5;

// Why a path cannot be opened: the missing file or the missing directory.
std::uint32_t MissingError(State& s, const std::string& path) {
    std::string abs = s.Absolute(path);
    std::string parent = ParentPath(abs);
    if (SplitWindowsPath(abs).size() <= 2) parent += "\\";
    std::string host = s.Resolve(parent);
    if (host.empty() || !s.HostIsDirectory(host)) return os::ERROR_PATH_NOT_FOUND;
    return os::ERROR_FILE_NOT_FOUND;
}

// Opens (and maybe creates or truncates) a file for a new handle; the checks
// of Windows first: directories, read-only files, files in use.
}  // namespace

os::FileHandle OpenSimFile(State& s, const std::string& path, bool read, bool write,
                          std::uint32_t share, std::uint32_t disposition,
                          std::uint32_t createAttributes) {
    std::string host = s.Resolve(path);
    bool exists = !host.empty();
    if (exists && s.HostIsDirectory(host)) {
        s.lastError = os::ERROR_ACCESS_DENIED;
        return os::InvalidFile;
    }
    std::string key = PathKey(s.Absolute(path));
    bool truncate = false;
    bool create = false;
    switch (disposition) {
        case CREATE_NEW:
            if (exists) {
                s.lastError = ERROR_FILE_EXISTS;
                return os::InvalidFile;
            }
            create = true;
            break;
        case os::CREATE_ALWAYS:
            truncate = exists;
            create = !exists;
            break;
        case os::OPEN_EXISTING:
            break;
        case OPEN_ALWAYS:
            create = !exists;
            break;
        case TRUNCATE_EXISTING:
            truncate = true;
            break;
        default:
            s.lastError = ERROR_INVALID_PARAMETER;
            return os::InvalidFile;
    }
    if (!exists && !create) {
        s.lastError = MissingError(s, path);
        return os::InvalidFile;
    }
    if (exists) {
        std::uint32_t attributes = s.MetaFor(path, false).attributes;
        if ((write || truncate) && (attributes & os::FILE_ATTRIBUTE_READONLY)) {
            s.lastError = os::ERROR_ACCESS_DENIED;
            return os::InvalidFile;
        }
        if (!s.SharingAllows(key, read, write || truncate, share)) {
            s.lastError = os::ERROR_SHARING_VIOLATION;
            return os::InvalidFile;
        }
    } else {
        host = s.ResolveNew(path);
        if (host.empty()) {
            s.lastError = MissingError(s, path);
            if (s.lastError == os::ERROR_FILE_NOT_FOUND) s.lastError = 123;  // bad name
            return os::InvalidFile;
        }
    }
    std::uint64_t oldSize = exists ? s.HostFileSize(host) : 0;
    int flags = O_RDWR | O_CLOEXEC;
    if (create) flags |= O_CREAT;
    if (truncate) flags |= O_TRUNC;
    int fd = ::open(host.c_str(), flags, 0644);
    if (fd < 0) {
        s.lastError = os::ERROR_ACCESS_DENIED;
        return os::InvalidFile;
    }
    if (truncate) {
        if (Drive* d = s.DriveOf(path)) d->Give(oldSize);
    }
    if (create) {
        FileMeta& m = s.MetaFor(path, false);
        m.attributes = createAttributes;
        m.times = s.Now();
    } else if (truncate) {
        FileMeta& m = s.MetaFor(path, false);
        m.times.write = s.Now().write;
        m.attributes |= os::FILE_ATTRIBUTE_ARCHIVE;
    }
    os::FileHandle handle = static_cast<os::FileHandle>(s.nextHandle++);
    s.files[handle] = OpenFile{key, host, fd, read, write, share};
    s.lastError = 0;
    return handle;
}

namespace {

std::uint32_t ShareOfMode(int mode) {
    switch (mode & 0x70) {
        case os::OF_SHARE_EXCLUSIVE: return 0;
        case os::OF_SHARE_DENY_WRITE: return os::FILE_SHARE_READ;
        case 0x30: return os::FILE_SHARE_WRITE;  // OF_SHARE_DENY_READ
        default: return os::FILE_SHARE_READ | os::FILE_SHARE_WRITE;
    }
}

OpenFile* Find(State& s, os::FileHandle file) {
    auto it = s.files.find(file);
    if (it == s.files.end()) {
        s.lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    return &it->second;
}

}  // namespace

bool CloseSimFile(State& s, os::FileHandle file) {
    auto it = s.files.find(file);
    if (it == s.files.end()) {
        s.lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    ::close(it->second.fd);
    s.files.erase(it);
    return true;
}

os::FileHandle PlatformCalls::LOpen(const char* path, int mode) {
    if (s_->Fails("LOpen")) return os::InvalidFile;
    int access = mode & 3;
    bool read = access == os::OF_READ || access == os::OF_READWRITE;
    bool write = access == os::OF_WRITE || access == os::OF_READWRITE;
    std::uint32_t disposition = (mode & os::OF_CREATE) ? os::CREATE_ALWAYS : os::OPEN_EXISTING;
    return OpenSimFile(*s_, Str(path), read, write, ShareOfMode(mode), disposition,
                      os::FILE_ATTRIBUTE_ARCHIVE);
}

os::FileHandle PlatformCalls::LCreat(const char* path, int attributes) {
    if (s_->Fails("LCreat")) return os::InvalidFile;
    std::uint32_t a = os::FILE_ATTRIBUTE_ARCHIVE | (static_cast<std::uint32_t>(attributes) & 7u);
    return OpenSimFile(*s_, Str(path), true, true,
                      os::FILE_SHARE_READ | os::FILE_SHARE_WRITE, os::CREATE_ALWAYS, a);
}

os::FileHandle PlatformCalls::CreateFile(const char* path, std::uint32_t access,
                                         std::uint32_t share, std::uint32_t disposition,
                                         std::uint32_t) {
    if (s_->Fails("CreateFile")) return os::InvalidFile;
    return OpenSimFile(*s_, Str(path), (access & os::GENERIC_READ) != 0,
                      (access & os::GENERIC_WRITE) != 0, share, disposition,
                      os::FILE_ATTRIBUTE_ARCHIVE);
}

long PlatformCalls::HRead(os::FileHandle file, void* buffer, long count) {
    if (s_->Fails("HRead")) return -1;
    return ReadSimFile(*s_, file, buffer, count);
}

long ReadSimFile(State& state, os::FileHandle file, void* buffer, long count) {
    State* s_ = &state;
    OpenFile* f = Find(*s_, file);
    if (!f) return -1;
    if (!f->read || count < 0) {
        s_->lastError = os::ERROR_ACCESS_DENIED;
        return -1;
    }
    long total = 0;
    char* out = static_cast<char*>(buffer);
    while (total < count) {
        ssize_t n = ::read(f->fd, out + total, static_cast<std::size_t>(count - total));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            s_->lastError = os::ERROR_ACCESS_DENIED;
            return -1;
        }
        if (n == 0) break;
        total += static_cast<long>(n);
    }
    return total;
}

long PlatformCalls::HWrite(os::FileHandle file, const void* buffer, long count) {
    if (s_->Fails("HWrite")) return -1;
    return WriteSimFile(*s_, file, buffer, count);
}

long WriteSimFile(State& state, os::FileHandle file, const void* buffer, long count) {
    State* s_ = &state;
    OpenFile* f = Find(*s_, file);
    if (!f) return -1;
    if (!f->write || count < 0) {
        s_->lastError = os::ERROR_ACCESS_DENIED;
        return -1;
    }
    off_t position = ::lseek(f->fd, 0, SEEK_CUR);
    struct stat st;
    ::fstat(f->fd, &st);
    std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    Drive* drive = s_->DriveOf(f->key);
    FileMeta& meta = s_->MetaFor(f->key, false);
    meta.times.write = s_->Now().write;
    meta.attributes |= os::FILE_ATTRIBUTE_ARCHIVE;
    if (count == 0) {
        // Writing nothing ends the file at the current position.
        if (::ftruncate(f->fd, position) != 0) {
            s_->lastError = os::ERROR_ACCESS_DENIED;
            return -1;
        }
        if (drive && static_cast<std::uint64_t>(position) < size)
            drive->Give(size - static_cast<std::uint64_t>(position));
        return 0;
    }
    std::uint64_t end = static_cast<std::uint64_t>(position) + static_cast<std::uint64_t>(count);
    std::uint64_t growth = end > size ? end - size : 0;
    if (drive && !drive->Fits(growth)) {
        s_->lastError = os::ERROR_HANDLE_DISK_FULL;
        return -1;
    }
    long total = 0;
    const char* in = static_cast<const char*>(buffer);
    while (total < count) {
        ssize_t n = ::write(f->fd, in + total, static_cast<std::size_t>(count - total));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            s_->lastError = os::ERROR_HANDLE_DISK_FULL;
            return -1;
        }
        total += static_cast<long>(n);
    }
    if (drive) drive->Take(growth);
    return total;
}

long PlatformCalls::LSeek(os::FileHandle file, long offset, int origin) {
    if (s_->Fails("LSeek")) return -1;
    OpenFile* f = Find(*s_, file);
    if (!f) return -1;
    int whence = origin == os::SEEK_FROM_BEGIN ? SEEK_SET
                 : origin == os::SEEK_FROM_CURRENT ? SEEK_CUR
                 : origin == os::SEEK_FROM_END ? SEEK_END
                                               : -1;
    if (whence < 0) {
        s_->lastError = ERROR_INVALID_PARAMETER;
        return -1;
    }
    off_t base = whence == SEEK_SET ? 0 : ::lseek(f->fd, 0, whence);
    if (base + offset < 0) {
        s_->lastError = ERROR_NEGATIVE_SEEK;
        return -1;
    }
    off_t position = ::lseek(f->fd, base + offset, SEEK_SET);
    if (position < 0 || position > 0x7FFFFFFF) {
        s_->lastError = ERROR_INVALID_PARAMETER;
        return -1;
    }
    return static_cast<long>(position);
}

int PlatformCalls::LClose(os::FileHandle file) {
    if (s_->Fails("LClose")) return -1;
    return CloseSimFile(*s_, file) ? 0 : -1;
}

bool PlatformCalls::CloseHandle(os::FileHandle file) {
    if (s_->Fails("CloseHandle")) return false;
    return CloseSimFile(*s_, file);
}

bool PlatformCalls::GetFileTime(os::FileHandle file, os::FileTime* creation, os::FileTime* access,
                                os::FileTime* write) {
    if (s_->Fails("GetFileTime")) return false;
    OpenFile* f = Find(*s_, file);
    if (!f) return false;
    const FileTimes& t = s_->MetaFor(f->key, false).times;
    if (creation) *creation = t.creation;
    if (access) *access = t.access;
    if (write) *write = t.write;
    return true;
}

bool PlatformCalls::SetFileTime(os::FileHandle file, const os::FileTime* creation,
                                const os::FileTime* access, const os::FileTime* write) {
    if (s_->Fails("SetFileTime")) return false;
    OpenFile* f = Find(*s_, file);
    if (!f) return false;
    if (!f->write) {
        s_->lastError = os::ERROR_ACCESS_DENIED;
        return false;
    }
    FileTimes& t = s_->MetaFor(f->key, false).times;
    if (creation) t.creation = *creation;
    if (access) t.access = *access;
    if (write) t.write = *write;
    return true;
}

bool PlatformCalls::SetEndOfFile(os::FileHandle file) {
    if (s_->Fails("SetEndOfFile")) return false;
    OpenFile* f = Find(*s_, file);
    if (!f) return false;
    if (!f->write) {
        s_->lastError = os::ERROR_ACCESS_DENIED;
        return false;
    }
    off_t position = ::lseek(f->fd, 0, SEEK_CUR);
    struct stat st;
    ::fstat(f->fd, &st);
    if (::ftruncate(f->fd, position) != 0) {
        s_->lastError = os::ERROR_HANDLE_DISK_FULL;
        return false;
    }
    if (Drive* d = s_->DriveOf(f->key)) {
        if (position < st.st_size) d->Give(static_cast<std::uint64_t>(st.st_size - position));
    }
    return true;
}

std::size_t Machine::OpenFileHandles() const { return s_->files.size(); }

}  // namespace sim
