// RunUninstall: the six phases that reverse an installation, in order:
// services, files, directories, the destination's own files, registry,
// the final progress position.
#include <cstring>

#include "install/services.h"
#include "log/log.h"
#include "package/package.h"
#include "text/boxes.h"
#include "status/cancel.h"
#include "text/format.h"
#include "text/messages.h"
#include "status/progress.h"
#include "uninstall/uninstall.h"

namespace {

// Phase 1 (Windows NT): stop a running or paused service, then remove it.
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
        if (state == ServiceNotFound) continue;

        if (state == os::SERVICE_RUNNING || state == os::SERVICE_PAUSED) {
            SetStatusLabel(run, Msg(MessageId::StoppingService));
            SetStatusDetail(run, displayName);
            if (!StopServiceWait(run, name)) {
                ShowError(run, owner, MessageId::CouldntStopService, name,
                          static_cast<int>(run.LastServiceError));
                return false;
            }
        }
        SetStatusLabel(run, Msg(MessageId::RemovingService));
        SetStatusDetail(run, displayName);
        if (!RemoveService(run, name)) {
            ShowError(run, owner, MessageId::CouldntRemoveService, displayName,
                      static_cast<int>(run.LastServiceError));
            return false;
        }
    }
    return true;
}

// Phase 3: the files directly in each directory, then the directory. A
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
        run.os.RemoveDirectory(path);
    }
    return true;
}

bool RunPhases(Run& run, os::Window owner) {
    if (run.IsWindowsNT && !RemoveServices(run, owner)) return false;
    if (!UninstallFiles(run, owner)) return false;
    if (!RemoveDirectories(run, owner)) return false;
    // Phase 4: the uninstaller survives until the self-removal after exit.
    if (PollCancel(run)) return false;
    RemoveDirectoryFiles(run, owner, run.DestinationDir, true);
    if (!RemoveRegistryEntries(run, owner)) return false;
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
