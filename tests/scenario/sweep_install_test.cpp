// The installation swept call by call: every platform call the installation
// of a compact package makes is made to fail once, in a run of its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "sweep_harness.h"

using ::testing::IsEmpty;

namespace {

const char Destination[] = "C:\\APP";
const std::string SystemDll = "C:\\WINDOWS\\SYSTEM32\\COMMON.DLL";

// One of each kind of record, kept small: the log, a directory, a plain, a
// compressed and a shared self-registering file, a group with an item, a key
// with two values and the uninstall entry. The files are vital: a file that
// is not may be left out after a failure while the installation goes on.
Bytes EveryKindOfRecord() {
    PackageBuilder b = scenario::AppPackage();
    b.UninstallDisplayName("App 1.0")
        .Dir("DATA")
        .File("APP.EXE", TextBytes("the program")).Vital().AppPath()
        .File("README.TXT", PatternBytes(300)).Compressed().Vital().InDir("DATA")
        .File("COMMON.DLL", TextBytes("shared")).Vital().InSystemDir().Shared().SelfRegister()
        .Group("App").Item("App", "APP.EXE")
        .RegKey(os::HKEY_LOCAL_MACHINE, "Software\\App")
        .Value("Path", os::REG_SZ, "C:\\APP")
        .Value("Runs", 3);
    return b.Build();
}

Bytes OneService() {
    PackageBuilder b = scenario::AppPackage();
    b.File("SVC.EXE", TextBytes("service program")).Vital().Service("AppSvc", "App Service").StartService();
    return b.Build();
}

// Windows 95: a file started as a RunServices entry, the uninstall item in
// the group, and no services.
Bytes ForWindows95() {
    PackageBuilder b = scenario::AppPackage();
    b.UninstallDisplayName("App 1.0").UninstallItemName("Uninstall App").UninstallItemAlways()
        .File("APP.EXE", TextBytes("the program")).Vital().RunService95()
        .Group("App").Item("App", "APP.EXE", "/x")
        .RegKey(os::HKEY_CURRENT_USER, "Software\\App").Value("Window", os::REG_SZ, "max");
    return b.Build();
}

sim::Machine FreshMachine() {
    sim::Machine m = sim::Machine::NT40();
    m.AddComponent(SystemDll, 0, 0);
    return m;
}

// NT 3.51: the older shell's item quoting and no uninstall entry.
sim::Machine FreshNT351() {
    sim::Machine m = sim::Machine::NT351();
    m.AddComponent(SystemDll, 0, 0);
    return m;
}

// An installation that ends with exit code 0 has really done its work: the
// files the undisturbed installation placed are there with the same contents,
// and so are its own registry key and values. The program group may be
// missing only after an error box said so: the installation goes on without
// it.
std::function<std::string(const sim::Machine&, const scenario::RunResult&)> SameWorkAs(const sim::Machine& reference) {
    const sim::FileSnapshot files = reference.SnapshotFiles();
    std::vector<std::string> keys;
    for (const std::string& line : reference.SnapshotRegistry())
        if (line.find("\\SOFTWARE\\APP") != std::string::npos) keys.push_back(line);
    const bool hasGroup = reference.FindGroup("App") != nullptr;
    return [files, keys, hasGroup](const sim::Machine& m, const scenario::RunResult& r) {
        const sim::FileSnapshot now = m.SnapshotFiles();
        for (const auto& [path, entry] : files) {
            if (path.find("\\APP\\") == std::string::npos && path != SystemDll) continue;
            if (path.find("INSTLOG.TXT") != std::string::npos) continue;
            auto it = now.find(path);
            if (it == now.end()) return "reported success without " + path;
            if (sweep::WithoutRecord(it->second.content) != sweep::WithoutRecord(entry.content))
                return "reported success with a different " + path;
        }
        const sim::RegistrySnapshot registry = m.SnapshotRegistry();
        for (const std::string& line : keys)
            if (std::find(registry.begin(), registry.end(), line) == registry.end())
                return "reported success without " + line;
        if (hasGroup && m.FindGroup("App") == nullptr && !sweep::ShowedError(r)) return std::string("reported success without the group");
        return std::string();
    };
}

void SweepInstallOf(const Bytes& package, const char* what,
                    sim::Machine (*machine)() = FreshMachine) {
    sim::Machine reference = machine();
    ASSERT_EQ(scenario::Install(reference, package, Destination).exitCode, 0);

    sweep::Totals totals;
    const std::vector<std::string> problems = sweep::Sweep(
        machine,
        [&package](sim::Machine& m) { return scenario::Install(m, package, Destination); },
        SameWorkAs(reference), totals);
    sweep::Print(what, totals);
    EXPECT_GT(totals.runs, 100);
    EXPECT_GT(totals.failed, 0);
    EXPECT_THAT(problems, IsEmpty());
}

TEST(SweepInstall, EveryFailingCallOfAnInstallationEndsCleanly) {
    SweepInstallOf(EveryKindOfRecord(), "install of one of each kind of record");
}

TEST(SweepInstall, EveryFailingCallOfAServiceInstallationEndsCleanly) {
    SweepInstallOf(OneService(), "install of a service");
}

TEST(SweepInstall, EveryFailingCallOfAnNT351InstallationEndsCleanly) {
    SweepInstallOf(EveryKindOfRecord(), "install on NT 3.51", FreshNT351);
}

TEST(SweepInstall, EveryFailingCallOfAWindows95InstallationEndsCleanly) {
    SweepInstallOf(ForWindows95(), "install on Windows 95", sim::Machine::Windows95);
}

}  // namespace
