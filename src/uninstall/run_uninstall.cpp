// RunUninstall: the six phases that reverse an installation, in order:
// services, files, directories, the destination's own files, registry,
// the final progress position.
#include <cstring>

#include "install/services.h"
#include "log/log.h"
#include "package/package.h"
#include "package/record.h"
#include "text/boxes.h"
#include "status/cancel.h"
#include "text/format.h"
#include "text/messages.h"
#include "status/progress.h"
#include "uninstall/uninstall.h"

namespace {

// Services (Windows NT only): stop a running or paused service, then remove it.
bool RemoveServices(Run& run, os::Window owner) {
    const InstallHeader& header = *run.Header;
    for (std::uint32_t n = 0; n < header.FileCount; ++n) {
        const FileRecord& file = run.Files[n];
        if (LeftAtUninstall(run, file)) continue;
        char name[sizeof file.ServiceName];
        char displayName[sizeof file.ServiceDisplayName];
        CopyText(name, sizeof name, file.ServiceName, sizeof file.ServiceName);
        CopyText(displayName, sizeof displayName, file.ServiceDisplayName,
                 sizeof file.ServiceDisplayName);
        if (name[0] == '\0') continue;

        if (PollCancel(run)) return false;
        const std::uint32_t state = QueryServiceState(run, name);
        if (!StopAndRemoveService(run, owner, name, displayName, state, /*uninstalling=*/true))
            return false;
    }
    return true;
}

// Directories: the files directly in each directory, then the directory. A
// directory that still holds something stays.
bool RemoveDirectories(Run& run, os::Window owner) {
    if (PollCancel(run)) return false;
    for (std::uint32_t n = 0; n < run.Header->DirCount; ++n) {
        if (PollCancel(run)) return false;
        if (LeftAtUninstall(run, run.Dirs[n])) continue;
        char path[PathSize];
        if (DirPath(run, n, path) == 0) continue;  // never a path that does not fit
        SetStatusDetail(run, path);
        RemoveDirectoryFiles(run, owner, path, false);
        if (!RecordKeepsPath(run, path)) run.os.RemoveDirectory(path);
    }
    return true;
}

bool KeptKey(const Run& run, const char* text) {
    for (std::uint32_t n = 0; n < run.Header->RegKeyCount; ++n) {
        const RegKeyRecord& record = run.RegKeys[n];
        char subKey[sizeof record.SubKey];
        char own[LogLineSize];
        CopyText(subKey, sizeof subKey, record.SubKey, sizeof record.SubKey);
        RecordKeyText(own, record.Root, subKey);
        if (LeftAtUninstall(run, record) && SameNameNoCase(run.os, own, text)) return true;
    }
    return false;
}

// Below one of the directories the information names: a record never takes
// the uninstallation anywhere else.
bool Below(const char* path, const char* base) {
    std::size_t n = 0;
    while (base[n] != '\0' && (path[n] | 0x20) == (base[n] | 0x20)) ++n;
    return base[n] == '\0' && n != 0 && path[n] == '\\';
}

}  // namespace

// Newest entry first, so that a directory is emptied before its parent.
void RemoveRecordedLeftovers(Run& run, os::Window owner) {
    std::uint32_t end = run.RecordUsed;
    while (end > 0) {
        std::uint32_t start = end - 1;
        while (start > 0 && run.Record[start - 1] != '\0') --start;
        const char* entry = run.Record + start;
        end = start;
        const char* text = entry + 1;
        if (entry[0] == NewKey && text[0] >= '0' && text[0] <= '7' && text[1] == '\\' &&
            text[2] != '\0' && !KeptKey(run, text)) {
            run.os.RegDeleteKey(0x80000000u | static_cast<std::uint32_t>(text[0] - '0'), text + 2);
            continue;
        }
        if (entry[0] != NewPath || BelongsToAStayingRecord(run, text) ||
            !(Below(text, run.DestinationDir) || Below(text, run.WindowsDir) ||
              Below(text, run.SystemDir)))
            continue;
        const std::uint32_t attributes = run.os.GetFileAttributes(text);
        if (attributes == os::INVALID_FILE_ATTRIBUTES) continue;
        if (attributes & os::FILE_ATTRIBUTE_DIRECTORY) {
            // The destination itself goes with the self-removal.
            if (SameNameNoCase(run.os, text, run.DestinationDir)) continue;
            RemoveDirectoryFiles(run, owner, text, false);
            run.os.RemoveDirectory(text);
        } else {
            run.os.SetFileAttributes(text, os::FILE_ATTRIBUTE_NORMAL);
            run.os.DeleteFile(text);
        }
    }
}

namespace {

bool RunPhases(Run& run, os::Window owner) {
    if (run.IsWindowsNT && !RemoveServices(run, owner)) return false;
    if (!UninstallFiles(run, owner)) return false;
    if (!RemoveDirectories(run, owner)) return false;
    // The destination's own files: the uninstaller survives until the self-removal after exit.
    if (PollCancel(run)) return false;
    RemoveDirectoryFiles(run, owner, run.DestinationDir, true);
    if (!RemoveRegistryEntries(run, owner)) return false;
    RemoveRecordedLeftovers(run, owner);
    DrawProgress(run, owner, 0, run.ProgressTotal);
    return true;
}

}  // namespace

bool RunUninstall(Run& run, os::Window owner) {
    const bool done = RunPhases(run, owner);
    // The uninstaller is the package: it must be closed on every way out so
    // that the self-removal can delete it.
    if (run.Package != os::InvalidFile) {
        run.os.LClose(run.Package);
        run.Package = os::InvalidFile;
    }
    return done;
}
