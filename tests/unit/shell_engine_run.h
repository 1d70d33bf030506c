// A run of the engine on a simulated machine with its installation
// information built right in the test: the header and the record tables as
// plain vectors, bound into the Run before the procedure under test is
// called. Used by the shell and uninstall tests that call one engine
// procedure directly.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "log/log.h"
#include "platform/sim/machine.h"
#include "run/run.h"

namespace enginetest {

template <std::size_t N>
void SetText(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size() < N - 1 ? text.size() : N - 1);
}

// The window the engine is given as the progress dialog.
constexpr os::Window ProgressWindow = 0x5150;

class EngineRun {
public:
    explicit EngineRun(sim::Machine machine, const std::string& destination = "C:\\APP")
        : m(std::move(machine)), run(m) {
        header.HeaderSize = sizeof(InstallHeader);
        SetText(header.UninstallerName, "UNINST.EXE");
        SetText(header.UninstallItemName, "Uninstall Tool");
        SetText(header.UninstallDisplayName, "Tool 1.0");
        SetText(header.InstallTitle, "Tool Setup");
        os::VersionInfo v{};
        m.GetVersionEx(&v);
        run.WindowsMajor = v.Major;
        run.WindowsMinor = v.Minor;
        run.IsWindows95 = v.PlatformId == os::VER_PLATFORM_WIN32_WINDOWS;
        run.IsWindowsNT = v.PlatformId == os::VER_PLATFORM_WIN32_NT;
        run.IsWin32s = v.PlatformId == os::VER_PLATFORM_WIN32s;
        SetText(destinationDir, destination);
        m.GetWindowsDirectory(windowsDir, sizeof windowsDir);
        m.GetSystemDirectory(systemDir, sizeof systemDir);
        m.MakeDirectories(destination);
        run.DestinationDir = destinationDir;
        run.WindowsDir = windowsDir;
        run.SystemDir = systemDir;
        run.ProgressWindow = ProgressWindow;
        // Add* hands back a reference into the table; the room reserved here
        // keeps it valid while a test adds the rest.
        files.reserve(64);
        dirs.reserve(64);
        groups.reserve(64);
        items.reserve(64);
        keys.reserve(64);
        values.reserve(64);
    }

    FileRecord& AddFile(const std::string& name, std::uint32_t size = 100) {
        FileRecord f{};
        f.RecordSize = sizeof f;
        SetText(f.FileName, name);
        f.InstalledSize = size;
        files.push_back(f);
        return files.back();
    }
    DirRecord& AddDir(const std::string& name) {
        DirRecord d{};
        d.RecordSize = sizeof d;
        SetText(d.Name, name);
        dirs.push_back(d);
        return dirs.back();
    }
    GroupRecord& AddGroup(const std::string& name) {
        GroupRecord g{};
        g.RecordSize = sizeof g;
        SetText(g.Name, name);
        groups.push_back(g);
        return groups.back();
    }
    ItemRecord& AddItem(const std::string& name, std::uint32_t group, std::uint32_t file,
                        const std::string& arguments = "", std::uint32_t icon = 0) {
        ItemRecord i{};
        i.RecordSize = sizeof i;
        SetText(i.Name, name);
        SetText(i.Arguments, arguments);
        i.GroupNumber = group;
        i.FileNumber = file;
        i.IconNumber = icon;
        items.push_back(i);
        return items.back();
    }
    RegKeyRecord& AddKey(os::RegKey root, const std::string& subKey) {
        RegKeyRecord k{};
        k.RecordSize = sizeof k;
        k.Root = static_cast<std::uint32_t>(root);
        SetText(k.SubKey, subKey);
        keys.push_back(k);
        return keys.back();
    }
    RegValueRecord& AddValue(std::uint32_t keyNumber, const std::string& name) {
        RegValueRecord v{};
        v.RecordSize = sizeof v;
        v.KeyNumber = keyNumber;
        SetText(v.ValueName, name);
        v.ValueType = os::REG_SZ;
        values.push_back(v);
        return values.back();
    }

    // Points the run at the tables; call after the last Add and before the
    // procedure under test.
    void Bind(bool uninstallMode) {
        header.FileCount = static_cast<std::uint32_t>(files.size());
        header.DirCount = static_cast<std::uint32_t>(dirs.size());
        header.GroupCount = static_cast<std::uint32_t>(groups.size());
        header.ItemCount = static_cast<std::uint32_t>(items.size());
        header.RegKeyCount = static_cast<std::uint32_t>(keys.size());
        header.RegValueCount = static_cast<std::uint32_t>(values.size());
        run.Header = &header;
        run.Files = files.data();
        run.Dirs = dirs.data();
        run.Groups = groups.data();
        run.Items = items.data();
        run.RegKeys = keys.data();
        run.RegValues = values.data();
        run.UninstallMode = uninstallMode;
        run.ActiveTitle = uninstallMode ? "Tool Uninstall" : "Tool Setup";
    }

    // Install mode with the log InstLog.txt open in the destination.
    void BindInstallWithLog() {
        header.CreateLog = 1;
        Bind(false);
        OpenInstallLog(run, ProgressWindow);
    }
    std::string Log() {
        CloseInstallLog(run, false);
        return m.ReadText(std::string(destinationDir) + "\\InstLog.txt");
    }

    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const sim::Box& b : m.Boxes()) texts.push_back(b.text);
        return texts;
    }

    sim::Machine m;
    Run run;
    InstallHeader header{};
    std::vector<FileRecord> files;
    std::vector<DirRecord> dirs;
    std::vector<GroupRecord> groups;
    std::vector<ItemRecord> items;
    std::vector<RegKeyRecord> keys;
    std::vector<RegValueRecord> values;
    char destinationDir[PathSize] = {};
    char windowsDir[PathSize] = {};
    char systemDir[PathSize] = {};
};

}  // namespace enginetest
