// UpdateProgramGroups: the program groups, the program items and the
// uninstall item, created at install and removed at uninstall through the
// program manager's DDE command interface.
#include <cstring>

#include "log/log.h"
#include "package/package.h"
#include "package/record.h"
#include "shell/shell.h"
#include "text/boxes.h"
#include "status/cancel.h"
#include "text/format.h"
#include "text/messages.h"
#include "status/progress.h"

namespace {

// Holds the longest command: two paths of 259 characters, an item title and
// its arguments, and the command's own words.
constexpr std::size_t CommandSize = 1024;
constexpr std::size_t GroupNameSize = sizeof(GroupRecord::Name);

enum class Pass { Done, EndStep };

void GroupName(const Run& run, std::uint32_t number, char* out) {
    const GroupRecord& group = run.Groups[number - 1];
    CopyText(out, GroupNameSize, group.Name, sizeof group.Name);
}

bool ShowGroup(Run& run, const char* groupName) {
    char command[CommandSize];
    FormatText(command, sizeof command, "[ShowGroup(\"%s\",5)]", groupName);
    if (ExecuteShellCommand(run, command) == 0) return true;
    LogNumber(run, "DDE Error: ", static_cast<std::int32_t>(run.LastDdeError));
    return false;
}

// Its result is not looked at: an item that is not there is no error.
void DeleteItem(Run& run, const char* itemName) {
    char command[CommandSize];
    FormatText(command, sizeof command, "[DeleteItem(%s)]", itemName);
    ExecuteShellCommand(run, command);
}

void ReportAddItemFailure(Run& run, os::Window owner, const char* itemName,
                          const char* groupName) {
    LogNumber(run, "DDE Error: ", static_cast<std::int32_t>(run.LastDdeError));
    ShowError(run, owner, MessageId::CouldntAddItem, itemName, groupName);
}

// A name among the shell's group names, one a line, in any letter case.
bool Listed(const char* list, const char* name) {
    for (const char* line = list; *line != '\0';) {
        std::size_t i = 0;
        while (name[i] != '\0' && line[i] != '\0' &&
               (line[i] | 0x20) == (name[i] | 0x20))
            ++i;
        if (name[i] == '\0' && (line[i] == '\r' || line[i] == '\n' || line[i] == '\0')) return true;
        while (*line != '\0' && *line != '\n') ++line;
        if (*line == '\n') ++line;
    }
    return false;
}

// A shell with a start menu keeps each group as a folder of the user's or
// of every user's programs; its group list over DDE may come back empty.
bool GroupFolderExists(Run& run, const char* name) {
    static const char ShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    const os::RegKey roots[] = {os::HKEY_CURRENT_USER, os::HKEY_LOCAL_MACHINE};
    const char* const values[] = {"Programs", "Common Programs"};
    for (int n = 0; n < 2; ++n) {
        os::RegKey key = 0;
        if (run.os.RegOpenKeyEx(roots[n], ShellFolders, os::KEY_QUERY_VALUE, &key) != os::ERROR_SUCCESS)
            continue;
        char folder[PathSize] = {};
        std::uint32_t type = 0;
        std::uint32_t size = PathSize - 1;
        const bool read =
            run.os.RegQueryValueEx(key, values[n], &type, folder, &size) == os::ERROR_SUCCESS;
        run.os.RegCloseKey(key);
        if (!read || folder[0] == '\0') continue;
        char path[PathSize];
        FormatText(path, sizeof path, "%s\\%s", folder, name);
        const std::uint32_t attributes = run.os.GetFileAttributes(path);
        if (attributes != os::INVALID_FILE_ATTRIBUTES && (attributes & os::FILE_ATTRIBUTE_DIRECTORY))
            return true;
    }
    return false;
}

// Notes whether a group was there before the first installation, before the
// group is created.
bool RecordGroup(Run& run, os::Window owner, const char* name) {
    if (run.RecordFile == os::InvalidFile || RecordHas(run, FoundGroup, name) ||
        RecordHas(run, NewGroup, name))
        return true;
    char list[4096];
    run.os.DdeRequestGroups(run.DdeInstance, run.ShellConversation, list, sizeof list);
    RecordFinding(run, FoundGroup, name, Listed(list, name) || GroupFolderExists(run, name));
    return RecordWrite(run, owner);
}

Pass GroupPass(Run& run, os::Window owner) {
    const bool install = !run.UninstallMode;
    SetStatusLabel(run, Msg(install ? MessageId::AddingProgramGroup
                                    : MessageId::RemovingProgramGroup));
    SetStatusDetail(run, nullptr);
    for (std::uint32_t n = 0; n < run.Header->GroupCount; ++n) {
        // Uninstall mode removes every group, also those skipped at install.
        if (install && !AppliesAtInstall(run, run.Groups[n])) continue;
        char name[GroupNameSize];
        GroupName(run, n + 1, name);
        SetStatusDetail(run, name);
        // A group that was there before keeps itself and the other items.
        if (!install && RecordHas(run, FoundGroup, name)) continue;
        if (install && !RecordGroup(run, owner, name)) return Pass::EndStep;
        LogLine(run, "Creating group: ", name);
        char command[CommandSize];
        FormatText(command, sizeof command, "[%s(\"%s\")]",
                   install ? "CreateGroup" : "DeleteGroup", name);
        if (ExecuteShellCommand(run, command) == 0) continue;
        LogNumber(run, "DDE Error: ", static_cast<std::int32_t>(run.LastDdeError));
        if (install) {
            ShowError(run, owner, MessageId::CouldntCreateGroup, name);
            return Pass::EndStep;
        }
    }
    return Pass::Done;
}

// Writes the AddItem command of one program item by the quoting and icon
// rules of the Windows version.
void FormatAddItem(const Run& run, const ItemRecord& item, const char* path, const char* name,
                   char* command) {
    char arguments[sizeof item.Arguments];
    CopyText(arguments, sizeof arguments, item.Arguments, sizeof item.Arguments);
    const bool oldShell = run.WindowsMajor < 4;
    const bool quoted = !(oldShell && arguments[0] != '\0');
    if (item.IconNumber == 0) {
        FormatText(command, CommandSize, quoted ? "[AddItem(\"%s\" %s,%s)]" : "[AddItem(%s %s,%s)]",
                   path, arguments, name);
        return;
    }
    const int iconIndex =
        static_cast<int>(oldShell ? item.IconNumber : item.IconNumber - 1);
    FormatText(command, CommandSize,
               quoted ? "[AddItem(\"%s\" %s,%s,%s,%i)]" : "[AddItem(%s %s,%s,%s,%i)]", path,
               arguments, name, path, iconIndex);
}

Pass ItemPass(Run& run, os::Window owner) {
    const bool install = !run.UninstallMode;
    const bool oldShell = run.WindowsMajor < 4;
    MessageId label = oldShell ? MessageId::AddingIcon : MessageId::AddingShortcut;
    if (!install) label = oldShell ? MessageId::RemovingIcon : MessageId::RemovingShortcut;
    SetStatusLabel(run, Msg(label));
    SetStatusDetail(run, nullptr);
    if (PollCancel(run)) return Pass::EndStep;

    // An item whose GroupNumber is 0 goes into the group of the item before
    // it; before any item has named one, that is the first group.
    char currentGroup[GroupNameSize] = {};
    if (run.Header->GroupCount != 0) GroupName(run, 1, currentGroup);

    for (std::uint32_t n = 0; n < run.Header->ItemCount; ++n) {
        if (PollCancel(run)) return Pass::EndStep;
        const ItemRecord& item = run.Items[n];
        if ((install && item.SkipAtInstall) || ExcludedOnPlatform(run, item)) continue;

        char name[sizeof item.Name];
        CopyText(name, sizeof name, item.Name, sizeof item.Name);
        SetStatusDetail(run, name);
        if (item.GroupNumber != 0) {
            // A group that is not in the table names nothing: the item is
            // passed over rather than put into some other group.
            if (item.GroupNumber > run.Header->GroupCount) continue;
            GroupName(run, item.GroupNumber, currentGroup);
        }
        if (currentGroup[0] == '\0') continue;  // no group at all to put it in

        char path[PathSize] = {};
        if (install) {
            // The program must be a file of the table with a path that fits.
            if (item.FileNumber == 0 || item.FileNumber > run.Header->FileCount) continue;
            if (FilePath(run, item.FileNumber - 1, path) == 0) continue;
        }

        if (!ShowGroup(run, currentGroup)) return Pass::EndStep;
        run.os.ShowWindow(owner, os::SW_SHOWNA);
        DeleteItem(run, name);
        if (!install) continue;

        char command[CommandSize];
        FormatAddItem(run, item, path, name, command);
        LogLine(run, "Adding item: ", name);
        if (ExecuteShellCommand(run, command) != 0)
            ReportAddItemFailure(run, owner, name, currentGroup);
    }
    return Pass::Done;
}

Pass UninstallItemPass(Run& run, os::Window owner) {
    const InstallHeader& header = *run.Header;
    if (!header.CreateUninstaller) return Pass::Done;
    if (!header.UninstallItemAlways && run.WindowsMajor >= 4) return Pass::Done;
    if (header.GroupCount == 0) return Pass::Done;

    // Always the first group, whatever its flags.
    char groupName[GroupNameSize];
    GroupName(run, 1, groupName);
    char itemName[sizeof header.UninstallItemName];
    CopyText(itemName, sizeof itemName, header.UninstallItemName,
             sizeof header.UninstallItemName);

    if (!ShowGroup(run, groupName)) return Pass::EndStep;
    DeleteItem(run, itemName);
    if (run.UninstallMode) return Pass::Done;

    char uninstallerName[sizeof header.UninstallerName];
    CopyText(uninstallerName, sizeof uninstallerName, header.UninstallerName,
             sizeof header.UninstallerName);
    // The uninstaller was written under this path; one that cannot fit was
    // never written, so no item points at it.
    if (std::strlen(run.DestinationDir) + 1 + std::strlen(uninstallerName) >= PathSize)
        return Pass::Done;
    char path[PathSize];
    FormatText(path, sizeof path, "%s\\%s", run.DestinationDir, uninstallerName);
    LogLine(run, "Adding uninstall item: ", itemName);
    char command[CommandSize];
    FormatText(command, sizeof command, "[AddItem(\"%s\",%s,\"%s\",1)]", path, itemName, path);
    if (ExecuteShellCommand(run, command) != 0)
        ReportAddItemFailure(run, owner, itemName, groupName);
    return Pass::Done;
}

bool RunPasses(Run& run, os::Window owner) {
    if (!run.UninstallMode) {
        if (GroupPass(run, owner) != Pass::Done) return false;
        if (ItemPass(run, owner) != Pass::Done) return false;
        if (UninstallItemPass(run, owner) != Pass::Done) return false;
        LogText(run, "");
        return true;
    }
    // Items go before the groups that hold them.
    if (ItemPass(run, owner) != Pass::Done) return false;
    if (UninstallItemPass(run, owner) != Pass::Done) return false;
    GroupPass(run, owner);
    return true;
}

}  // namespace

bool UpdateProgramGroups(Run& run, os::Window owner) {
    if (PollCancel(run)) return false;
    LogText(run, "Connecting to shell...");
    run.ShellConversation = run.os.DdeConnect(run.DdeInstance, "PROGMAN");
    if (run.ShellConversation == 0) {
        run.LastDdeError = run.os.DdeGetLastError(run.DdeInstance);
        ShowError(run, owner,
                  run.UninstallMode ? MessageId::ShellUninstallFailed
                                    : MessageId::ShellInstallFailed,
                  static_cast<int>(run.LastDdeError));
        return false;
    }
    const bool done = RunPasses(run, owner);
    run.os.DdeDisconnect(run.ShellConversation);
    run.ShellConversation = 0;
    return done;
}
