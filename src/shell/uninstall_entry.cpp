// UpdateUninstallEntry: the entry in the system's list of uninstallable
// programs (Windows 4.x and later), written at install, deleted at uninstall.
#include <cstring>

#include "shell/shell.h"
#include "text/format.h"

namespace {

const char UninstallListKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

}  // namespace

bool UpdateUninstallEntry(Run& run, os::Window owner) {
    (void)owner;
    const InstallHeader& header = *run.Header;
    if (run.WindowsMajor < 4) return true;
    if (!header.CreateUninstaller) return true;

    char displayName[sizeof header.UninstallDisplayName];
    CopyText(displayName, sizeof displayName, header.UninstallDisplayName,
             sizeof header.UninstallDisplayName);
    // Without a name the key path would be the list itself: deleting it
    // would take every other program's entry along.
    if (displayName[0] == '\0') return true;

    char keyPath[sizeof UninstallListKey + sizeof header.UninstallDisplayName + 1];
    FormatText(keyPath, sizeof keyPath, "%s\\%s", UninstallListKey, displayName);

    os::RegKey key = 0;
    if (!run.UninstallMode) {
        if (run.os.RegCreateKeyEx(os::HKEY_LOCAL_MACHINE, keyPath, os::KEY_ALL_ACCESS, &key) !=
            os::ERROR_SUCCESS)
            return true;
        char uninstallerName[sizeof header.UninstallerName];
        CopyText(uninstallerName, sizeof uninstallerName, header.UninstallerName,
                 sizeof header.UninstallerName);
        // A path with blanks is quoted, or the system could start another
        // program named by the path's first word.
        char command[PathSize + sizeof header.UninstallerName + 8];
        const bool blanks = std::strchr(run.DestinationDir, ' ') != nullptr ||
                            std::strchr(uninstallerName, ' ') != nullptr;
        FormatText(command, sizeof command, blanks ? "\"%s\\%s\"" : "%s\\%s", run.DestinationDir,
                   uninstallerName);
        run.os.RegSetValueEx(key, "DisplayName", os::REG_SZ, displayName,
                             static_cast<std::uint32_t>(std::strlen(displayName) + 1));
        run.os.RegSetValueEx(key, "UninstallString", os::REG_SZ, command,
                             static_cast<std::uint32_t>(std::strlen(command) + 1));
        // What deployment tools run to uninstall without a window.
        FormatText(command, sizeof command, "\"%s\\%s\" /S", run.DestinationDir, uninstallerName);
        run.os.RegSetValueEx(key, "QuietUninstallString", os::REG_SZ, command,
                             static_cast<std::uint32_t>(std::strlen(command) + 1));
        run.os.RegCloseKey(key);
        return true;
    }
    if (run.os.RegOpenKeyEx(os::HKEY_LOCAL_MACHINE, keyPath, os::KEY_ALL_ACCESS, &key) !=
        os::ERROR_SUCCESS)
        return true;
    run.os.RegDeleteValue(key, "DisplayName");
    run.os.RegDeleteValue(key, "UninstallString");
    run.os.RegDeleteValue(key, "QuietUninstallString");
    run.os.RegCloseKey(key);
    run.os.RegDeleteKey(os::HKEY_LOCAL_MACHINE, keyPath);
    return true;
}
