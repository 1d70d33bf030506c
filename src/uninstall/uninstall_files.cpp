// UninstallFiles: the file phase of the uninstallation, every file record in turn.
#include <cstring>

#include "install/install.h"
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

enum class SharedOutcome { Remove, Stay, NotCounted };

// Releases one reference of a shared file. Remove: the last reference is
// gone and the user agreed to delete the file.
SharedOutcome ReleaseSharedReference(Run& run, os::Window owner, const char* path) {
    os::RegKey key = 0;
    if (run.os.RegOpenKeyEx(os::HKEY_LOCAL_MACHINE, SharedDllsKey,
                            os::KEY_QUERY_VALUE | os::KEY_SET_VALUE, &key) != os::ERROR_SUCCESS)
        return SharedOutcome::NotCounted;

    // A missing value counts as one reference.
    std::uint32_t count = 1;
    std::uint32_t type = 0;
    std::uint32_t size = sizeof count;
    if (run.os.RegQueryValueEx(key, path, &type, &count, &size) != os::ERROR_SUCCESS) count = 1;
    // A stored 0 is the last reference too; decrementing it would wrap
    // the count to 4294967295 and keep the file for ever.
    if (count != 0) count = count - 1;

    SharedOutcome outcome = SharedOutcome::Stay;
    if (count == 0) {
        run.os.RegDeleteValue(key, path);
        char text[LogLineSize];
        FormatText(text, sizeof text, Msg(MessageId::SharedFileQuestion), path);
        if (AskYesNo(run, owner, text)) outcome = SharedOutcome::Remove;
    } else {
        run.os.RegSetValueEx(key, path, os::REG_DWORD, &count, sizeof count);
    }
    run.os.RegCloseKey(key);
    return outcome;
}

void RemoveAppPath(Run& run, const FileRecord& file) {
    char fileName[sizeof file.FileName];
    CopyText(fileName, sizeof fileName, file.FileName, sizeof file.FileName);
    if (fileName[0] == '\0') return;  // never the App Paths key itself
    char keyPath[sizeof AppPathsKey + sizeof file.FileName + 1];
    FormatText(keyPath, sizeof keyPath, "%s\\%s", AppPathsKey, fileName);
    os::RegKey key = 0;
    if (run.os.RegOpenKeyEx(os::HKEY_LOCAL_MACHINE, keyPath, os::KEY_ALL_ACCESS, &key) !=
        os::ERROR_SUCCESS)
        return;
    run.os.RegDeleteValue(key, "");
    run.os.RegCloseKey(key);
    run.os.RegDeleteKey(os::HKEY_LOCAL_MACHINE, keyPath);
}

void RemoveRunService95(Run& run, const FileRecord& file) {
    char serviceName[sizeof file.ServiceName];
    CopyText(serviceName, sizeof serviceName, file.ServiceName, sizeof file.ServiceName);
    os::RegKey key = 0;
    if (run.os.RegOpenKeyEx(os::HKEY_LOCAL_MACHINE, RunServicesKey, os::KEY_ALL_ACCESS, &key) !=
        os::ERROR_SUCCESS)
        return;
    run.os.RegDeleteValue(key, serviceName);
    run.os.RegCloseKey(key);
}

}  // namespace

bool UninstallFiles(Run& run, os::Window owner) {
    SetStatusLabel(run, nullptr);
    std::uint32_t total = 0;
    for (std::uint32_t n = 0; n < run.Header->FileCount; ++n) {
        // The poll comes before the record's own tests, so left records poll too.
        if (PollCancel(run)) return false;
        const FileRecord& file = run.Files[n];
        if (LeftAtUninstall(run, file)) continue;

        char path[PathSize];
        if (FilePath(run, n, path) != 0) {  // never a path that does not fit
            SetStatusDetail(run, path);
            // A file that was there before and that the installation kept
            // is not touched; its shared reference is still given back.
            const bool found = RecordKeepsPath(run, path);
            if (!found) run.os.SetFileAttributes(path, os::FILE_ATTRIBUTE_NORMAL);
            const SharedOutcome shared = file.Shared ? ReleaseSharedReference(run, owner, path)
                                                     : SharedOutcome::NotCounted;
            if (!found && shared == SharedOutcome::Remove) {
                if (file.SelfRegister &&
                    !RegisterComponent(run, owner, path, file.RegisterByRun != 0,
                                       Registration::Unregister))
                    return false;
                run.os.DeleteFile(path);
            } else if (!found && shared == SharedOutcome::NotCounted) {
                run.os.DeleteFile(path);
            }
        }
        total += file.InstalledSize;
        if (file.AppPath) RemoveAppPath(run, file);
        if (run.IsWindows95 && file.RunService95) RemoveRunService95(run, file);
        DrawProgress(run, owner, 0, total);
    }
    return true;
}
