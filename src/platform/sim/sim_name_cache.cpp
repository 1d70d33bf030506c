// A name cache for the benchmarks' simulated machine (UseNameCache,
// name_cache.h): the names of the sandbox's directories by their upper-case
// forms, so that a case-insensitive lookup does not read the whole
// directory. The tests' machine reads the directory (ScanForName); this file
// is not in their library.
//
// A directory is read once, when first looked into, and kept current by the
// kernel's change notifications (inotify) for it: every create, delete and
// rename in it is seen, whoever made it (the simulated calls, the helpers,
// the self-removal batch, anything writing into the sandbox directly). What
// the notifications cannot keep exact (a directory moved, the queue
// overflowing) drops the whole cache; where the cache cannot be had, lookups
// read the directory.
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <sys/inotify.h>
#include <unistd.h>
#include <unordered_map>

#include "platform/sim/name_cache.h"
#include "platform/sim/state.h"

namespace sim {

namespace {

constexpr std::uint32_t kWatched = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                   IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

class NameCache : public NameIndex {
public:
    NameCache() = default;
    NameCache(const NameCache&) = delete;
    NameCache& operator=(const NameCache&) = delete;
    ~NameCache() override;
    std::string Find(const std::string& dir, const std::string& name) override;

private:
    struct Dir {
        std::unordered_map<std::string, std::string> byUpper;  // upper-case -> stored name
        std::unordered_map<std::string, int> shortForms;  // 8.3 form of a long name -> count
        bool clash = false;  // two names of one upper-case form: read the directory
    };
    bool Sync();
    Dir* Load(const std::string& dir);
    void Drop(int watch);
    void Clear();
    static void Add(Dir& d, const std::string& name);
    static void Remove(Dir& d, const std::string& name);

    int fd_ = -1;
    int owner_ = 0;  // the process that made fd_
    std::unordered_map<std::string, Dir> dirs_;  // by host path
    std::unordered_map<int, std::string> watches_;  // watch -> host path
};

NameCache::~NameCache() {
    if (fd_ >= 0) ::close(fd_);
}

void NameCache::Clear() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    dirs_.clear();
    watches_.clear();
}

void NameCache::Add(Dir& d, const std::string& name) {
    std::string upper = Upper(name);
    auto it = d.byUpper.find(upper);
    if (it != d.byUpper.end()) {
        // Two names of one upper-case form: which one a lookup finds depends
        // on the order of the directory, so this directory is read each time.
        if (it->second != name) d.clash = true;
        return;
    }
    d.byUpper.emplace(std::move(upper), name);
    if (!IsShortName(name)) ++d.shortForms[ShortName(name)];
}

void NameCache::Remove(Dir& d, const std::string& name) {
    auto it = d.byUpper.find(Upper(name));
    if (it == d.byUpper.end() || it->second != name) {
        d.clash = true;  // not what was recorded: read the directory from now on
        return;
    }
    d.byUpper.erase(it);
    if (!IsShortName(name)) {
        auto s = d.shortForms.find(ShortName(name));
        if (s != d.shortForms.end() && --s->second == 0) d.shortForms.erase(s);
    }
}

void NameCache::Drop(int watch) {
    auto it = watches_.find(watch);
    if (it == watches_.end()) return;
    dirs_.erase(it->second);
    watches_.erase(it);
}

// Applies the notifications queued since the last lookup.
bool NameCache::Sync() {
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got < 0 && errno == EAGAIN;
        for (ssize_t at = 0; at < got;) {
            const inotify_event* e = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            // A directory moved takes every cached directory below it to a
            // new path; the paths kept here would be stale.
            if ((e->mask & (IN_Q_OVERFLOW | IN_MOVE_SELF)) ||
                ((e->mask & IN_MOVED_FROM) && (e->mask & IN_ISDIR))) {
                return false;
            }
            if (e->mask & (IN_DELETE_SELF | IN_IGNORED)) {
                Drop(e->wd);
                continue;
            }
            auto w = watches_.find(e->wd);
            if (w == watches_.end() || e->len == 0) continue;
            Dir& d = dirs_[w->second];
            if (e->mask & (IN_CREATE | IN_MOVED_TO)) Add(d, e->name);
            if (e->mask & (IN_DELETE | IN_MOVED_FROM)) Remove(d, e->name);
        }
    }
}

// Reads `dir` into the cache under a new watch; null when it cannot.
NameCache::Dir* NameCache::Load(const std::string& dir) {
    // Watched before it is read, so that nothing made in between is missed.
    int watch = ::inotify_add_watch(fd_, dir.c_str(), kWatched);
    if (watch < 0) return nullptr;
    if (watches_.count(watch)) return nullptr;  // the same directory under another path
    DIR* h = ::opendir(dir.c_str());
    if (!h) {
        ::inotify_rm_watch(fd_, watch);
        return nullptr;
    }
    Dir& d = dirs_[dir];
    d = Dir{};
    while (dirent* e = ::readdir(h)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        Add(d, e->d_name);
    }
    ::closedir(h);
    watches_[watch] = dir;
    return &d;
}

std::string NameCache::Find(const std::string& dir, const std::string& name) {
    // A child process made by fork shares the parent's notification queue:
    // it must not read the parent's notifications, so it starts its own.
    if (owner_ != ::getpid()) {
        Clear();
        owner_ = ::getpid();
    }
    if (fd_ < 0) {
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ < 0) return ScanForName(dir, name);
    }
    if (!Sync()) {
        Clear();
        return ScanForName(dir, name);
    }
    auto it = dirs_.find(dir);
    Dir* d = it != dirs_.end() ? &it->second : Load(dir);
    if (!d || d->clash) return ScanForName(dir, name);
    std::string upper = Upper(name);
    auto hit = d->byUpper.find(upper);
    if (hit != d->byUpper.end()) return dir + "/" + hit->second;
    auto s = d->shortForms.find(upper);
    if (s == d->shortForms.end()) return std::string();
    // An 8.3 form several names share: the first in the directory's order.
    if (s->second > 1) return ScanForName(dir, name);
    for (const auto& entry : d->byUpper) {
        if (!IsShortName(entry.second) && ShortName(entry.second) == upper)
            return dir + "/" + entry.second;
    }
    return std::string();
}

}  // namespace

void UseNameCache(Machine& machine) {
    machine.s_->names = std::make_unique<NameCache>();
}

}  // namespace sim
