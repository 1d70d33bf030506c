// The simulated machine's whole state, shared by the files that implement
// its groups of calls. Private to src/platform/sim.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/sim/machine.h"

namespace sim {

// The machine's whole state (below), by its short name here.
using State = PlatformCalls::State;

// Case-insensitive helpers (ASCII, as the Windows names the tests use).
std::string Upper(const std::string& text);
bool SameText(const std::string& a, const std::string& b);
// "c:/a\\b\\" -> "C:\A\B" in upper case: the key of a Windows path.
std::string PathKey(const std::string& windowsPath);
// Splits "C:\A\B" into {"C:", "A", "B"} (empty parts dropped).
std::vector<std::string> SplitWindowsPath(const std::string& windowsPath);
std::string ParentPath(const std::string& windowsPath);  // "C:\A\B" -> "C:\A"
std::string LeafName(const std::string& windowsPath);    // "C:\A\B" -> "B"
std::string Str(const char* text);  // null -> ""
// The 8.3 form of one name: an 8.3 name upper-cased, else the first six
// valid characters + "~1" + the first three of the extension.
std::string ShortName(const std::string& component);
bool IsShortName(const std::string& component);
// Case-insensitive match of a name against a pattern with * and ?.
bool MatchPattern(const std::string& pattern, const std::string& name);
// The names in a host directory, without "." and "..", sorted by their
// upper-case forms (sim_names.cpp).
std::vector<std::string> HostEntries(const std::string& hostDir);

// The free space a drive reports stays what the test set; what the run writes
// is counted against it, so that a write that does not fit fails as on a full
// disk.
struct Drive {
    unsigned type = DRIVE_FIXED;
    std::uint64_t freeBytes = 1ull << 30;  // reported by GetDiskFreeSpace
    std::int64_t used = 0;                 // bytes grown since, less bytes freed
    bool Fits(std::uint64_t growth) const {
        return used < 0 || static_cast<std::uint64_t>(used) + growth <= freeBytes;
    }
    void Take(std::uint64_t bytes) { used += static_cast<std::int64_t>(bytes); }
    void Give(std::uint64_t bytes) { used -= static_cast<std::int64_t>(bytes); }
    std::uint32_t sectorsPerCluster = 8;
    std::uint32_t bytesPerSector = 512;
};

// A faster way than reading the directory to find a name in a host
// directory of the sandbox. The machine the tests use has none; the
// benchmarks give theirs one (UseNameCache, name_cache.h).
class NameIndex {
public:
    virtual ~NameIndex() = default;
    // The host path of `name` in the host directory `dir`, found without
    // regard to case, also by its 8.3 form; "" when there is none.
    virtual std::string Find(const std::string& dir, const std::string& name) = 0;
};
// The same by reading the directory: an entry of that exact name, else the
// first whose upper-case form matches, else the first whose 8.3 form does.
std::string ScanForName(const std::string& dir, const std::string& name);

struct FileMeta {
    std::uint32_t attributes = 0;  // without FILE_ATTRIBUTE_DIRECTORY
    FileTimes times;
};

struct OpenFile {
    std::string key;       // PathKey of the file
    std::string hostPath;
    int fd = -1;
    bool read = false;
    bool write = false;
    std::uint32_t share = 0;  // FILE_SHARE_* of this handle
};

// The names are listed when the search starts; an entry's attributes are
// read when the entry is handed out (0 until then), so a search that is
// started over after every deletion does not read the whole directory's
// attributes each time.
struct Search {
    std::vector<std::pair<std::string, std::uint32_t>> entries;  // name, attributes
    std::size_t next = 0;
    std::string hostDir;  // the searched directory on the host
    std::string dirKey;   // its Windows path with a trailing backslash
};

struct RegKeyNode {
    std::string name;  // as created
    std::map<std::string, std::shared_ptr<RegKeyNode>> subkeys;  // by upper-case name
    std::map<std::string, std::pair<std::string, RegValue>> values;  // upper -> (name, value)
    bool deleted = false;
};

struct ServiceRecord {
    ServiceInfo info;
    int pendingPolls = 0;     // status queries a pending state lasts
    int remaining = 0;        // left in the current pending state
    std::uint32_t target = 0; // state after the pending one
    bool stuck = false;
    bool accessDenied = false;
    std::uint32_t failStart = 0;
    std::uint32_t failStop = 0;
    std::uint32_t failDelete = 0;
    int handles = 0;
};

struct ScHandleRecord {
    bool manager = false;
    std::string service;  // upper-case name
    std::uint32_t access = 0;  // as asked for when opened
};

struct DialogItem {
    std::string text;
    int limit = 30000;
    os::Rect rect{0, 0, 0, 0};  // client coordinates
    int selFrom = 0;
    int selTo = 0;
};

struct Dialog {
    int id = 0;
    os::Window window = 0;
    os::Window owner = 0;
    os::DialogProc proc = nullptr;
    void* context = nullptr;
    std::map<int, DialogItem> items;
    bool ended = false;
    std::intptr_t result = 0;
    std::string windowText;
    int smallIcon = 0;
    os::Point position{0, 0};  // window's top-left corner on the screen
    int clientWidth = 0;
    int clientHeight = 0;
    int focus = 0;
    bool shown = true;
};

struct PostedMessage {
    os::Window window;
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

struct DialogAction {
    enum Kind { Type, Install, Cancel, Help } kind;
    std::string text;
};

struct Program {
    std::uint32_t exitCode = 0;
    ProgramEffect effect;
    int pollsBeforeExit = 0;
};

struct ProcessRecord {
    std::uint32_t exitCode = 0;
    int pollsLeft = 0;
};

struct Component {
    std::string path;
    std::int32_t registerStatus = 0;
    std::int32_t unregisterStatus = 0;
    ComponentEffect registerEffect;
    ComponentEffect unregisterEffect;
    bool hasRegister = true;
    bool hasUnregister = true;
};

struct LzHandle {
    bool create = false;
    std::string path;  // Windows path
    os::FileHandle file = os::InvalidFile;
};

struct EntryRecord {
    os::LibraryHandle library = 0;
    std::string component;  // PathKey
    bool registers = true;  // DllRegisterServer, else DllUnregisterServer
};

struct Failure {
    int nth;
    std::uint32_t error;
};

struct PlatformCalls::State {
    // System
    os::VersionInfo version{4, 0, 1381, os::VER_PLATFORM_WIN32_NT};
    std::string windowsDir = "C:\\WINDOWS";
    std::string systemDir = "C:\\WINDOWS\\SYSTEM32";
    std::string tempPath = "C:\\TEMP\\";
    std::string moduleFile = "C:\\SETUP.EXE";
    std::string currentDir = "C:\\";
    std::vector<std::string> currentDirs;
    std::set<std::string> modules;  // upper-case names with extension
    std::map<std::string, Program> programs;  // PathKey
    std::vector<StartedProcess> started;
    std::map<os::ProcessHandle, ProcessRecord> processes;
    std::map<std::string, Component> components;  // PathKey
    std::map<os::LibraryHandle, std::string> libraries;  // handle -> component key
    std::map<os::EntryPoint, EntryRecord> entries;
    std::vector<std::string> entryCalls;
    std::vector<ShellExecuteCall> shellExecutes;
    std::vector<WinHelpCall> winHelps;
    bool exitWindows = false;
    unsigned exitWindowsFlags = 0;
    std::vector<std::uint32_t> sleeps;
    std::uint64_t clock = 0;
    std::uintptr_t nextHandle = 0x100;

    // Failure injection and accounting
    std::map<std::string, std::vector<Failure>> failures;
    std::map<std::string, int> calls;
    std::vector<const char*> trace;  // every call's name, in order
    unsigned codePage = 1252;
    std::set<std::string> shares;  // "SERVER\SHARE", upper case
    std::uint32_t lastError = 0;
    int stopAfter = 0;  // StopDeadAfter: the call after which the process is gone
    int counted = 0;    // calls that count towards it
    bool dead = false;
    std::set<void*> blocks;

    // Filesystem
    std::string sandbox;  // host directory holding one directory per drive letter
    std::unique_ptr<NameIndex> names;  // null: lookups read the directory
    std::map<char, Drive> drives;
    std::map<std::string, FileMeta> meta;  // PathKey -> attributes and times
    std::set<std::string> locked;          // PathKey
    std::map<os::FileHandle, OpenFile> files;
    std::map<os::FindHandle, Search> searches;
    std::vector<DelayedMove> delayedMoves;
    unsigned tempCounter = 0;
    std::map<int, LzHandle> lzHandles;
    int nextLz = 1;

    // Registry
    std::map<os::RegKey, std::shared_ptr<RegKeyNode>> roots;
    std::map<os::RegKey, std::shared_ptr<RegKeyNode>> keys;  // open handles
    std::map<os::RegKey, std::uint32_t> keyAccess;  // the access each was opened with

    // Services
    std::map<std::string, ServiceRecord> services;  // upper-case name
    std::map<os::ScHandle, ScHandleRecord> scHandles;
    // Scripted behaviour per service name, kept when a service is deleted and
    // given again to a service created under that name.
    std::map<std::string, ServiceRecord> serviceScripts;
    bool managerAvailable = true;

    // DDE
    bool ddeInitialized = false;
    std::uint32_t ddeInstance = 0;
    unsigned ddeLastError = 0;
    bool refuseDde = false;
    std::set<os::DdeConversation> conversations;
    std::map<int, std::uint32_t> ddeFailAt;  // nth execute -> error
    int ddeTimeouts = 0;
    int ddeExecutes = 0;
    std::vector<std::string> ddeCommands;
    std::vector<std::uint32_t> ddeTimeoutsGiven;
    std::vector<ProgramGroup> groups;
    std::vector<std::string> shownGroups;
    std::string currentGroup;

    // User
    std::deque<int> answers;
    int forcedAnswer = 0;  // the automatic Cancel's Yes, before the queue
    int defaultAnswer = os::IDYES;
    std::vector<Box> boxes;
    int batchSecondsWaited = 0;
    std::deque<DialogAction> actions;
    std::vector<std::unique_ptr<Dialog>> dialogs;  // open dialogs, innermost last
    std::vector<int> dialogsOpened;
    std::deque<PostedMessage> posted;
    std::map<int, std::vector<std::string>> itemHistory;
    std::vector<std::string> statusHistory;
    std::map<int, std::string> lastItemText;
    std::string lastWindowText;
    int lastSmallIcon = 0;
    std::vector<unsigned> beeps;
    int lastFocus = 0;
    ProgressPicture lastProgress;
    std::vector<std::string> progressHistory;
    bool waitCursor = false;
    os::Point lastPosition{0, 0};
    int desktopWidth = 640;
    int desktopHeight = 480;
    int polls = 0;
    std::set<int> escapeAt;
    std::set<int> mouseOnCancelAt;
    std::set<int> mouseElsewhereAt;
    std::set<os::DeviceContext> dcs;

    bool IsNT() const { return version.PlatformId == os::VER_PLATFORM_WIN32_NT; }
    // Returns true when this call of `name` is to fail; counts the call and
    // leaves the error for GetLastError.
    bool Fails(const char* name);
    void Count(const char* name) {
        ++calls[name];
        trace.push_back(name);
    }
    os::Window NewWindow() { return nextHandle++; }
    Dialog* FindDialog(os::Window window);
    Dialog* TopDialog() { return dialogs.empty() ? nullptr : dialogs.back().get(); }

    // Filesystem helpers (sim_paths.cpp).
    std::string FindName(const std::string& hostDir, const std::string& name) const {
        return names ? names->Find(hostDir, name) : ScanForName(hostDir, name);
    }
    std::string Absolute(const std::string& windowsPath) const;  // relative to currentDir
    bool DriveKnown(const std::string& windowsPath) const;
    // The host path of an existing Windows path, "" when missing.
    std::string Resolve(const std::string& windowsPath) const;
    // The host path a new entry of this Windows path gets: parent resolved,
    // leaf as given; "" when the parent is missing.
    std::string ResolveNew(const std::string& windowsPath) const;
    // The exact-case Windows path as stored ("" when missing).
    std::string StoredName(const std::string& windowsPath) const;
    bool HostIsDirectory(const std::string& hostPath) const;
    std::uint64_t HostFileSize(const std::string& hostPath) const;
    FileMeta& MetaFor(const std::string& windowsPath, bool directory);
    void ForgetMeta(const std::string& key);
    void RenameMeta(const std::string& fromKey, const std::string& toKey);
    FileTimes Now() const;
    bool OpenForWriteByOthers(const std::string& key) const;
    bool AnyOpen(const std::string& key) const;
    bool SharingAllows(const std::string& key, bool read, bool write, std::uint32_t share) const;
    Drive* DriveOf(const std::string& windowsPath);

    // Registry helpers (sim_registry.cpp).
    std::shared_ptr<RegKeyNode> KeyOf(os::RegKey handle) const;
    std::shared_ptr<RegKeyNode> Walk(std::shared_ptr<RegKeyNode> from, const std::string& path,
                                     bool create) const;

    // Dialog dispatch (sim_dialogs.cpp).
    std::intptr_t Dispatch(Dialog& dialog, unsigned message, std::uintptr_t wParam,
                           std::intptr_t lParam);
    void RecordItemText(int item, const std::string& text);
};

// Handle-based file operations without call counting or injection, for the
// calls built on them (LZ expansion) (sim_files.cpp).
os::FileHandle OpenSimFile(State& s, const std::string& path, bool read, bool write,
                           std::uint32_t share, std::uint32_t disposition,
                           std::uint32_t createAttributes);
long ReadSimFile(State& s, os::FileHandle file, void* buffer, long count);
long WriteSimFile(State& s, os::FileHandle file, const void* buffer, long count);
bool CloseSimFile(State& s, os::FileHandle file);

}  // namespace sim
