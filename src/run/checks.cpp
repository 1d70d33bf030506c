// The system checks: version and platform, files in use, destination drive
// and system directory.
#include "run/checks.h"

#include <cstdint>

#include "log/log.h"
#include "package/package.h"
#include "text/boxes.h"
#include "text/format.h"
#include "text/messages.h"

namespace {

// Stands in for the free space when the drive cannot tell it.
constexpr std::uint64_t AssumedFreeSpace = 20000000;
// Room beyond the files, the uninstaller and the compressed copy.
constexpr std::uint64_t SpaceMargin = 65536;

const char* DriveTypeText(unsigned type) {
    switch (type) {
    case 0: return "The drive type cannot be determined";
    case 1: return "The root directory does not exist.";
    case 2: return "Removable";
    case 3: return "Fixed";
    case 4: return "Remote";
    case 5: return "CD-ROM";
    case 6: return "RAM disk";
    default: return "Unknown drive type";
    }
}

// A byte count in decimal. The drive's free space may pass 32 bits, and
// the log tells the real number.
void LogCount(Run& run, const char* label, std::uint64_t count) {
    if (count <= 0x7FFFFFFFu) {
        LogNumber(run, label, static_cast<std::int32_t>(count));
        return;
    }
    char digits[24];
    char text[24];
    std::size_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + count % 10);
        count /= 10;
    } while (count != 0);
    for (std::size_t i = 0; i < n; ++i) text[i] = digits[n - 1 - i];
    text[n] = '\0';
    LogLine(run, label, text);
}

}  // namespace

void DetectWindowsVersion(Run& run) {
    os::VersionInfo info{};
    run.os.GetVersionEx(&info);
    run.WindowsMajor = info.Major;
    run.WindowsMinor = info.Minor;
    run.IsWin32s = info.PlatformId == os::VER_PLATFORM_WIN32s;
    run.IsWindows95 = info.PlatformId == os::VER_PLATFORM_WIN32_WINDOWS;
    run.IsWindowsNT = info.PlatformId == os::VER_PLATFORM_WIN32_NT;
}

bool RefuseUnsupportedPlatform(Run& run) {
    const InstallHeader& h = *run.Header;
    MessageId refusal;
    if (run.IsWin32s && h.RefuseWin32s) refusal = MessageId::RefuseWin32s;
    else if (run.IsWindows95 && h.RefuseWindows95) refusal = MessageId::RefuseWindows95;
    else if (run.IsWindowsNT && h.RefuseWindowsNT) refusal = MessageId::RefuseWindowsNT;
    else return true;
    ShowError(run, 0, refusal);
    return false;
}

bool CheckWindowsVersion(Run& run) {
    const InstallHeader& h = *run.Header;
    if (run.WindowsMajor > h.MinWindowsMajor ||
        (run.WindowsMajor == h.MinWindowsMajor && run.WindowsMinor >= h.MinWindowsMinor))
        return true;
    ShowError(run, 0, MessageId::RequiresWindows, static_cast<int>(h.MinWindowsMajor),
              static_cast<int>(h.MinWindowsMinor));
    return false;
}

bool CheckFilesInUse(Run& run) {
    for (std::uint32_t i = 0; i < run.Header->FileCount; ++i) {
        const FileRecord& f = run.Files[i];
        if (!f.CheckInUse) continue;
        // The module's name: the base name, without directory and extension.
        char base[DirPartSize];
        SplitPath(run.os, f.FileName, nullptr, nullptr, base, nullptr);
        if (!run.os.GetModuleHandle(base)) continue;
        if (run.UninstallMode ? f.KeepAtUninstall != 0 : !AppliesAtInstall(run, f)) continue;
        char name[sizeof f.FileName];
        CopyText(name, sizeof name, f.FileName, sizeof f.FileName);
        ShowError(run, 0,
                  run.UninstallMode ? MessageId::FileInUseUninstall : MessageId::FileInUseInstall,
                  name);
        return false;
    }
    return true;
}

bool CheckDestination(Run& run) {
    const InstallHeader& h = *run.Header;
    char text[64];
    FormatText(text, sizeof text, "%i.%i", static_cast<int>(run.WindowsMajor),
               static_cast<int>(run.WindowsMinor));
    LogLine(run, "Windows version: ", text);

    LogLine(run, "Destination disk type: ", DriveTypeText(run.os.GetDriveType(run.DestinationRoot)));

    // The product of the three numbers passes 32 bits on large drives; held
    // in 64 bits, a drive with enough room is never refused.
    std::uint32_t sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    std::uint64_t available = AssumedFreeSpace;
    if (run.os.GetDiskFreeSpace(run.DestinationRoot, &sectorsPerCluster, &bytesPerSector,
                                &freeClusters, &totalClusters))
        available = static_cast<std::uint64_t>(freeClusters) * sectorsPerCluster * bytesPerSector;

    std::uint64_t installed = 0;
    std::uint32_t largestStored = 0;
    bool writesSystemDir = false;
    for (std::uint32_t i = 0; i < h.FileCount; ++i) {
        const FileRecord& f = run.Files[i];
        if (!AppliesAtInstall(run, f)) continue;
        installed += f.InstalledSize;
        if (f.StoredSize > largestStored) largestStored = f.StoredSize;
        if (f.InSystemDir) writesSystemDir = true;
    }
    for (std::uint32_t i = 0; i < h.DirCount; ++i)
        if (run.Dirs[i].InSystemDir) writesSystemDir = true;
    run.ProgressTotal = static_cast<std::uint32_t>(installed);

    std::uint64_t required = installed + largestStored + SpaceMargin;
    if (h.CreateUninstaller) required += static_cast<std::uint64_t>(run.InfoOffset) + run.InfoSize;

    LogCount(run, "Available diskspace: ", available);
    LogCount(run, "Disk space required: ", required);
    LogText(run, Msg(MessageId::Empty));

    if (available < required) {
        ShowError(run, 0, MessageId::NotEnoughSpace);
        return false;
    }

    if (writesSystemDir) {
        LogText(run, "Testing system directory access rights...");
        char path[PathSize + 16];
        FormatText(path, sizeof path, "%s\\__test__.tst", run.SystemDir);
        os::FileHandle test = run.os.LCreat(path, 0);
        if (test == os::InvalidFile) {
            ShowError(run, 0, MessageId::CouldntWriteSystemDir);
            return false;
        }
        run.os.LClose(test);
        run.os.DeleteFile(path);
    }
    return true;
}
