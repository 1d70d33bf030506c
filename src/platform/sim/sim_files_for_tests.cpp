// The tests' view of the simulated filesystem: setting up drives and files,
// reading them back, and whole-tree snapshots. No failure injection here.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/sim/state.h"

namespace sim {

namespace {

Bytes ReadAll(const std::string& host) {
    Bytes out;
    int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return out;
    std::uint8_t buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) out.insert(out.end(), buffer, buffer + n);
    ::close(fd);
    return out;
}

}  // namespace

void Machine::AddDrive(char letter, unsigned type, std::uint64_t freeBytes) {
    char l = Upper(std::string(1, letter))[0];
    Drive& d = s_->drives[l];
    d.type = type;
    d.freeBytes = freeBytes;
    ::mkdir((s_->sandbox + "/" + std::string(1, l)).c_str(), 0755);
}

void Machine::SetFreeSpace(char drive, std::uint64_t bytes) {
    Drive& d = s_->drives[Upper(std::string(1, drive))[0]];
    d.freeBytes = bytes;
    d.used = 0;
}

void Machine::SetDriveType(char drive, unsigned type) {
    char l = Upper(std::string(1, drive))[0];
    if (!s_->drives.count(l)) AddDrive(l, type);
    s_->drives[l].type = type;
}

void Machine::SetClusterGeometry(char drive, std::uint32_t sectorsPerCluster,
                                 std::uint32_t bytesPerSector) {
    Drive& d = s_->drives[Upper(std::string(1, drive))[0]];
    d.sectorsPerCluster = sectorsPerCluster;
    d.bytesPerSector = bytesPerSector;
}

void Machine::MakeDirectories(const std::string& path) {
    const std::string abs = s_->Absolute(path);
    std::vector<std::string> parts = SplitWindowsPath(abs);
    if (parts.empty()) return;
    // A network path starts at its share, which AddNetworkShare made.
    const bool network = abs.size() > 2 && abs[0] == '\\' && abs[1] == '\\';
    if (network && parts.size() < 2) return;
    std::string current = network ? "\\\\" + parts[0] + "\\" + parts[1] : parts[0];
    for (std::size_t i = network ? 2 : 1; i < parts.size(); ++i) {
        current += "\\" + parts[i];
        if (!s_->Resolve(current).empty()) continue;
        std::string host = s_->ResolveNew(current);
        if (host.empty()) return;
        ::mkdir(host.c_str(), 0755);
        s_->MetaFor(current, true).attributes = 0;
    }
}

void Machine::WriteFile(const std::string& path, const Bytes& bytes) {
    MakeDirectories(ParentPath(s_->Absolute(path)));
    std::string host = s_->ResolveNew(path);
    if (host.empty()) return;
    int fd = ::open(host.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) return;
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    s_->MetaFor(path, false);
}

void Machine::WriteFile(const std::string& path, const std::string& text) {
    WriteFile(path, Bytes(text.begin(), text.end()));
}

Bytes Machine::ReadFile(const std::string& path) const {
    std::string host = s_->Resolve(path);
    if (host.empty() || s_->HostIsDirectory(host)) return Bytes();
    return ReadAll(host);
}

std::string Machine::ReadText(const std::string& path) const {
    Bytes b = ReadFile(path);
    return std::string(b.begin(), b.end());
}

bool Machine::Exists(const std::string& path) const { return !s_->Resolve(path).empty(); }

bool Machine::IsDirectory(const std::string& path) const {
    std::string host = s_->Resolve(path);
    return !host.empty() && s_->HostIsDirectory(host);
}

void Machine::RemoveFile(const std::string& path) {
    std::string host = s_->Resolve(path);
    if (host.empty()) return;
    if (s_->HostIsDirectory(host)) {
        ::rmdir(host.c_str());
    } else {
        ::unlink(host.c_str());
    }
    s_->ForgetMeta(PathKey(s_->Absolute(path)));
}

std::uint32_t Machine::Attributes(const std::string& path) const {
    std::string host = s_->Resolve(path);
    if (host.empty()) return os::INVALID_FILE_ATTRIBUTES;
    bool directory = s_->HostIsDirectory(host);
    std::uint32_t a = s_->MetaFor(path, directory).attributes;
    if (directory) return a | os::FILE_ATTRIBUTE_DIRECTORY;
    return a ? a : os::FILE_ATTRIBUTE_NORMAL;
}

void Machine::SetAttributes(const std::string& path, std::uint32_t attributes) {
    std::string host = s_->Resolve(path);
    if (host.empty()) return;
    bool directory = s_->HostIsDirectory(host);
    s_->MetaFor(path, directory).attributes =
        attributes & ~(os::FILE_ATTRIBUTE_DIRECTORY | os::FILE_ATTRIBUTE_NORMAL);
}

FileTimes Machine::Times(const std::string& path) const {
    std::string host = s_->Resolve(path);
    if (host.empty()) return FileTimes{};
    return s_->MetaFor(path, s_->HostIsDirectory(host)).times;
}

void Machine::SetTimes(const std::string& path, const FileTimes& times) {
    std::string host = s_->Resolve(path);
    if (host.empty()) return;
    s_->MetaFor(path, s_->HostIsDirectory(host)).times = times;
}

std::vector<std::string> Machine::ListDirectory(const std::string& path) const {
    std::string host = s_->Resolve(path);
    if (host.empty() || !s_->HostIsDirectory(host)) return {};
    return HostEntries(host);
}

std::string Machine::HostPath(const std::string& windowsPath) const {
    std::string host = s_->Resolve(windowsPath);
    return host.empty() ? s_->ResolveNew(windowsPath) : host;
}

std::string Machine::StoredName(const std::string& windowsPath) const {
    return s_->StoredName(windowsPath);
}

std::string Machine::SandboxRoot() const { return s_->sandbox; }

void Machine::LockFile(const std::string& path) { s_->locked.insert(PathKey(s_->Absolute(path))); }

void Machine::UnlockFile(const std::string& path) { s_->locked.erase(PathKey(s_->Absolute(path))); }

FileSnapshot Machine::SnapshotFiles() const {
    FileSnapshot snapshot;
    std::vector<std::pair<std::string, std::string>> pending;  // windows path, host path
    for (const auto& d : s_->drives) {
        pending.push_back({std::string(1, d.first) + ":", s_->sandbox + "/" + std::string(1, d.first)});
    }
    while (!pending.empty()) {
        auto [win, host] = pending.back();
        pending.pop_back();
        for (const std::string& name : HostEntries(host)) {
            std::string childWin = win + "\\" + name;
            std::string childHost = host + "/" + name;
            FileEntry e;
            e.directory = s_->HostIsDirectory(childHost);
            e.attributes = Attributes(childWin);
            if (e.directory) {
                pending.push_back({childWin, childHost});
            } else {
                e.content = ReadAll(childHost);
            }
            snapshot[Upper(childWin)] = e;
        }
    }
    return snapshot;
}

}  // namespace sim
