// A run of the engine on a simulated machine with its installation
// information built right in the test: the header and the record tables of
// a test package, bound into the Run before the procedure under test is
// called. Used by the shell and uninstall tests that call one engine
// procedure directly.
#pragma once

#include <string>
#include <vector>

#include "log/log.h"
#include "platform/sim/machine.h"
#include "run/run.h"
#include "support/package_builder.h"

namespace enginetest {

// The window the engine is given as the progress dialog.
constexpr os::Window ProgressWindow = 0x5150;

class EngineRun {
public:
    explicit EngineRun(sim::Machine machine, const std::string& destination = "C:\\APP")
        : m(std::move(machine)), run(m) {
        records.UninstallerName("UNINST.EXE")
            .UninstallItemName("Uninstall Tool")
            .UninstallDisplayName("Tool 1.0")
            .Title("Tool Setup");
        os::VersionInfo v{};
        m.GetVersionEx(&v);
        run.WindowsMajor = v.Major;
        run.WindowsMinor = v.Minor;
        run.IsWindows95 = v.PlatformId == os::VER_PLATFORM_WIN32_WINDOWS;
        run.IsWindowsNT = v.PlatformId == os::VER_PLATFORM_WIN32_NT;
        run.IsWin32s = v.PlatformId == os::VER_PLATFORM_WIN32s;
        pkg::SetText(destinationDir, destination);
        m.GetWindowsDirectory(windowsDir, sizeof windowsDir);
        m.GetSystemDirectory(systemDir, sizeof systemDir);
        m.MakeDirectories(destination);
        run.DestinationDir = destinationDir;
        run.WindowsDir = windowsDir;
        run.SystemDir = systemDir;
        run.ProgressWindow = ProgressWindow;
        // Add* hands back a reference into the table; the room reserved here
        // keeps it valid while a test adds the rest.
        pkg::PackageContents& c = records.Contents();
        c.files.reserve(64);
        c.fileData.reserve(64);
        c.dirs.reserve(64);
        c.groups.reserve(64);
        c.items.reserve(64);
        c.regKeys.reserve(64);
        c.regValues.reserve(64);
    }
    // The run points into this object.
    EngineRun(const EngineRun&) = delete;
    EngineRun& operator=(const EngineRun&) = delete;

    // A file record without stored data.
    FileRecord& AddFile(const std::string& name, std::uint32_t size = 100) {
        return records.File(name, Bytes()).InstalledSize(size).LastFile();
    }
    DirRecord& AddDir(const std::string& name) { return records.Dir(name).LastDir(); }
    GroupRecord& AddGroup(const std::string& name) { return records.Group(name).LastGroup(); }
    ItemRecord& AddItem(const std::string& name, std::uint32_t group, std::uint32_t file,
                        const std::string& arguments = "", std::uint32_t icon = 0) {
        return records.ItemNumbered(name, group, file, arguments).IconNumber(icon).LastItem();
    }
    RegKeyRecord& AddKey(os::RegKey root, const std::string& subKey) {
        return records.RegKey(root, subKey).LastRegKey();
    }
    // A string value without data.
    RegValueRecord& AddValue(std::uint32_t keyNumber, const std::string& name) {
        return records.Value(name, os::REG_SZ, Bytes()).KeyNumber(keyNumber).LastRegValue();
    }

    // Points the run at the tables; call after the last Add and before the
    // procedure under test.
    void Bind(bool uninstallMode) {
        pkg::PackageContents& c = records.Contents();
        header.FileCount = static_cast<std::uint32_t>(c.files.size());
        header.DirCount = static_cast<std::uint32_t>(c.dirs.size());
        header.GroupCount = static_cast<std::uint32_t>(c.groups.size());
        header.ItemCount = static_cast<std::uint32_t>(c.items.size());
        header.RegKeyCount = static_cast<std::uint32_t>(c.regKeys.size());
        header.RegValueCount = static_cast<std::uint32_t>(c.regValues.size());
        run.Header = &header;
        run.Files = c.files.data();
        run.Dirs = c.dirs.data();
        run.Groups = c.groups.data();
        run.Items = c.items.data();
        run.RegKeys = c.regKeys.data();
        run.RegValues = c.regValues.data();
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
    // The header and the record tables, made by the package builder.
    PackageBuilder records;
    InstallHeader& header = records.Header();
    char destinationDir[PathSize] = {};
    char windowsDir[PathSize] = {};
    char systemDir[PathSize] = {};
};

}  // namespace enginetest
