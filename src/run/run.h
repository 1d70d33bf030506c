// The state of one run of the program: one instance per process in the
// product, as many as a test likes on the host. Every engine procedure takes
// it by reference; nothing of a run lives in hidden globals. It stands apart
// from the floors of the folders: every one includes it, and it includes
// only the platform and the package records.
//
// Engine conventions, said once here for every procedure of the engine:
// success is a true bool (or 1); a procedure that fails has already shown its
// own message with ShowError, so its caller returns false without a message
// of its own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "package/records.h"
#include "platform/platform.h"

constexpr std::size_t PathSize = 260;      // paths: at most 259 characters
constexpr std::size_t PackagePathSize = 1024;
constexpr std::size_t DirPartSize = 256;
constexpr std::size_t LogLineSize = 1024;
constexpr std::size_t CaptionSize = 128;

// The three values QueryServiceState returns besides the states 1..7.
constexpr std::uint32_t ServiceManagerUnavailable = 0xFFFF0001u;
constexpr std::uint32_t ServiceNotFound = 0xFFFF0002u;
constexpr std::uint32_t ServiceNotAccessible = 0xFFFF0003u;

struct Run {
    explicit Run(os::Platform& platform) : os(platform) {}
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    os::Platform& os;

    // Entry and mode.
    const char* ActiveTitle = "";  // "" until the mode is known, then a header title
    bool UninstallMode = false;
    char PackagePath[PackagePathSize] = {};
    char RunName[512] = {};  // base name and extension of the package path
    bool RunSucceeded = false;

    // Run paths, each a 260-byte zero-filled block from os.Alloc, held
    // without a trailing backslash. Null until allocated.
    char* DestinationDir = nullptr;
    char* WindowsDir = nullptr;
    char* SystemDir = nullptr;
    char* ProgramFilesDir = nullptr;
    char* DirectoryPart = nullptr;  // 256 bytes: directory part of a split path
    char DestinationRoot[4] = {};   // drive and backslash, e.g. "C:\"

    // Windows version and platform, set once by DetectWindowsVersion.
    std::uint32_t WindowsMajor = 0;
    std::uint32_t WindowsMinor = 0;
    bool IsWin32s = false;
    bool IsWindows95 = false;
    bool IsWindowsNT = false;

    // The package and its installation information.
    os::FileHandle Package = os::InvalidFile;
    std::uint32_t InfoOffset = 0;
    std::uint32_t InfoSize = 0;
    unsigned char* ScanBuffer = nullptr;  // released as soon as the marker is found
    InstallHeader* Header = nullptr;
    FileRecord* Files = nullptr;
    DirRecord* Dirs = nullptr;
    GroupRecord* Groups = nullptr;
    ItemRecord* Items = nullptr;
    RegKeyRecord* RegKeys = nullptr;
    RegValueRecord* RegValues = nullptr;
    // Open registry keys of the key records, held beside the table because a
    // handle may not fit the record's 32-bit KeyHandle field. RegKeyCount
    // entries, 0 = not open; allocated by the first registry pass.
    os::RegKey* KeyHandles = nullptr;

    // The installation record (package/record.h): its entries in memory,
    // and while an installation writes it, the open uninstaller and the
    // offset where its footer starts.
    char* Record = nullptr;
    std::uint32_t RecordUsed = 0;
    std::uint32_t RecordCapacity = 0;
    std::uint32_t RecordWritten = 0;  // entries already on disk
    long RecordEnd = 0;
    bool RecordLost = false;  // an entry found no memory: the record is incomplete
    os::FileHandle RecordFile = os::InvalidFile;
    // The uninstaller was copied from a signed package: its PE checksum is
    // made again for the whole file once the record is complete.
    bool UnsignedCopy = false;

    // Progress and the work's flags.
    std::uint32_t ProgressTotal = 0;
    std::uint32_t ProgressPosition = 0;
    os::Window ProgressWindow = 0;
    bool AbortRequested = false;
    bool RestartNeeded = false;
    // What the progress dialog shows, so that a status line or a percentage
    // that did not change is not drawn again: the label (always a
    // message-table text), the detail line (when DetailKnown), the percent
    // (all bits set: none yet). The dialog forgets them when it opens.
    const char* LabelShown = nullptr;
    bool DetailKnown = false;
    char DetailShown[PathSize] = {};
    std::uint32_t PercentShown = 0xFFFFFFFFu;

    // Installation log.
    os::FileHandle LogFile = os::InvalidFile;
    char* LogFilePath = nullptr;

    // Program-manager DDE client and services.
    std::uint32_t DdeInstance = 0;
    os::DdeConversation ShellConversation = 0;
    std::uint32_t LastDdeError = 0;
    std::uint32_t LastServiceError = 0;

    // Completion.
    char RestartQuestion[256 + 2 + 256] = {};
    char RestartTitle[64] = {};  // own copy: the header is gone when the question is asked
    char BatchPath[PathSize] = {};
    bool SelfRemovalPending = false;

    // Silent mode (/S): no window at all. Every question takes its safe
    // answer, every error goes to the log and to the exit code.
    bool Silent = false;
    char LogSwitch[PathSize] = {};          // /LOG=, "" when not given
    char DestinationSwitch[PathSize] = {};  // /D=, "" when not given
};
