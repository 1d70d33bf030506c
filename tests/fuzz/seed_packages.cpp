#include "seed_packages.h"

#include "support/scenario.h"

namespace fuzz {

namespace {

PackageBuilder EveryRecord() {
    PackageBuilder b = scenario::AppPackage();
    b.UninstallDisplayName("App 1.0").UninstallItemName("Uninstall App").UninstallItemAlways()
        .Dir("DATA")
        .Dir("KEPT").KeepAtUninstall()
        .File("APP.EXE", TextBytes("the program")).AppPath()
        .File("README.TXT", PatternBytes(600)).Compressed()
        .File("DATA.DAT", TextBytes("data")).InDir("DATA")
        .File("NOTES.TXT", TextBytes("kept")).InDir("KEPT").KeepAtUninstall()
        .File("COMMON.DLL", TextBytes("shared")).InSystemDir().Shared().SelfRegister()
        .Group("App")
        .Item("App", "APP.EXE", "/x").IconNumber(1)
        .Item("Read me", "README.TXT")
        .RegKey(os::HKEY_LOCAL_MACHINE, "Software\\App")
        .Value("Path", os::REG_SZ, "C:\\APP")
        .Value("Runs", 3)
        .RegKey(os::HKEY_CURRENT_USER, "Software\\App Settings").KeepAtUninstall()
        .Value("Window", os::REG_SZ, "max");
    return b;
}

PackageBuilder WithService() {
    PackageBuilder b = scenario::AppPackage();
    b.File("SVC.EXE", TextBytes("service program"))
        .Service("AppSvc", "App Service", {"RpcSs"}).StartService();
    return b;
}

PackageBuilder SystemFiles() {
    PackageBuilder b = scenario::AppPackage();
    b.File("SYS.DLL", TextBytes("system library")).InSystemDir().Shared().CheckInUse()
        .NeedsRestart()
        .File("WIN.INI", TextBytes("[x]\r\n")).InWindowsDir().CompareVersion()
        .Version(0x00010002, 0x00030004)
        .File("RUN.EXE", TextBytes("runs at start")).RunService95();
    return b;
}

PackageBuilder Completion() {
    PackageBuilder b = scenario::AppPackage();
    b.HelpText("Help for App.").RestartText("Restart now?")
        .File("APP.HLP", TextBytes("help")).File("START.EXE", TextBytes("start"))
        .HelpFile(1, 7).RunAfterInstall("START.EXE", "-first");
    return b;
}

PackageBuilder Refusals() {
    PackageBuilder b = scenario::AppPackage();
    b.MinWindows(4, 0).RefuseWin32s().IniStrings(2, 0).DeleteLogOnSuccess()
        .Dir("SUB").SkipAtInstall()
        .File("NT.TXT", TextBytes("nt only")).NotOnWindows95()
        .File("95.TXT", TextBytes("95 only")).NotOnWindowsNT();
    return b;
}

}  // namespace

std::vector<std::pair<std::string, Package>> SeedPackages() {
    return {
        {"empty", scenario::AppPackage()},
        {"every_record", EveryRecord()},
        {"service", WithService()},
        {"system_files", SystemFiles()},
        {"completion", Completion()},
        {"refusals", Refusals()},
    };
}

}  // namespace fuzz
