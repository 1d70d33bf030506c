// A whole simulated Windows machine for the host tests: a sandboxed
// drive-letter filesystem of real files, an in-memory registry, a service
// manager, a program-manager DDE server, a scripted user, processes,
// libraries, version resources, SZDD expansion, and failure injection at
// every call. Every os::Platform call counts itself and can be made to fail.
//
// This header is the tests' side of the machine: setting it up, injecting
// failures and looking at what the run did. The calls the engine makes are
// in platform_calls.h, which Machine inherits.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/platform_calls.h"

namespace sim {

using Bytes = std::vector<std::uint8_t>;

// Extra predefined registry roots (platform.h holds the first four).
constexpr os::RegKey HKEY_PERFORMANCE_DATA = 0x80000004u;
constexpr os::RegKey HKEY_CURRENT_CONFIG = 0x80000005u;
constexpr os::RegKey HKEY_DYN_DATA = 0x80000006u;

constexpr std::uint32_t REG_NONE = 0;
constexpr std::uint32_t REG_EXPAND_SZ = 2;
constexpr std::uint32_t REG_BINARY = 3;
constexpr std::uint32_t REG_MULTI_SZ = 7;

// GetDriveType results.
constexpr unsigned DRIVE_UNKNOWN = 0;
constexpr unsigned DRIVE_NO_ROOT_DIR = 1;
constexpr unsigned DRIVE_REMOVABLE = 2;
constexpr unsigned DRIVE_FIXED = 3;
constexpr unsigned DRIVE_REMOTE = 4;
constexpr unsigned DRIVE_CDROM = 5;
constexpr unsigned DRIVE_RAMDISK = 6;

// Service errors the scripted manager gives.
constexpr std::uint32_t ERROR_SERVICE_ALREADY_RUNNING = 1056;
constexpr std::uint32_t ERROR_SERVICE_MARKED_FOR_DELETE = 1072;
constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
constexpr std::uint32_t ERROR_NEGATIVE_SEEK = 131;
constexpr std::uint32_t ERROR_DIR_NOT_EMPTY = 145;
constexpr std::uint32_t ERROR_FILE_EXISTS = 80;
constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
constexpr std::uint32_t ERROR_MORE_DATA = 234;
constexpr std::uint32_t ERROR_CALL_NOT_IMPLEMENTED = 120;

// A message box as the user saw it.
struct Box {
    std::string caption;
    std::string text;
    unsigned type = 0;  // MB_* flags: buttons, icon, default button
    os::Window owner = 0;
    int answer = 0;     // IDOK, IDYES, IDNO
};

struct StartedProcess {
    std::string commandLine;
    int show = 0;
    std::uint32_t creationFlags = 0;
    std::string program;  // the Windows path the command line resolved to ("" when none)
};

struct DelayedMove {
    std::string from;
    std::string to;  // "" for a delete at restart
    std::uint32_t flags = 0;
};

struct ShellExecuteCall {
    std::string file;
    std::string parameters;
    std::string directory;
    int show = 0;
};

struct WinHelpCall {
    std::string path;
    unsigned command = 0;
    std::uint32_t data = 0;
};

struct ProgramItem {
    std::string title;
    std::string commandLine;
    std::string iconPath;
    int iconIndex = 0;
    std::string directory;  // the 5-part form's working directory ("" otherwise)
};

struct ProgramGroup {
    std::string name;
    std::vector<ProgramItem> items;
};

struct ServiceInfo {
    std::string name;
    std::string displayName;
    std::string binaryPath;
    std::uint32_t serviceType = os::SERVICE_WIN32_OWN_PROCESS;
    std::uint32_t startType = os::SERVICE_DEMAND_START;
    std::uint32_t errorControl = os::SERVICE_ERROR_NORMAL;
    std::vector<std::string> dependencies;
    std::uint32_t state = os::SERVICE_STOPPED;
    bool markedForDeletion = false;
};

struct ProgressPicture {
    os::Rect filled{0, 0, 0, 0};
    os::Rect text{0, 0, 0, 0};
    std::string percent;
};

struct FileTimes {
    os::FileTime creation{0, 0};
    os::FileTime access{0, 0};
    os::FileTime write{0, 0};
};

struct RegValue {
    std::uint32_t type = 0;
    Bytes data;
    bool operator==(const RegValue& o) const { return type == o.type && data == o.data; }
};

// One entry of a whole-tree snapshot.
struct FileEntry {
    bool directory = false;
    std::uint32_t attributes = 0;
    Bytes content;
    bool operator==(const FileEntry& o) const {
        return directory == o.directory && attributes == o.attributes && content == o.content;
    }
};
// Keys are Windows paths ("C:\APP\A.TXT") in upper case.
using FileSnapshot = std::map<std::string, FileEntry>;
// Lines "HKLM\Software\X" for keys and "HKLM\Software\X|Name=type:hex" for values,
// upper-cased key paths; the dump of the whole registry in a stable order.
using RegistrySnapshot = std::vector<std::string>;

class Machine;
using ProgramEffect = std::function<void(Machine&, const std::string& commandLine)>;
using ComponentEffect = std::function<void(Machine&)>;

class Machine : public PlatformCalls {
public:
    // ---- Construction per Windows version -------------------------------
    static Machine Win32s();
    static Machine Windows95();
    static Machine NT351();
    static Machine NT40();
    static Machine Windows10();
    // Same as NT40(); the name some tests read better with.
    static Machine WindowsNT4() { return NT40(); }

    Machine(std::uint32_t major, std::uint32_t minor, std::uint32_t build, std::uint32_t platform);
    Machine(Machine&&) noexcept;
    Machine& operator=(Machine&&) noexcept;
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;
    ~Machine() override;

    // ---- Configuration ----------------------------------------------------
    void SetVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                    std::uint32_t platform);
    bool IsNT() const;
    void SetWindowsDirectory(const std::string& path);  // created when missing
    void SetSystemDirectory(const std::string& path);   // created when missing
    void SetTempPath(const std::string& path);          // given with its trailing backslash
    void SetModuleFileName(const std::string& path);    // default "C:\SETUP.EXE"
    std::string ModuleFileName() const;
    void SetProgramFilesDir(const std::string& path);   // writes the registry value
    void RemoveProgramFilesDir();                       // the value missing
    void RemoveCurrentVersionKey();                     // the whole key missing
    void SetDesktopSize(int width, int height);         // default 640 x 480
    // The active code page: 1252 (the default) or the double-byte 932.
    void SetCodePage(unsigned codePage);
    unsigned CodePage() const;

    // ---- Filesystem (Windows paths: "C:\DIR\FILE.EXT") ----------------------
    void AddDrive(char letter, unsigned type = DRIVE_FIXED,
                  std::uint64_t freeBytes = 1ull << 30);
    // GetDiskFreeSpace reports `bytes` (as clusters, without any 2 GiB cap);
    // what the run writes from then on is counted against it, and a write
    // that does not fit fails with ERROR_HANDLE_DISK_FULL.
    void SetFreeSpace(char drive, std::uint64_t bytes);
    void SetDriveType(char drive, unsigned type);
    // Cluster geometry of GetDiskFreeSpace (default 8 sectors of 512 bytes);
    // total clusters default to free clusters * 2.
    // A network share: \\server\share\... paths resolve below it.
    void AddNetworkShare(const std::string& server, const std::string& share);
    void SetClusterGeometry(char drive, std::uint32_t sectorsPerCluster,
                            std::uint32_t bytesPerSector);

    void WriteFile(const std::string& path, const Bytes& bytes);  // parents created
    void WriteFile(const std::string& path, const std::string& text);
    void WriteFile(const std::string& path, const char* text) { WriteFile(path, std::string(text)); }
    Bytes ReadFile(const std::string& path) const;  // empty when missing
    std::string ReadText(const std::string& path) const;
    bool Exists(const std::string& path) const;
    bool IsDirectory(const std::string& path) const;
    void MakeDirectories(const std::string& path);
    void RemoveFile(const std::string& path);  // test helper: no checks
    std::uint32_t Attributes(const std::string& path) const;  // INVALID_FILE_ATTRIBUTES if missing
    void SetAttributes(const std::string& path, std::uint32_t attributes);
    FileTimes Times(const std::string& path) const;
    void SetTimes(const std::string& path, const FileTimes& times);
    // Names as created (case kept), without "." and "..", sorted case-insensitively.
    std::vector<std::string> ListDirectory(const std::string& path) const;
    // The real path of a Windows path in the sandbox (the on-disk names as stored).
    std::string HostPath(const std::string& windowsPath) const;
    // The exact-case Windows path as stored ("" when missing).
    std::string StoredName(const std::string& windowsPath) const;
    std::string SandboxRoot() const;
    // Another process holds the file open: delete and open-for-write fail.
    void LockFile(const std::string& path);
    void UnlockFile(const std::string& path);
    FileSnapshot SnapshotFiles() const;
    const std::vector<DelayedMove>& DelayedMoves() const;
    // Reads an INI value as GetPrivateProfileString would ("" when missing).
    std::string ProfileString(const std::string& file, const std::string& section,
                              const std::string& key) const;
    std::vector<std::string> CurrentDirectories() const;  // every SetCurrentDirectory
    std::size_t OpenFileHandles() const;  // handles not yet closed

    // ---- Registry -----------------------------------------------------------
    void SetValue(os::RegKey root, const std::string& key, const std::string& name,
                  std::uint32_t type, const Bytes& data);  // key created
    void SetString(os::RegKey root, const std::string& key, const std::string& name,
                   const std::string& value);  // REG_SZ with its NUL
    void SetDword(os::RegKey root, const std::string& key, const std::string& name,
                  std::uint32_t value);
    bool GetValue(os::RegKey root, const std::string& key, const std::string& name,
                  RegValue& out) const;
    bool HasValue(os::RegKey root, const std::string& key, const std::string& name) const;
    std::string GetString(os::RegKey root, const std::string& key,
                          const std::string& name) const;  // "" when missing; stops at NUL
    // The fallback also for a value that is not a REG_DWORD of four bytes.
    std::uint32_t GetDword(os::RegKey root, const std::string& key, const std::string& name,
                           std::uint32_t fallback = 0xFFFFFFFFu) const;
    void CreateKey(os::RegKey root, const std::string& key);
    bool KeyExists(os::RegKey root, const std::string& key) const;
    void DeleteKeyTree(os::RegKey root, const std::string& key);
    std::vector<std::string> SubKeys(os::RegKey root, const std::string& key) const;
    std::vector<std::string> ValueNames(os::RegKey root, const std::string& key) const;
    RegistrySnapshot SnapshotRegistry() const;
    std::size_t OpenRegistryKeys() const;  // handles not yet closed

    // ---- Services -----------------------------------------------------------
    void AddService(const ServiceInfo& service);
    bool HasService(const std::string& name) const;
    ServiceInfo Service(const std::string& name) const;  // empty name when missing
    std::vector<ServiceInfo> Services() const;
    void SetServiceState(const std::string& name, std::uint32_t state);
    // Each start or stop passes through its pending state for n status queries.
    void SetPendingPolls(const std::string& name, int polls);
    // The service stays in its pending state forever.
    void SetStuckPending(const std::string& name, bool stuck = true);
    void SetServiceManagerAvailable(bool available);  // OpenSCManager fails with 5 when not
    void SetServiceAccessDenied(const std::string& name, bool denied = true);  // OpenService -> 5
    void FailServiceStart(const std::string& name, std::uint32_t error);  // 0 = succeed
    void FailServiceStop(const std::string& name, std::uint32_t error);
    void FailServiceDelete(const std::string& name, std::uint32_t error);
    std::size_t OpenServiceHandles() const;

    // ---- Program manager over DDE -----------------------------------------------
    void RefuseDdeConnection(bool refuse = true);
    // The nth DdeExecute (1-based, counting every command sent) fails with `error`.
    void FailDdeCommand(int nth, std::uint32_t error = os::DMLERR_NOTPROCESSED);
    // The next `times` executes time out (DMLERR_EXECACKTIMEOUT), then they succeed.
    void TimeOutDdeAcknowledge(int times);
    // Every text received, in order. A command is refused (DMLERR_NOTPROCESSED)
    // unless its size counts the text and its NUL exactly.
    const std::vector<std::string>& DdeCommands() const;
    const std::vector<std::uint32_t>& DdeTimeouts() const;  // the time-out of every execute
    const std::vector<ProgramGroup>& Groups() const;
    const ProgramGroup* FindGroup(const std::string& name) const;  // case-insensitive
    const std::vector<std::string>& ShownGroups() const;  // ShowGroup names, in order
    bool DdeConnected() const;

    // ---- The scripted user ------------------------------------------------------
    // Answers for questions (MB_YESNO boxes), in order; other boxes get IDOK.
    void AnswerQuestions(std::initializer_list<int> answers);
    void AnswerNextQuestion(int answer);
    void SetDefaultAnswer(int answer);  // for an empty queue; IDYES by default
    const std::vector<Box>& Boxes() const;
    // Main dialog actions, in order.
    void TypeDestination(const std::string& text);
    void PressInstall();
    void PressCancel();
    void PressHelp();
    // Progress dialog and cancel poll; a poll is one PeekMessage call.
    void HoldEscapeAtPoll(int poll);
    void HoldMouseOnCancelAtPoll(int poll);
    void HoldMouseElsewhereAtPoll(int poll);
    int Polls() const;
    // Texts set on item `item`, in order, across every dialog (repeats kept;
    // also texts set on a window that is no open dialog, for engine tests that
    // run a step without its dialog); StatusHistory() joins items 384 and 385
    // in order as "384:text" / "385:text".
    std::vector<std::string> ItemHistory(int item) const;
    std::vector<std::string> StatusHistory() const;
    std::vector<int> DialogsOpened() const;  // template ids in order
    std::string LastWindowText() const;      // last SetWindowText of a dialog
    int LastSmallIcon() const;
    std::vector<unsigned> Beeps() const;
    int FocusedItem() const;                  // in the last dialog opened
    std::string ItemText(int item) const;     // current text in the last dialog with that item
    const ProgressPicture& LastProgress() const;
    std::vector<std::string> ProgressHistory() const;  // percents drawn, in order
    bool WaitCursorShown() const;
    os::Point LastWindowPosition() const;     // last MoveWindow

    // ---- System ---------------------------------------------------------------
    void LoadModule(const std::string& name);  // "NAME" means "NAME.DLL"
    void UnloadModule(const std::string& name);
    // A program CreateProcess can start. exitCode is what GetExitCodeProcess
    // gives once it has ended, after `pollsBeforeExit` STILL_ACTIVE answers.
    void AddProgram(const std::string& path, std::uint32_t exitCode,
                    ProgramEffect effect = nullptr, int pollsBeforeExit = 0);
    // Every CreateProcess call, also those that failed (program "" then).
    const std::vector<StartedProcess>& StartedProcesses() const;
    // Interprets the self-removal batch file against the filesystem, as cmd
    // would (unquoted arguments split at blanks), with the command line's
    // arguments as %1, %2... Returns false on a line it does not understand
    // or a loop that never ends (a file still locked). PING and CHOICE only
    // wait: their seconds add up in BatchSecondsWaited.
    bool RunBatch(const std::string& path, const std::string& arguments = "");
    int BatchSecondsWaited() const;
    // A library LoadLibrary can load (the file must exist).
    void AddComponent(const std::string& path, std::int32_t registerStatus,
                      std::int32_t unregisterStatus, ComponentEffect registerEffect = nullptr,
                      bool hasRegister = true, bool hasUnregister = true,
                      ComponentEffect unregisterEffect = nullptr);
    std::vector<std::string> EntryPointsCalled() const;  // "path!DllRegisterServer"
    std::size_t LoadedLibraries() const;  // LoadLibrary handles not yet freed
    const std::vector<ShellExecuteCall>& ShellExecutes() const;
    const std::vector<WinHelpCall>& WinHelps() const;
    bool ExitWindowsCalled() const;
    unsigned ExitWindowsFlags() const;
    const std::vector<std::uint32_t>& Sleeps() const;
    std::uint64_t Clock() const;  // virtual milliseconds slept

    // ---- Failure injection and accounting -------------------------------------
    // The nth call (1-based; 0 = every call) of operation `name` (the method
    // name, e.g. "DeleteFile") fails with its failure result and `error`.
    // An unknown name throws std::invalid_argument.
    void FailCall(const std::string& name, int nth, std::uint32_t error);
    void ClearFailures();
    // Kills the running program right after its `calls`-th platform call
    // (Free and GetLastError aside): every later call fails and changes
    // nothing. EndKilledProcess then does what Windows does when a process
    // dies: its handles, libraries, windows, conversations and memory go,
    // and so does the rest of its user's script.
    void StopDeadAfter(int calls);
    bool Stopped() const;
    void EndKilledProcess();
    const std::map<std::string, int>& CallCounts() const;
    int CallCount(const std::string& name) const;
    // Every call's name, in the order made; `filter` keeps only those named.
    std::vector<std::string> CallTrace(std::initializer_list<const char*> filter = {}) const;
    std::size_t OutstandingBlocks() const;

private:
    friend void UseNameCache(Machine& machine);  // the benchmarks' (name_cache.h)
};

}  // namespace sim
