// The uninstallation swept call by call: after an undisturbed installation,
// every platform call the uninstallation makes is made to fail once, in a
// run of its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sweep_harness.h"

using ::testing::IsEmpty;

namespace {

const char Destination[] = "C:\\APP";
const char SystemDll[] = "C:\\WINDOWS\\SYSTEM32\\COMMON.DLL";

Bytes EveryKindOfRecord() {
    PackageBuilder b = scenario::AppPackage();
    b.UninstallDisplayName("App 1.0")
        .Dir("DATA")
        .File("APP.EXE", TextBytes("the program")).Vital().AppPath()
        .File("README.TXT", PatternBytes(300)).Compressed().Vital().InDir("DATA")
        .File("COMMON.DLL", TextBytes("shared")).Vital().InSystemDir().Shared().SelfRegister()
        .File("SVC.EXE", TextBytes("service program")).Vital().Service("AppSvc", "App Service").StartService()
        .Group("App").Item("App", "APP.EXE")
        .RegKey(os::HKEY_LOCAL_MACHINE, "Software\\App")
        .Value("Path", os::REG_SZ, "C:\\APP")
        .Value("Runs", 3);
    return b.Build();
}

Bytes ForWindows95() {
    PackageBuilder b = scenario::AppPackage();
    b.UninstallDisplayName("App 1.0").UninstallItemName("Uninstall App").UninstallItemAlways()
        .Dir("DATA")
        .File("APP.EXE", TextBytes("the program")).Vital().RunService95().AppPath()
        .File("DATA.DAT", TextBytes("data")).Vital().InDir("DATA")
        .Group("App").Item("App", "APP.EXE", "/x")
        .RegKey(os::HKEY_CURRENT_USER, "Software\\App").Value("Window", os::REG_SZ, "max");
    return b.Build();
}

void SweepUninstallOf(const Bytes& package, const char* what, sim::Machine (*machine)()) {
    auto installed = [&package, machine]() {
        sim::Machine m = machine();
        m.AddComponent(SystemDll, 0, 0);
        scenario::RunResult r = scenario::Install(m, package, Destination);
        if (r.exitCode != 0) ADD_FAILURE() << "the installation before the uninstallation failed";
        return m;
    };
    sweep::Totals totals;
    const std::vector<std::string> problems = sweep::Sweep(
        installed, [](sim::Machine& m) { return scenario::Uninstall(m, Destination); },
        nullptr, totals);
    sweep::Print(what, totals);
    EXPECT_GT(totals.runs, 100);
    EXPECT_GT(totals.failed, 0);
    EXPECT_THAT(problems, IsEmpty());
}

TEST(SweepUninstall, EveryFailingCallOfAnUninstallationEndsCleanly) {
    SweepUninstallOf(EveryKindOfRecord(), "uninstall of one of each kind of record",
                     sim::Machine::NT40);
}

TEST(SweepUninstall, EveryFailingCallOfAWindows95UninstallationEndsCleanly) {
    SweepUninstallOf(ForWindows95(), "uninstall on Windows 95", sim::Machine::Windows95);
}

}  // namespace
