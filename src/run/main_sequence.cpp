// The entry: the whole program from start to exit code. Every step that
// fails ends the main sequence; the final sequence then runs from wherever it
// ended, releases what was taken, and gives the exit code.
#include "run/main_sequence.h"

#include <cstring>

#include "install/install.h"
#include "log/log.h"
#include "package/package.h"
#include "package/record.h"
#include "run/checks.h"
#include "run/command_line.h"
#include "run/completion.h"
#include "run/run.h"
#include "run/work.h"
#include "shell/shell.h"
#include "text/boxes.h"
#include "ui/dialogs.h"
#include "text/format.h"
#include "text/messages.h"

namespace {

const char WindowsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";

template <typename T>
bool Take(Run& run, T*& block, std::size_t size) {
    block = static_cast<T*>(run.os.Alloc(size));
    return block != nullptr;
}

template <typename T>
void Release(Run& run, T*& block) {
    if (block != nullptr) run.os.Free(block);
    block = nullptr;
}

// ProgramFilesDir from the registry; without the value, the Windows drive;
// without the key, nothing.
void ReadProgramFilesDir(Run& run) {
    os::RegKey key = 0;
    if (run.os.RegOpenKeyEx(os::HKEY_LOCAL_MACHINE, WindowsKey, os::KEY_QUERY_VALUE, &key) !=
        os::ERROR_SUCCESS)
        return;
    std::uint32_t type = 0;
    std::uint32_t size = PathSize;
    if (run.os.RegQueryValueEx(key, "ProgramFilesDir", &type, run.ProgramFilesDir, &size) !=
        os::ERROR_SUCCESS) {
        std::memset(run.ProgramFilesDir, 0, PathSize);
        SplitPath(run.os, run.WindowsDir, run.ProgramFilesDir, nullptr, nullptr, nullptr);
    }
    // A value that filled the whole buffer comes without its NUL.
    run.ProgramFilesDir[PathSize - 1] = '\0';
    TrimTrailingBackslash(run.os, run.ProgramFilesDir);
    run.os.RegCloseKey(key);
}

// The uninstaller's destination is the directory it runs from, whatever
// package path the command line named: a drive and a directory, or a
// network path (\\server\share\dir\). Without either there is nothing safe
// to remove from: the run is refused rather than working relative to the
// current drive.
bool DeriveUninstallDestination(Run& run) {
    char program[PathSize] = {};
    run.os.GetModuleFileName(program, sizeof program);
    program[PathSize - 1] = '\0';
    char drive[3];
    SplitPath(run.os, program, drive, run.DirectoryPart, nullptr, nullptr);
    const char* directory = run.DirectoryPart;
    const bool network = directory[0] == '\\' && directory[1] == '\\' && directory[2] != '\0';
    if (directory[0] == '\0' || (drive[0] == '\0' && !network)) {
        ShowError(run, 0, MessageId::CouldntOpenProgram);
        return false;
    }
    FormatText(run.DestinationDir, PathSize, "%s%s", drive, run.DirectoryPart);
    TrimTrailingBackslash(run.os, run.DestinationDir);
    return true;
}

bool ReadOwnRecord(Run& run) {
    const long start = static_cast<long>(run.InfoOffset + run.InfoSize);
    const long end = run.os.LSeek(run.Package, 0, os::SEEK_FROM_END);
    return end == start || (end > start && ReadRecord(run, run.Package, start, end, false));
}

void ComputeUninstallTotal(Run& run) {
    std::uint32_t total = 0;
    for (std::uint32_t i = 0; i < run.Header->FileCount; ++i)
        if (!ExcludedOnPlatform(run, run.Files[i])) total += run.Files[i].InstalledSize;
    run.ProgressTotal = total;
}

// The main sequence; returning ends the run with RunSucceeded as it stands.
void MainSequence(Run& run, const char* tail) {
    run.ActiveTitle = Msg(MessageId::Empty);
    DetectWindowsVersion(run);
    // The switches come first, so that a log they name also receives the
    // errors of the earliest steps.
    const CommandLine commandLine = ReadCommandLine(run, tail);
    if (run.LogSwitch[0] != '\0') OpenLogFile(run, run.LogSwitch, 0);
    if (commandLine == CommandLine::Invalid) {
        ShowError(run, 0, MessageId::InvalidCommandLine);
        return;
    }
    if (commandLine == CommandLine::Switches) tail = "";
    if (!StartShellDde(run)) return;

    if (tail[0] != '\0') {
        // The tail is the package path as it stands, quotes and all. One that
        // does not fit the path buffer is refused, never cut to another name.
        if (std::strlen(tail) >= PackagePathSize) {
            ShowError(run, 0, MessageId::CouldntOpenProgram);
            return;
        }
        std::memcpy(run.PackagePath, tail, std::strlen(tail) + 1);
    } else {
        run.os.GetModuleFileName(run.PackagePath, PackagePathSize);
        run.PackagePath[PackagePathSize - 1] = '\0';
    }
    char base[DirPartSize];
    char extension[DirPartSize];
    SplitPath(run.os, run.PackagePath, nullptr, nullptr, base, extension);
    FormatText(run.RunName, sizeof run.RunName, "%s%s", base, extension);

    if (!OpenPackage(run, run.PackagePath) || !FindInfoMarker(run)) return;

    if (!Take(run, run.DestinationDir, PathSize) || !Take(run, run.WindowsDir, PathSize) ||
        !Take(run, run.SystemDir, PathSize) || !Take(run, run.ProgramFilesDir, PathSize) ||
        !Take(run, run.DirectoryPart, DirPartSize) ||
        !Take(run, run.Header, sizeof(InstallHeader))) {
        ShowError(run, 0, MessageId::OutOfMemory);
        return;
    }
    // A failed or over-long answer leaves no base directory: refused, or the
    // files meant for it would go to the root of the drive.
    const unsigned windowsLength = run.os.GetWindowsDirectory(run.WindowsDir, PathSize);
    const unsigned systemLength = run.os.GetSystemDirectory(run.SystemDir, PathSize);
    if (windowsLength == 0 || windowsLength >= PathSize || systemLength == 0 ||
        systemLength >= PathSize) {
        ShowError(run, 0, MessageId::NoWindowsDirectory);
        return;
    }
    TrimTrailingBackslash(run.os, run.WindowsDir);
    TrimTrailingBackslash(run.os, run.SystemDir);
    ReadProgramFilesDir(run);

    if (!ReadInstallInfo(run) || !CheckReferences(run)) return;

    run.UninstallMode = run.os.CompareTextNoCase(run.RunName, run.Header->UninstallerName) == 0;
    // An uninstaller holds nothing after its information but its record: a
    // file of the uninstaller's name that carries file data is a package,
    // and uninstalling with it would sweep the folder it was started from.
    if (run.UninstallMode && !ReadOwnRecord(run)) {
        ShowError(run, 0, MessageId::CouldntOpenProgram);
        return;
    }
    // The uninstaller legitimately ends right after the information; a
    // package must hold the data of every file before anything is installed.
    if (!run.UninstallMode && !CheckPackageLength(run)) return;
    if (!run.UninstallMode && !RefuseUnsupportedPlatform(run)) return;

    run.ActiveTitle = run.UninstallMode ? run.Header->UninstallTitle : run.Header->InstallTitle;
    if (!CheckFilesInUse(run)) return;

    if (run.UninstallMode) {
        // The destination is the uninstaller's own directory, never /D=.
        if (run.DestinationSwitch[0] != '\0') {
            ShowError(run, 0, MessageId::InvalidCommandLine);
            return;
        }
        // Started with /S, the uninstallation was asked for already.
        if (!run.Silent && !AskYesNo(run, 0, run.Header->UninstallQuestion)) return;
        if (!DeriveUninstallDestination(run) || !CheckPaths(run)) return;
        ComputeUninstallTotal(run);
    } else {
        if (!CheckWindowsVersion(run)) return;
        std::intptr_t accepted = MainDialog(run);
        if (accepted == 0) return;
        if (accepted == -1) {
            ShowError(run, 0, MessageId::CouldntOpenMainDialog);
            return;
        }
        if (!CheckPaths(run) || !CheckDestination(run)) return;
    }

    std::intptr_t worked = ProgressDialog(run, RunWork);
    if (worked == 0) return;
    if (worked == -1) {
        ShowError(run, 0, MessageId::CouldntOpenProgressDialog);
        return;
    }
    if (run.UninstallMode) CompleteUninstall(run);
    else CompleteInstall(run);
    run.RunSucceeded = true;
}

int FinalSequence(Run& run) {
    // Silent runs tell a pending replacement by the exit code, not by the
    // restart question; with dialogs the codes stay 0 and 1.
    const int exitCode = !run.RunSucceeded ? 1 : run.Silent && run.RestartNeeded ? 3 : 0;
    LogText(run, Msg(MessageId::Empty));
    if (run.UninstallMode)
        LogText(run, run.RunSucceeded ? "The uninstallation was successful!"
                                      : "An error occured during uninstallation!");
    else
        LogText(run, run.RunSucceeded ? "The installation was successful!"
                                      : "An error occured during installation!");
    if (run.Silent) LogNumber(run, "Exit code: ", exitCode);
    if (run.Package != os::InvalidFile) {
        run.os.LClose(run.Package);
        run.Package = os::InvalidFile;
    }
    CloseInstallLog(run, run.RunSucceeded);
    EndShellDde(run);
    ReleaseRegistryKeys(run);
    ReleaseRecord(run);

    Release(run, run.ScanBuffer);
    Release(run, run.DestinationDir);
    Release(run, run.WindowsDir);
    Release(run, run.SystemDir);
    Release(run, run.ProgramFilesDir);
    Release(run, run.DirectoryPart);
    Release(run, run.Header);
    Release(run, run.Files);
    Release(run, run.Groups);
    Release(run, run.Items);
    Release(run, run.Dirs);
    Release(run, run.RegKeys);
    Release(run, run.RegValues);
    // The titles pointed into the header.
    run.ActiveTitle = Msg(MessageId::Empty);

    if (run.SelfRemovalPending) StartSelfRemoval(run);
    // The question is only built after a successful installation: a failed
    // run does not offer to restart, though a replacement may be scheduled.
    if (run.RestartNeeded && run.RestartQuestion[0] != '\0') AskRestart(run);
    return exitCode;
}

}  // namespace

const char* CommandLineTail(const char* commandLine) {
    const char* p = commandLine;
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (static_cast<unsigned char>(*p) > 32) ++p;
    }
    while (*p != '\0' && static_cast<unsigned char>(*p) <= 32) ++p;
    return p;
}

int RunProgram(os::Platform& platform, const char* commandLineTail) {
    Run run(platform);
    MainSequence(run, commandLineTail != nullptr ? commandLineTail : "");
    return FinalSequence(run);
}
