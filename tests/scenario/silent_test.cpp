// Unattended runs: the switches, a run without any window, the safe answers,
// the log and the exit codes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "run/command_line.h"
#include "support/scenario.h"

namespace {

using scenario::AppPackage;
using scenario::RunResult;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

const char EntryKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App 1.0";
const char SharedDlls[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// ---- The switches -------------------------------------------------------------

struct TailRow {
    const char* tail;
    CommandLine kind;
    bool silent;
    std::string log;
    std::string destination;
};

TEST(ReadCommandLine, ReadsTheSwitchesAndLeavesEveryOtherTailAPackagePath) {
    const std::string longest(254 - 3, 'D');
    const std::string longestLog(259 - 3, 'L');
    const TailRow rows[] = {
        {"/S", CommandLine::Switches, true, "", ""},
        {"/s  \t", CommandLine::Switches, true, "", ""},
        {"/S /D=C:\\Program Files\\My App", CommandLine::Switches, true, "", "C:\\Program Files\\My App"},
        {"/S /d=\"C:\\Program Files\\My App\"  ", CommandLine::Switches, true, "", "C:\\Program Files\\My App"},
        {"/S\t/D=C:\\APP", CommandLine::Switches, true, "", "C:\\APP"},
        {"/S /LOG=C:\\TEMP\\setup log.txt", CommandLine::Switches, true, "C:\\TEMP\\setup log.txt", ""},
        {"/S /Log=\"C:\\A B\\x.log\" /D=C:\\APP", CommandLine::Switches, true, "C:\\A B\\x.log", "C:\\APP"},
        {"/S /LOG=C:\\x.log   /d=\"C:\\My App\"", CommandLine::Switches, true, "C:\\x.log", "C:\\My App"},
        // /D= takes the rest of the line, whatever it holds.
        {"/S /D=C:\\APP /LOG=C:\\x.log", CommandLine::Switches, true, "", "C:\\APP /LOG=C:\\x.log"},
        {"/S /LOG=C:\\a/D=b.log", CommandLine::Switches, true, "C:\\a/D=b.log", ""},
        // Not a switch: package paths, as they always were.
        {"/Setup\\PKG.EXE", CommandLine::PackagePath, false, "", ""},
        {"/Data\\PKG.EXE", CommandLine::PackagePath, false, "", ""},
        {"C:\\TEMP\\SETUP.EXE /S", CommandLine::PackagePath, false, "", ""},
        {"-s", CommandLine::PackagePath, false, "", ""},
        {"/Q", CommandLine::PackagePath, false, "", ""},
        {"", CommandLine::PackagePath, false, "", ""},
        // A switch and something that does not parse.
        {"/D=C:\\APP", CommandLine::Invalid, false, "", ""},
        {"/log=C:\\x.log", CommandLine::Invalid, false, "", ""},
        {"/LOG=C:\\x.log /S", CommandLine::Invalid, false, "", ""},
        {"/S /S", CommandLine::Invalid, true, "", ""},
        {"/S /X", CommandLine::Invalid, true, "", ""},
        {"/S C:\\TEMP\\SETUP.EXE", CommandLine::Invalid, true, "", ""},
        {"/S /D=", CommandLine::Invalid, true, "", ""},
        {"/S /D=   ", CommandLine::Invalid, true, "", ""},
        {"/S /D=\"\"", CommandLine::Invalid, true, "", ""},
        {"/S /D=\"C:\\APP", CommandLine::Invalid, true, "", ""},
        {"/S /D=C:\\A\"B", CommandLine::Invalid, true, "", ""},
        {"/S \"/D=C:\\My App\"", CommandLine::Invalid, true, "", ""},
        {"/S /LOG=", CommandLine::Invalid, true, "", ""},
        {"/S /LOG= /D=C:\\APP", CommandLine::Invalid, true, "", ""},
        {"/S /LOG=C:\\x.log /D=", CommandLine::Invalid, true, "C:\\x.log", ""},
        {"/S /LOG=C:\\x.log junk", CommandLine::Switches, true, "C:\\x.log junk", ""},
    };
    for (const TailRow& row : rows) {
        sim::Machine m = sim::Machine::NT40();
        ::Run run(m);
        EXPECT_EQ(ReadCommandLine(run, row.tail), row.kind) << row.tail;
        EXPECT_EQ(run.Silent, row.silent) << row.tail;
        EXPECT_EQ(std::string(run.LogSwitch), row.log) << row.tail;
        EXPECT_EQ(std::string(run.DestinationSwitch), row.destination) << row.tail;
    }
    // The destination takes what the main dialog's field takes, the log a path.
    const struct {
        std::string tail;
        CommandLine kind;
    } lengths[] = {
        {"/S /D=C:\\" + longest, CommandLine::Switches},
        {"/S /D=C:\\" + longest + "D", CommandLine::Invalid},
        {"/S /D=\"C:\\" + longest + "\"", CommandLine::Switches},
        {"/S /LOG=C:\\" + longestLog, CommandLine::Switches},
        {"/S /LOG=C:\\" + longestLog + "L", CommandLine::Invalid},
    };
    for (const auto& row : lengths) {
        sim::Machine m = sim::Machine::NT40();
        ::Run run(m);
        EXPECT_EQ(ReadCommandLine(run, row.tail.c_str()), row.kind) << row.tail.size();
    }
}

// ---- Helpers --------------------------------------------------------------------

// Every platform call that opens, touches or draws a window, sounds, or
// starts something for the user to look at.
const char* const ScreenCalls[] = {
    "MessageBox", "DialogBox", "EndDialog", "PostMessage", "SendCancelCommand", "SetItemText",
    "GetItemText", "LimitItemText", "SelectItemText", "FocusItem", "MessageBeep", "SetWindowText",
    "SetSmallIcon", "GetDesktopRect", "GetClientRect", "MoveWindow", "ShowWindow", "GetItemRect",
    "SetWaitCursor", "GetAsyncKeyState", "GetCursorPos", "BeginPaint", "EndPaint", "GetDC",
    "ReleaseDC", "PaintProgress"};

std::vector<std::string> ScreenCallsMade(const sim::Machine& m) {
    std::vector<std::string> made;
    for (const char* name : ScreenCalls)
        if (m.CallCount(name) != 0) made.push_back(name);
    if (!m.ShellExecutes().empty()) made.push_back("ShellExecute");
    if (!m.WinHelps().empty()) made.push_back("WinHelp");
    if (m.ExitWindowsCalled()) made.push_back("ExitWindowsEx");
    return made;
}

std::vector<std::string> Lines(const sim::Machine& m, const std::string& path) {
    return scenario::SplitLines(m.ReadText(path));
}

std::vector<std::string> LastLines(const std::vector<std::string>& lines, std::size_t n) {
    if (lines.size() < n) return lines;
    return std::vector<std::string>(lines.end() - static_cast<std::ptrdiff_t>(n), lines.end());
}

// A package with a program to run, a help file, an entry, and a log that
// the package would delete on success.
PackageBuilder SilentPackage() {
    PackageBuilder b = AppPackage();
    b.UninstallDisplayName("App 1.0").CreateLog(false).DeleteLogOnSuccess();
    b.File("README.TXT", TextBytes("read me")).File("APP.HLP", TextBytes("help"));
    b.RunAfterInstall("README.TXT").HelpFile(2, 5);
    return b;
}

sim::Machine MachineWithLists() {
    sim::Machine m = sim::Machine::NT40();
    m.CreateKey(os::HKEY_LOCAL_MACHINE, SharedDlls);
    m.CreateKey(os::HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    return m;
}

// ---- A silent installation ----------------------------------------------------------

TEST(SilentInstall, InstallsToTheProposedDestinationWithoutAWindowAndKeepsItsLog) {
    sim::Machine m = MachineWithLists();
    RunResult r = scenario::RunPackage(m, SilentPackage().Build(), "/S");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(ScreenCallsMade(m), IsEmpty());
    EXPECT_EQ(m.ReadText("C:\\Program Files\\APP\\README.TXT"), "read me");
    EXPECT_TRUE(m.Exists("C:\\Program Files\\APP\\UNINST.EXE"));
    // Kept although the package asks for no log and for its deletion.
    const std::vector<std::string> log = Lines(m, "C:\\Program Files\\APP\\InstLog.txt");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "Created logfile: C:\\Program Files\\APP\\InstLog.txt");
    EXPECT_THAT(LastLines(log, 3), ElementsAre("", "The installation was successful!", "Exit code: 0"));
    EXPECT_THAT(log, Not(Contains(::testing::StartsWith("Executing: "))));
    EXPECT_EQ(m.GetString(os::HKEY_LOCAL_MACHINE, EntryKey, "UninstallString"),
              "\"C:\\Program Files\\APP\\UNINST.EXE\"");
    EXPECT_EQ(m.GetString(os::HKEY_LOCAL_MACHINE, EntryKey, "QuietUninstallString"),
              "\"C:\\Program Files\\APP\\UNINST.EXE\" /S");
    EXPECT_EQ(r.outstandingBlocks, 0u);
    EXPECT_EQ(r.openFiles, 0u);
}

TEST(SilentInstall, TakesTheDestinationOfDAndWritesTheLogOfLogOnly) {
    sim::Machine m = MachineWithLists();
    m.MakeDirectories("C:\\My Apps");
    m.MakeDirectories("C:\\LOGS");
    RunResult r = scenario::RunPackage(m, SilentPackage().CreateLog().Build(),
                                       "/s /log=\"C:\\LOGS\\app setup.log\" /d=\"C:\\My Apps\\App\" ");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(ScreenCallsMade(m), IsEmpty());
    EXPECT_EQ(m.ReadText("C:\\My Apps\\App\\README.TXT"), "read me");
    EXPECT_FALSE(m.Exists("C:\\My Apps\\App\\InstLog.txt"));
    const std::vector<std::string> log = Lines(m, "C:\\LOGS\\app setup.log");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "Created logfile: C:\\LOGS\\app setup.log");
    EXPECT_THAT(log, Contains("Windows version: 4.0"));
    EXPECT_THAT(LastLines(log, 2), ElementsAre("The installation was successful!", "Exit code: 0"));
    EXPECT_EQ(m.GetString(os::HKEY_LOCAL_MACHINE, EntryKey, "QuietUninstallString"),
              "\"C:\\My Apps\\App\\UNINST.EXE\" /S");
}

TEST(SilentInstall, LogsToTheDestinationWhenTheLogOfLogCannotBeCreated) {
    sim::Machine m = MachineWithLists();
    RunResult r = scenario::RunPackage(m, SilentPackage().Build(),
                                       "/S /LOG=C:\\APP\\setup.log /D=C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(ScreenCallsMade(m), IsEmpty());
    EXPECT_FALSE(m.Exists("C:\\APP\\setup.log"));
    const std::vector<std::string> log = Lines(m, "C:\\APP\\InstLog.txt");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "Created logfile: C:\\APP\\InstLog.txt");
    EXPECT_THAT(LastLines(log, 2), ElementsAre("The installation was successful!", "Exit code: 0"));
}

TEST(SilentInstall, LeavesTheRestartToTheCallerWithExitCode3) {
    sim::Machine m = MachineWithLists();
    m.WriteFile("C:\\WINDOWS\\SYSTEM32\\SHARED.DLL", "old shared");
    PackageBuilder b = SilentPackage();
    b.RestartText("Restart Windows now?");
    b.File("SHARED.DLL", PatternBytes(2000)).Compressed().Shared().InSystemDir();
    RunResult r = scenario::RunPackage(m, b.Build(), "/S /D=C:\\APP");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_THAT(ScreenCallsMade(m), IsEmpty());
    EXPECT_FALSE(m.DelayedMoves().empty());
    EXPECT_EQ(m.ReadText("C:\\WINDOWS\\SYSTEM32\\SHARED.DLL"), "old shared");
    EXPECT_THAT(LastLines(Lines(m, "C:\\APP\\InstLog.txt"), 2),
                ElementsAre("The installation was successful!", "Exit code: 3"));
}

// Every way a silent installation is refused or fails: exit code 1, no
// window, and the message in the log.
struct RefusalRow {
    const char* name;
    std::string tail;  // after "/S /LOG=C:\SILENT.LOG"
    std::function<void(sim::Machine&, PackageBuilder&)> arrange;
    std::string text;  // the start of the logged message
    bool notAPackage = false;
};

TEST(SilentInstall, EndsEveryRefusalWithExitCode1AndItsMessageInTheLog) {
    const RefusalRow rows[] = {
        {"relative destination", " /D=APP", nullptr, "Illegal path."},
        {"destination without its parent", " /D=C:\\NO\\SUCH\\APP", nullptr,
         "Couldn't create the destination directory."},
        {"full disk", "", [](sim::Machine& m, PackageBuilder&) { m.SetFreeSpace('C', 1000); },
         "Not enough space left on the destination drive."},
        {"system directory read-only", "",
         [](sim::Machine& m, PackageBuilder& b) {
             b.File("SYS.DLL", TextBytes("s")).InSystemDir();
             m.FailCall("LCreat", 2, 5);  // the first is the log
         },
         "Couldn't write to the system directory."},
        {"old Windows", "", [](sim::Machine&, PackageBuilder& b) { b.MinWindows(5, 0); },
         "This software requires Windows 5.0 or later."},
        {"refused platform", "", [](sim::Machine&, PackageBuilder& b) { b.RefuseWindowsNT(); },
         "Sorry, but this software wont run on Windows NT."},
        {"file in use", "",
         [](sim::Machine& m, PackageBuilder& b) {
             b.File("HOOK.DLL", TextBytes("h")).CheckInUse();
             m.LoadModule("HOOK");
         },
         "The file 'HOOK.DLL' is currently used by an application or by Windows. Make sure the "
         "file isn't in use before starting the installation again."},
        {"file held by another program", " /D=C:\\APP",
         [](sim::Machine& m, PackageBuilder&) {
             m.WriteFile("C:\\APP\\README.TXT", "old");
             m.LockFile("C:\\APP\\README.TXT");
         },
         "An error occured during the installation."},
        {"no installation information", "", nullptr, "Couldn't find the installation information.",
         true},
        {"unparsable switches", " /D=\"C:\\APP", nullptr, "Invalid command line."},
    };
    for (const RefusalRow& row : rows) {
        SCOPED_TRACE(row.name);
        sim::Machine m = MachineWithLists();
        PackageBuilder b = SilentPackage();
        if (row.arrange) row.arrange(m, b);
        const Bytes package = row.notAPackage ? TextBytes("MZ and nothing else") : b.Build();
        RunResult r = scenario::RunPackage(m, package, "/S /LOG=C:\\SILENT.LOG" + row.tail);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_THAT(ScreenCallsMade(m), IsEmpty());
        const std::vector<std::string> log = Lines(m, "C:\\SILENT.LOG");
        EXPECT_THAT(log, Contains(::testing::StartsWith(row.text)));
        EXPECT_THAT(LastLines(log, 2), ElementsAre("An error occured during installation!", "Exit code: 1"));
        EXPECT_FALSE(m.Exists("C:\\Program Files\\APP\\README.TXT"));
        EXPECT_EQ(r.outstandingBlocks, 0u);
        EXPECT_EQ(r.openFiles, 0u);
    }
}

TEST(SilentInstall, RefusesUnparsableSwitchesWithABoxOnlyWithoutS) {
    sim::Machine m = MachineWithLists();
    RunResult r = scenario::RunPackage(m, SilentPackage().Build(), "/D=C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), ElementsAre("Error|Invalid command line."));
    EXPECT_FALSE(m.Exists("C:\\APP"));
    r = scenario::RunPackage(m, SilentPackage().Build(), "/S /D=");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.boxes, IsEmpty());
    EXPECT_EQ(m.CallCount("LOpen"), 0);
}

// ---- A silent uninstallation ------------------------------------------------------

struct Installed {
    Installed() : m(MachineWithLists()) {
        m.AddComponent("C:\\WINDOWS\\SYSTEM32\\COMMON.DLL", 0, 0);
        PackageBuilder b = SilentPackage();
        b.File("COMMON.DLL", TextBytes("shared library")).InSystemDir().Shared().SelfRegister();
        // Checked for use at uninstallation; not loaded at installation.
        b.File("HOOK.DLL", TextBytes("hook")).CheckInUse();
        b.File("APPSVC.EXE", TextBytes("service")).Service("APPSVC", "App Service");
        const RunResult r = scenario::RunPackage(m, b.Build(), "/S /D=C:\\Program Files\\App");
        EXPECT_EQ(r.exitCode, 0);
    }
    RunResult UninstallWith(const std::string& tail) {
        m.SetModuleFileName("C:\\Program Files\\App\\UNINST.EXE");
        return scenario::RunAsIs(m, tail);
    }
    sim::Machine m;
};

TEST(SilentUninstall, RemovesTheInstallationAndItselfKeepingTheUnusedSharedFile) {
    Installed t;
    RunResult r = t.UninstallWith("/S");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(ScreenCallsMade(t.m), IsEmpty());
    // No: the shared file nobody counts any more stays.
    EXPECT_TRUE(t.m.Exists("C:\\WINDOWS\\SYSTEM32\\COMMON.DLL"));
    EXPECT_FALSE(t.m.HasValue(os::HKEY_LOCAL_MACHINE, SharedDlls, "C:\\WINDOWS\\SYSTEM32\\COMMON.DLL"));
    EXPECT_FALSE(t.m.Exists("C:\\Program Files\\App\\README.TXT"));
    EXPECT_FALSE(t.m.KeyExists(os::HKEY_LOCAL_MACHINE, EntryKey));
    EXPECT_FALSE(t.m.HasService("APPSVC"));
    // Without /LOG= an uninstallation writes no log.
    EXPECT_EQ(r.logPath, "");
    ASSERT_EQ(t.m.StartedProcesses().size(), 1u);
    // The command line is the quoted batch path and the batch's tries.
    const std::string line = t.m.StartedProcesses()[0].commandLine;
    const std::size_t close = line.find('"', 1);
    ASSERT_NE(close, std::string::npos);
    ASSERT_TRUE(t.m.RunBatch(line.substr(1, close - 1), line.substr(close + 1)));
    EXPECT_FALSE(t.m.Exists("C:\\Program Files\\App"));
}

TEST(SilentUninstall, WritesTheLogOfLogWithItsErrors) {
    Installed t;
    t.m.FailServiceDelete("APPSVC", 1072);
    RunResult r = t.UninstallWith("/S /LOG=C:\\UNINST.LOG");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(ScreenCallsMade(t.m), IsEmpty());
    // The whole log: the uninstallation writes no lines of its own (no
    // "Removing service" as the installation's pre-pass does), only its errors.
    EXPECT_THAT(Lines(t.m, "C:\\UNINST.LOG"),
                ElementsAre("Created logfile: C:\\UNINST.LOG",
                            "Couldn't remove the service 'App Service'. Error code: 1072.", "",
                            "An error occured during uninstallation!", "Exit code: 1"));
    EXPECT_THAT(t.m.StartedProcesses(), IsEmpty());
}

TEST(SilentUninstall, RefusesADestinationAndALoadedFileWithExitCode1) {
    const struct {
        const char* tail;
        bool hookLoaded;
        const char* text;
    } rows[] = {
        {"/S /LOG=C:\\UNINST.LOG /D=C:\\ELSEWHERE", false, "Invalid command line."},
        {"/S /LOG=C:\\UNINST.LOG", true,
         "The file 'HOOK.DLL' is currently used by an application or by Windows. Make sure the "
         "file isn't in use before uninstalling."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.tail);
        Installed t;
        if (row.hookLoaded) t.m.LoadModule("HOOK");
        RunResult r = t.UninstallWith(row.tail);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_THAT(ScreenCallsMade(t.m), IsEmpty());
        EXPECT_THAT(Lines(t.m, "C:\\UNINST.LOG"), Contains(row.text));
        EXPECT_TRUE(t.m.Exists("C:\\Program Files\\App\\README.TXT"));
        EXPECT_TRUE(t.m.KeyExists(os::HKEY_LOCAL_MACHINE, EntryKey));
        EXPECT_THAT(t.m.StartedProcesses(), IsEmpty());
    }
}

}  // namespace
