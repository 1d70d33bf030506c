// Records that would change or remove what other programs or Windows itself
// own: each is reported as a warning with its line (and refused under
// --strict).
#include <cstring>

#include "pkgbuild/build_state.h"
#include "pkgbuild/values.h"

namespace pkgbuild {

namespace {

// Keys every program shares; the uninstallation deletes a key record's key
// (on Windows 95 with every subkey in it).
bool IsSharedKey(const std::string& subKey) {
    const std::string k = Lower(subKey);
    auto below = [&](const std::string& top) {
        return k == top || k.compare(0, top.size() + 1, top + "\\") == 0;
    };
    return k == "software" || below("software\\microsoft") || below("environment") ||
           below("control panel");
}

const char* const SharedGroups[] = {"Accessories", "StartUp", "Main", "Games",
                                    "Administrative Tools"};

// Services of Windows itself (NT 3.51 to 10) that a package must not
// replace or remove.
const char* const WindowsServices[] = {
    "Alerter", "AudioSrv", "BITS", "Browser", "ClipSrv", "CryptSvc", "DcomLaunch", "Dhcp",
    "Dnscache", "EventLog", "EventSystem", "LanmanServer", "LanmanWorkstation", "LmHosts",
    "Messenger", "MpsSvc", "Netlogon", "NetDDE", "NetDDEdsdm", "Netman", "Nla", "NtLmSsp",
    "PlugPlay", "PolicyAgent", "ProtectedStorage", "RasMan", "RemoteAccess", "Replicator",
    "RpcLocator", "RpcSs", "SamSs", "Schedule", "seclogon", "SENS", "SharedAccess", "Spooler",
    "TapiSrv", "TermService", "Themes", "TrkWks", "UPS", "W32Time", "WinDefend", "Winmgmt",
    "WinRM", "wuauserv",
};

template <std::size_t N>
bool InList(const char* const (&list)[N], const std::string& name) {
    for (const char* entry : list)
        if (EqualsNoCase(name, entry)) return true;
    return false;
}

std::string Text(const char* field, std::size_t size) { return std::string(field, strnlen(field, size)); }

}  // namespace

void WarnAboutSharedThings(BuildState& state) {
    const pkg::PackageContents& c = *state.contents;
    auto warn = [&](int line, const std::string& message) { state.warnings.push_back({line, message}); };
    for (std::size_t i = 0; i < c.dirs.size(); ++i) {
        const DirRecord& d = c.dirs[i];
        if ((d.InWindowsDir || d.InSystemDir) && !d.KeepAtUninstall)
            warn(state.dirLines[i], "directory " + state.dirNames[i] + " is in the " +
                                        (d.InSystemDir ? "system" : "Windows") +
                                        " directory: the uninstallation deletes every file in "
                                        "it (give it KeepAtUninstall)");
    }
    for (std::size_t i = 0; i < c.files.size(); ++i) {
        const FileRecord& f = c.files[i];
        const DirRecord* dir = f.DirNumber ? &c.dirs[f.DirNumber - 1] : nullptr;
        const bool outside = dir ? (dir->InSystemDir || dir->InWindowsDir)
                                 : (f.InSystemDir || f.InWindowsDir);
        if (outside && (f.OverwriteMode == 2 || f.OverwriteMode == 4) && !f.Shared &&
            !f.KeepAtUninstall)
            warn(state.fileLines[i],
                 "file " + Text(f.FileName, sizeof f.FileName) +
                     " outside the destination may keep a copy that was there before, which "
                     "the uninstallation then deletes (make it Shared or KeepAtUninstall)");
        const std::string service = Text(f.ServiceName, sizeof f.ServiceName);
        if (!service.empty() && InList(WindowsServices, service))
            warn(state.fileLines[i], "service " + service + " is a service of Windows itself");
    }
    for (std::size_t i = 0; i < c.groups.size(); ++i) {
        const std::string name = Text(c.groups[i].Name, sizeof c.groups[i].Name);
        if (InList(SharedGroups, name))
            warn(state.groupLines[i], "group " + name +
                                          " belongs to Windows: the uninstallation deletes it "
                                          "with the other programs' items in it");
    }
    const std::string entryKey = Lower(UninstallEntryKey(c.header));
    for (std::size_t i = 0; i < c.regKeys.size(); ++i) {
        const RegKeyRecord& k = c.regKeys[i];
        const std::string subKey = Text(k.SubKey, sizeof k.SubKey);
        if (k.KeepAtUninstall || !IsSharedKey(subKey) || state.keyLines[i] == 0) continue;
        // The installation's own uninstall entry is its to delete.
        if (k.Root == names::FirstRoot + 2 && c.header.UninstallDisplayName[0] != '\0' &&
            Lower(subKey) == entryKey)
            continue;
        warn(state.keyLines[i], "key " + state.keyPaths[i] +
                                    " is shared by other programs: the uninstallation deletes "
                                    "it (give it KeepAtUninstall)");
    }
}

}  // namespace pkgbuild
