// The system checks: platform refusals, the Windows version, the
// destination drive's space and type, and the system directory test.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/scenario.h"

namespace {

using scenario::AppPackage;
using scenario::RunResult;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsSupersetOf;
using ::testing::Not;

// ---- Platform refusals ----------------------------------------------------------

struct RefusalCase {
    const char* name;
    std::function<sim::Machine()> machine;
    std::function<void(PackageBuilder&)> refuse;
    const char* text;
};

class PlatformRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(PlatformRefusal, StopsTheInstallationWithTheBareErrorCaption) {
    const RefusalCase& c = GetParam();
    sim::Machine m = c.machine();
    PackageBuilder b = AppPackage();
    c.refuse(b);
    RunResult r = scenario::RunPackage(m, b.Build());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), ElementsAre(std::string("Error|") + c.text));
    EXPECT_TRUE(m.DialogsOpened().empty());
    EXPECT_EQ(r.outstandingBlocks, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    EachPlatform, PlatformRefusal,
    ::testing::Values(
        RefusalCase{"Win32s", sim::Machine::Win32s, [](PackageBuilder& b) { b.RefuseWin32s(); },
                    "Sorry, but this software wont run on Win 32s."},
        RefusalCase{"Windows95", sim::Machine::Windows95,
                    [](PackageBuilder& b) { b.RefuseWindows95(); },
                    "Sorry, but this software wont run on Windows 95."},
        RefusalCase{"NT351", sim::Machine::NT351, [](PackageBuilder& b) { b.RefuseWindowsNT(); },
                    "Sorry, but this software wont run on Windows NT."},
        RefusalCase{"NT40", sim::Machine::NT40, [](PackageBuilder& b) { b.RefuseWindowsNT(); },
                    "Sorry, but this software wont run on Windows NT."},
        RefusalCase{"Windows10", sim::Machine::Windows10,
                    [](PackageBuilder& b) { b.RefuseWindowsNT(); },
                    "Sorry, but this software wont run on Windows NT."}),
    [](const ::testing::TestParamInfo<RefusalCase>& param) { return std::string(param.param.name); });

TEST(PlatformRefusal, AcceptsWindows95WhenOnlyWindowsNTIsRefused) {
    sim::Machine m = sim::Machine::Windows95();
    m.PressCancel();
    RunResult r = scenario::RunPackage(m, AppPackage().RefuseWindowsNT().RefuseWin32s().Build());
    EXPECT_THAT(m.DialogsOpened(), ElementsAre(os::MainDialogId));
    EXPECT_THAT(r.BoxTexts(), ElementsAre("Do you want to abort the installation?"));
}

TEST(PlatformRefusal, LetsTheUninstallerRunOnARefusedPlatform) {
    sim::Machine m = sim::Machine::NT40();
    m.AnswerQuestions({os::IDNO});
    const PackageBuilder b = AppPackage().RefuseWindowsNT().MinWindows(9);
    // The uninstaller is the package without its file data.
    Bytes uninstaller = b.Build();
    uninstaller.resize(b.Get().InfoOffset() + b.Get().InfoSize());
    RunResult r = scenario::RunPackage(m, uninstaller, "", "C:\\APP\\UNINST.EXE");
    EXPECT_THAT(r.BoxSummary(), ElementsAre("App Uninstall - Message|Remove App?"));
}

// ---- Windows version ----------------------------------------------------------

TEST(WindowsVersionCheck, RefusesNT351WhenVersion4IsRequired) {
    sim::Machine m = sim::Machine::NT351();
    RunResult r = scenario::RunPackage(m, AppPackage().MinWindows(4, 0).Build());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(),
                ElementsAre("App - Error|This software requires Windows 4.0 or later."));
    EXPECT_TRUE(m.DialogsOpened().empty());
}

TEST(WindowsVersionCheck, AcceptsWindows95WhenVersion4IsRequired) {
    sim::Machine m = sim::Machine::Windows95();
    m.PressCancel();
    scenario::RunPackage(m, AppPackage().MinWindows(4, 0).Build());
    EXPECT_THAT(m.DialogsOpened(), ElementsAre(os::MainDialogId));
}

TEST(WindowsVersionCheck, ComparesTheMinorVersionWhenTheMajorIsEqual) {
    sim::Machine accepted = sim::Machine::NT351();
    accepted.PressCancel();
    scenario::RunPackage(accepted, AppPackage().MinWindows(3, 51).Build());
    EXPECT_THAT(accepted.DialogsOpened(), ElementsAre(os::MainDialogId));

    sim::Machine refused = sim::Machine::NT351();
    refused.SetVersion(3, 50, 807, os::VER_PLATFORM_WIN32_NT);
    RunResult r = scenario::RunPackage(refused, AppPackage().MinWindows(3, 51).Build());
    EXPECT_THAT(r.BoxTexts(), ElementsAre("This software requires Windows 3.51 or later."));
}

TEST(WindowsVersionCheck, AcceptsAHigherMajorVersionWithALowerMinor) {
    sim::Machine m = sim::Machine::Windows10();
    m.PressCancel();
    scenario::RunPackage(m, AppPackage().MinWindows(4, 10).Build());
    EXPECT_THAT(m.DialogsOpened(), ElementsAre(os::MainDialogId));
}

// ---- Destination: log lines and disk space ----------------------------------------

// Three files of installed sizes 100, 200 and 300 stored in 40, 90 and 70
// bytes.
PackageBuilder ThreeFiles() {
    PackageBuilder b = AppPackage();
    b.Header().CreateUninstaller = 0;
    b.File("A.BIN", PatternBytes(40)).InstalledSize(100);
    b.File("B.BIN", PatternBytes(90, 2)).InstalledSize(200);
    b.File("C.BIN", PatternBytes(70, 3)).InstalledSize(300);
    return b;
}

TEST(DestinationCheck, WritesTheVersionDriveTypeAndSpaceLinesInOrder) {
    sim::Machine m = sim::Machine::NT40();
    m.SetClusterGeometry('C', 1, 1);
    m.SetFreeSpace('C', 5000000);
    RunResult r = scenario::Install(m, ThreeFiles().Build(), "C:\\APP");
    ASSERT_GE(r.logLines.size(), 6u);
    EXPECT_THAT(std::vector<std::string>(r.logLines.begin(), r.logLines.begin() + 6),
                ElementsAre("Created logfile: C:\\APP\\InstLog.txt", "Windows version: 4.0",
                            "Destination disk type: Fixed", "Available diskspace: 5000000",
                            "Disk space required: 66226", ""));
}

TEST(DestinationCheck, AddsTheUninstallerToTheRequirement) {
    sim::Machine m = sim::Machine::NT40();
    PackageBuilder b = ThreeFiles();
    b.Header().CreateUninstaller = 1;
    std::uint32_t uninstaller = b.Get().InfoOffset() + b.Get().InfoSize();
    RunResult r = scenario::Install(m, b.Build(), "C:\\APP");
    EXPECT_THAT(r.logLines,
                Contains("Disk space required: " + std::to_string(66226 + uninstaller)));
}

TEST(DestinationCheck, CountsNothingOfASkippedFile) {
    sim::Machine m = sim::Machine::NT40();
    PackageBuilder b = ThreeFiles();
    b.File("HUGE.BIN", PatternBytes(500)).InstalledSize(1000000).SkipAtInstall().InSystemDir();
    b.File("NT.BIN", PatternBytes(600)).InstalledSize(2000000).NotOnWindowsNT();
    RunResult r = scenario::Install(m, b.Build(), "C:\\APP");
    EXPECT_THAT(r.logLines, Contains("Disk space required: 66226"));
    EXPECT_THAT(r.logLines, Not(Contains("Testing system directory access rights...")));
}

TEST(DestinationCheck, AcceptsFreeSpaceExactlyEqualToTheRequirement) {
    sim::Machine m = sim::Machine::NT40();
    m.SetClusterGeometry('C', 1, 1);
    m.SetFreeSpace('C', 66226);
    RunResult r = scenario::Install(m, ThreeFiles().Build(), "C:\\APP");
    EXPECT_THAT(r.logLines, Contains("Available diskspace: 66226"));
    EXPECT_THAT(r.BoxTexts(), Not(Contains("Not enough space left on the destination drive.")));
    EXPECT_THAT(m.DialogsOpened(), ElementsAre(os::MainDialogId, os::ProgressDialogId));
}

TEST(DestinationCheck, RefusesOneByteTooLittleAndLogsTheRefusal) {
    sim::Machine m = sim::Machine::NT40();
    m.SetClusterGeometry('C', 1, 1);
    m.SetFreeSpace('C', 66225);
    RunResult r = scenario::Install(m, ThreeFiles().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(),
                ElementsAre("App - Error|Not enough space left on the destination drive."));
    EXPECT_THAT(m.DialogsOpened(), ElementsAre(os::MainDialogId));
    ASSERT_GE(r.logLines.size(), 3u);
    EXPECT_THAT(std::vector<std::string>(r.logLines.end() - 3, r.logLines.end()),
                ElementsAre("Not enough space left on the destination drive.", "",
                            "An error occured during installation!"));
    EXPECT_FALSE(m.Exists("C:\\APP\\A.BIN"));
}

TEST(DestinationCheck, AssumesTwentyMillionBytesWhenTheDriveCannotTell) {
    sim::Machine m = sim::Machine::NT40();
    m.FailCall("GetDiskFreeSpace", 0, os::ERROR_ACCESS_DENIED);
    PackageBuilder big = AppPackage();
    big.File("BIG.BIN", PatternBytes(100)).InstalledSize(20000000);
    RunResult r = scenario::Install(m, big.Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.logLines, Contains("Available diskspace: 20000000"));
    EXPECT_THAT(r.BoxTexts(), ElementsAre("Not enough space left on the destination drive."));
}

TEST(DestinationCheck, AcceptsASmallInstallationWhenTheDriveCannotTell) {
    sim::Machine m = sim::Machine::NT40();
    m.FailCall("GetDiskFreeSpace", 0, os::ERROR_ACCESS_DENIED);
    RunResult r = scenario::Install(m, ThreeFiles().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.logLines, Contains("Available diskspace: 20000000"));
}

// Drives whose free space passes 32 bits; held in 32 bits, 16 GiB would
// read as 0 bytes and 10 GiB as 2 GiB.
TEST(DestinationCheck, NeverRefusesADriveLargerThan4GiB) {
    for (std::uint64_t gib : {10ull, 16ull}) {
        sim::Machine m = sim::Machine::NT40();
        m.SetFreeSpace('C', gib << 30);
        PackageBuilder b = AppPackage();
        b.File("BIG.BIN", PatternBytes(100)).InstalledSize(0xC0000000u);  // 3 GiB
        RunResult r = scenario::Install(m, b.Build(), "C:\\APP");
        EXPECT_THAT(r.BoxTexts(), Not(Contains("Not enough space left on the destination drive.")))
            << gib;
        EXPECT_THAT(r.logLines, Contains("Available diskspace: " + std::to_string(gib << 30))) << gib;
        EXPECT_THAT(m.DialogsOpened(), ElementsAre(os::MainDialogId, os::ProgressDialogId)) << gib;
    }
}

struct DriveTypeCase {
    unsigned type;
    const char* text;
};

class DestinationDriveType : public ::testing::TestWithParam<DriveTypeCase> {};

TEST_P(DestinationDriveType, IsLoggedAndNeverRefused) {
    sim::Machine m = sim::Machine::NT40();
    m.AddDrive('E', GetParam().type, 1ull << 30);
    RunResult r = scenario::Install(m, ThreeFiles().Build(), "E:\\APP");
    EXPECT_THAT(r.logLines, Contains(std::string("Destination disk type: ") + GetParam().text));
    EXPECT_THAT(m.DialogsOpened(), ElementsAre(os::MainDialogId, os::ProgressDialogId));
}

INSTANTIATE_TEST_SUITE_P(
    EveryType, DestinationDriveType,
    ::testing::Values(DriveTypeCase{0, "The drive type cannot be determined"},
                      DriveTypeCase{1, "The root directory does not exist."},
                      DriveTypeCase{2, "Removable"}, DriveTypeCase{3, "Fixed"},
                      DriveTypeCase{4, "Remote"}, DriveTypeCase{5, "CD-ROM"},
                      DriveTypeCase{6, "RAM disk"}, DriveTypeCase{7, "Unknown drive type"}),
    [](const ::testing::TestParamInfo<DriveTypeCase>& param) {
        return "Type" + std::to_string(param.param.type);
    });

// ---- System directory ---------------------------------------------------------------

TEST(SystemDirectoryCheck, TestsWriteAccessAndLeavesNothingBehind) {
    sim::Machine m = sim::Machine::NT40();
    // Directories given with a trailing backslash are used without it.
    m.SetWindowsDirectory("C:\\WINDOWS\\");
    m.SetSystemDirectory("C:\\WINDOWS\\SYSTEM32\\");
    PackageBuilder b = AppPackage();
    b.File("SYS.DLL", TextBytes("sys")).InSystemDir();
    b.File("APP.INI", TextBytes("ini")).InWindowsDir();
    RunResult r = scenario::Install(m, b.Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.logLines, IsSupersetOf({"Creating file: C:\\WINDOWS\\SYSTEM32\\SYS.DLL",
                                          "Creating file: C:\\WINDOWS\\APP.INI"}));
    EXPECT_THAT(r.logLines, Contains("Testing system directory access rights..."));
    EXPECT_FALSE(m.Exists("C:\\WINDOWS\\SYSTEM32\\__test__.tst"));
    EXPECT_EQ(m.ReadText("C:\\WINDOWS\\SYSTEM32\\SYS.DLL"), "sys");
}

TEST(SystemDirectoryCheck, RefusesASystemDirectoryThatCannotBeWritten) {
    sim::Machine m = sim::Machine::NT40();
    // The log is the first file created, the test file the second.
    m.FailCall("LCreat", 2, os::ERROR_ACCESS_DENIED);
    PackageBuilder b = AppPackage();
    b.File("SYS.DLL", TextBytes("sys")).InSystemDir();
    RunResult r = scenario::Install(m, b.Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(),
                ElementsAre("App - Error|Couldn't write to the system directory.\r\nThe installation "
                            "program needs write access rights to the system directory to complete "
                            "the installation."));
    EXPECT_THAT(m.DialogsOpened(), ElementsAre(os::MainDialogId));
    EXPECT_FALSE(m.Exists("C:\\WINDOWS\\SYSTEM32\\__test__.tst"));
}

TEST(SystemDirectoryCheck, IsTriggeredByASkippedDirectoryRecordInTheSystemDirectory) {
    sim::Machine m = sim::Machine::NT40();
    PackageBuilder b = AppPackage();
    b.Dir("SYSSUB").InSystemDir().SkipAtInstall();
    RunResult r = scenario::Install(m, b.Build(), "C:\\APP");
    EXPECT_THAT(r.logLines, Contains("Testing system directory access rights..."));

    // A file's own flag counts even when its directory record places it.
    sim::Machine placed = sim::Machine::NT40();
    PackageBuilder f = AppPackage();
    f.Dir("SUB").File("SYS.DLL", TextBytes("sys")).InDir("SUB").InSystemDir();
    RunResult p = scenario::Install(placed, f.Build(), "C:\\APP");
    EXPECT_THAT(p.logLines, Contains("Testing system directory access rights..."));
}

TEST(SystemDirectoryCheck, IsNotRunWhenNothingGoesToTheSystemDirectory) {
    sim::Machine m = sim::Machine::NT40();
    RunResult r = scenario::Install(m, ThreeFiles().Build(), "C:\\APP");
    EXPECT_THAT(r.logLines, Not(Contains("Testing system directory access rights...")));
    EXPECT_THAT(r.logLines, IsSupersetOf({"Windows version: 4.0", "Destination disk type: Fixed"}));
}

}  // namespace
