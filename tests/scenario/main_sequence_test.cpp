// The whole program from entry to exit code: the package path, the mode,
// the order of the steps, and the final sequence from every way out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "run/main_sequence.h"
#include "support/scenario.h"

namespace {

using scenario::AppPackage;
using scenario::RunResult;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

PackageBuilder OneFilePackage() {
    PackageBuilder b = AppPackage();
    b.File("README.TXT", TextBytes("read me"));
    return b;
}

// What an installation leaves as the uninstaller: the package up to the end
// of its information, without file data.
Bytes UninstallerOf(const PackageBuilder& b) {
    Bytes bytes = b.Build();
    bytes.resize(b.Get().InfoOffset() + b.Get().InfoSize());
    return bytes;
}

// ---- The command line -------------------------------------------------------

TEST(CommandLineTail, SkipsAnUnquotedProgramNameAndTheBlanksAfterIt) {
    EXPECT_STREQ(CommandLineTail("SETUP.EXE   C:\\TEMP\\A.EXE"), "C:\\TEMP\\A.EXE");
    EXPECT_STREQ(CommandLineTail("SETUP.EXE"), "");
    EXPECT_STREQ(CommandLineTail("SETUP.EXE\t\x01 x y "), "x y ");
}

TEST(CommandLineTail, EndsAQuotedProgramNameAtItsClosingQuote) {
    EXPECT_STREQ(CommandLineTail("\"C:\\My Setup\\SETUP.EXE\" \"C:\\A B\\P.EXE\""),
                 "\"C:\\A B\\P.EXE\"");
    EXPECT_STREQ(CommandLineTail("\"C:\\My Setup\\SETUP.EXE\""), "");
    EXPECT_STREQ(CommandLineTail("\"C:\\unclosed name"), "");
}

TEST(CommandLineTail, TakesCharactersAbove127AsPartOfTheName) {
    EXPECT_STREQ(CommandLineTail("SET\xE9UP.EXE rest"), "rest");
}

TEST(MainSequence, ReadsThePackageNamedOnTheCommandLine) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\TEMP\\SETUP.EXE", OneFilePackage().Build());
    m.SetModuleFileName("C:\\BIN\\STUB.EXE");
    m.TypeDestination("C:\\APP");
    m.PressInstall();
    RunResult r = scenario::RunAsIs(m, "C:\\TEMP\\SETUP.EXE");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.ReadText("C:\\APP\\README.TXT"), "read me");
}

TEST(MainSequence, KeepsTheQuotesOfTheCommandLineAsPartOfThePath) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\TEMP\\SETUP.EXE", OneFilePackage().Build());
    RunResult r = scenario::RunAsIs(m, "\"C:\\TEMP\\SETUP.EXE\"");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), ElementsAre("Error|Couldn't open the program."));
}

TEST(MainSequence, RefusesAPackagePathLongerThanItsBufferInsteadOfCuttingIt) {
    sim::Machine m = sim::Machine::NT40();
    std::string path = "C:\\" + std::string(1020, 'A');
    RunResult r = scenario::RunAsIs(m, path + "\\SETUP.EXE");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), ElementsAre("Error|Couldn't open the program."));
    EXPECT_EQ(m.CallCount("LOpen"), 0);
    EXPECT_EQ(r.outstandingBlocks, 0u);
}

TEST(MainSequence, ReportsAMissingPackageWithTheBareErrorCaption) {
    sim::Machine m = sim::Machine::NT40();
    m.SetModuleFileName("C:\\NOWHERE\\SETUP.EXE");
    RunResult r = scenario::RunAsIs(m);
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].caption, "Error");
    EXPECT_EQ(r.boxes[0].text, "Couldn't open the program.");
    EXPECT_EQ(r.boxes[0].type, os::MB_OK | os::MB_ICONERROR);
}

// ---- The mode ---------------------------------------------------------------

TEST(MainSequence, RunsAsUninstallerWhenTheNameMatchesInAnyLetterCase) {
    sim::Machine m = sim::Machine::NT40();
    m.AnswerQuestions({os::IDNO});
    RunResult r = scenario::RunPackage(m, UninstallerOf(OneFilePackage()), "", "C:\\APP\\uninst.exe");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), ElementsAre("App Uninstall - Message|Remove App?"));
    EXPECT_TRUE(m.DialogsOpened().empty());
}

TEST(MainSequence, EndsWithCode1AndChangesNothingWhenTheUninstallQuestionIsAnsweredNo) {
    sim::Machine m = sim::Machine::NT40();
    scenario::Install(m, OneFilePackage().Build(), "C:\\APP");
    sim::FileSnapshot files = m.SnapshotFiles();
    sim::RegistrySnapshot registry = m.SnapshotRegistry();
    m.AnswerQuestions({os::IDNO});
    RunResult r = scenario::Uninstall(m, "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].type, os::MB_YESNO | os::MB_ICONQUESTION | os::MB_DEFBUTTON2);
    EXPECT_EQ(m.SnapshotFiles(), files);
    EXPECT_EQ(m.SnapshotRegistry(), registry);
    EXPECT_TRUE(m.StartedProcesses().empty());
    EXPECT_EQ(r.outstandingBlocks, 0u);
}

TEST(MainSequence, TakesTheUninstallDestinationFromTheProgramsOwnDirectory) {
    sim::Machine m = sim::Machine::NT40();
    scenario::Install(m, OneFilePackage().Build(), "C:\\APP");
    m.SetModuleFileName("C:\\TOOLS\\RUNNER.EXE");
    scenario::RunAsIs(m, "C:\\APP\\UNINST.EXE");
    // The file in C:\APP is not the uninstaller's: the destination is C:\TOOLS.
    EXPECT_TRUE(m.Exists("C:\\APP\\README.TXT"));
    ASSERT_EQ(m.StartedProcesses().size(), 1u);
    std::string batch = m.StartedProcesses()[0].commandLine;
    batch = batch.substr(1, batch.size() - 2);
    EXPECT_THAT(m.ReadText(batch), HasSubstr("rd \"C:\\TOOLS\"\r\n"));
}

TEST(MainSequence, RefusesToUninstallWhenItsOwnDirectoryIsUnknown) {
    sim::Machine m = sim::Machine::NT40();
    scenario::Install(m, OneFilePackage().Build(), "C:\\APP");
    m.WriteFile("C:\\README.TXT", "not the package's");
    // The first call names the package; the second, for the destination, fails.
    m.FailCall("GetModuleFileName", m.CallCount("GetModuleFileName") + 2,
               os::ERROR_NOT_ENOUGH_MEMORY);
    RunResult r = scenario::Uninstall(m, "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxTexts(), ElementsAre("Remove App?", "Couldn't open the program."));
    EXPECT_EQ(m.ReadText("C:\\README.TXT"), "not the package's");
    EXPECT_EQ(m.ReadText("C:\\APP\\README.TXT"), "read me");
    EXPECT_EQ(r.outstandingBlocks, 0u);
}

// ---- ProgramFilesDir ----------------------------------------------------------

TEST(MainSequence, ProposesProgramFilesDirAndTheDefaultSubdirectory) {
    sim::Machine m = sim::Machine::NT40();
    m.SetProgramFilesDir("D:\\Programs\\");
    m.PressCancel();
    m.AnswerQuestions({os::IDYES});
    scenario::RunPackage(m, AppPackage().Build());
    EXPECT_EQ(m.ItemHistory(258).front(), "D:\\Programs\\APP");
}

TEST(MainSequence, ProposesTheWindowsDriveWhenProgramFilesDirIsMissing) {
    sim::Machine m = sim::Machine::NT40();
    m.RemoveProgramFilesDir();
    m.PressCancel();
    scenario::RunPackage(m, AppPackage().Build());
    EXPECT_EQ(m.ItemHistory(258).front(), "C:\\APP");
}

TEST(MainSequence, ProposesARootlessPathWhenTheWindowsKeyIsMissing) {
    sim::Machine m = sim::Machine::NT40();
    m.RemoveCurrentVersionKey();
    m.PressCancel();
    scenario::RunPackage(m, AppPackage().Build());
    EXPECT_EQ(m.ItemHistory(258).front(), "\\APP");
}

// ---- Files in use -------------------------------------------------------------

TEST(MainSequence, RefusesToInstallOverAFileLoadedAsAModule) {
    sim::Machine m = sim::Machine::NT40();
    m.LoadModule("TOOL");
    RunResult r = scenario::RunPackage(
        m, AppPackage().File("SUB\\TOOL.DLL", TextBytes("x")).CheckInUse().Build());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(),
                ElementsAre("App - Error|The file 'SUB\\TOOL.DLL' is currently used by an application "
                            "or by Windows. Make sure the file isn't in use before starting the "
                            "installation again."));
    EXPECT_TRUE(m.DialogsOpened().empty());
}

TEST(MainSequence, IgnoresALoadedModuleWhoseRecordIsSkippedOrExcluded) {
    for (int variant = 0; variant < 3; ++variant) {
        sim::Machine m = sim::Machine::NT40();
        m.LoadModule("TOOL.DLL");
        PackageBuilder b = AppPackage();
        b.File("TOOL.DLL", TextBytes("x")).CheckInUse();
        if (variant == 0) b.SkipAtInstall();
        if (variant == 1) b.NotOnWindowsNT();
        if (variant == 2) b.CheckInUse(false);
        m.PressCancel();
        RunResult r = scenario::RunPackage(m, b.Build());
        EXPECT_THAT(m.DialogsOpened(), ElementsAre(os::MainDialogId)) << variant;
        EXPECT_THAT(r.BoxTexts(), ElementsAre("Do you want to abort the installation?")) << variant;
    }
}

TEST(MainSequence, RefusesToUninstallAFileLoadedAsAModuleUnlessItIsKept) {
    sim::Machine m = sim::Machine::NT40();
    m.LoadModule("TOOL");
    RunResult r = scenario::RunPackage(
        m, UninstallerOf(AppPackage().File("TOOL.DLL", TextBytes("x")).CheckInUse().SkipAtInstall()),
        "", "C:\\APP\\UNINST.EXE");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(),
                ElementsAre("App Uninstall - Error|The file 'TOOL.DLL' is currently used by an "
                            "application or by Windows. Make sure the file isn't in use before "
                            "uninstalling."));

    sim::Machine kept = sim::Machine::NT40();
    kept.LoadModule("TOOL");
    kept.AnswerQuestions({os::IDNO});
    RunResult k = scenario::RunPackage(
        kept, UninstallerOf(AppPackage().File("TOOL.DLL", TextBytes("x")).CheckInUse().KeepAtUninstall()),
        "", "C:\\APP\\UNINST.EXE");
    EXPECT_THAT(k.BoxTexts(), ElementsAre("Remove App?"));
}

TEST(MainSequence, RefusesToUninstallWithAFileThatHoldsMoreThanTheInformationAndItsRecord) {
    const Bytes uninstaller = UninstallerOf(OneFilePackage());
    Bytes withData = OneFilePackage().Build();
    Bytes withJunk = uninstaller;
    withJunk.insert(withJunk.end(), {'x', 'y'});
    // A tag whose length does not reach back to the information.
    Bytes badLength = uninstaller;
    const char tail[] = {'F', 'C', ':', '\\', 'A', 0, 9, 0, 0, 0, 'i', 'N', 'S', 't', 'R', 'e', 'C', '1'};
    badLength.insert(badLength.end(), tail, tail + sizeof tail);
    for (const Bytes& file : {withData, withJunk, badLength}) {
        sim::Machine m = sim::Machine::NT40();
        m.WriteFile("C:\\DOWNLOAD\\NOTES.TXT", "the user's own");
        RunResult r = scenario::RunPackage(m, file, "", "C:\\DOWNLOAD\\UNINST.EXE");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_THAT(r.BoxSummary(), ElementsAre("Error|Couldn't open the program."));
        EXPECT_EQ(m.ReadText("C:\\DOWNLOAD\\NOTES.TXT"), "the user's own");
        EXPECT_TRUE(m.Exists("C:\\DOWNLOAD\\UNINST.EXE"));
    }
    // A record whose length reaches exactly back is the uninstaller's own.
    Bytes withRecord = uninstaller;
    const char record[] = {'F', 'C', ':', '\\', 'A', 0, 6, 0, 0, 0, 'i', 'N', 'S', 't', 'R', 'e', 'C', '1'};
    withRecord.insert(withRecord.end(), record, record + sizeof record);
    sim::Machine m = sim::Machine::NT40();
    m.AnswerQuestions({os::IDNO});
    EXPECT_THAT(scenario::RunPackage(m, withRecord, "", "C:\\APP\\UNINST.EXE").BoxTexts(),
                ElementsAre("Remove App?"));
}

// ---- Dialog failures and memory --------------------------------------------------

TEST(MainSequence, ReportsAMainDialogThatCannotOpen) {
    sim::Machine m = sim::Machine::NT40();
    m.FailCall("DialogBox", 1, 1813);
    RunResult r = scenario::RunPackage(m, AppPackage().Build());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), ElementsAre("App - Error|Couldn't open the main dialog."));
    EXPECT_EQ(r.outstandingBlocks, 0u);
}

TEST(MainSequence, ReportsAProgressDialogThatCannotOpenAndLogsIt) {
    sim::Machine m = sim::Machine::NT40();
    m.FailCall("DialogBox", 2, 1813);
    RunResult r = scenario::Install(m, AppPackage().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), ElementsAre("App - Error|Couldn't open the progress dialog."));
    ASSERT_GE(r.logLines.size(), 3u);
    EXPECT_THAT(std::vector<std::string>(r.logLines.end() - 3, r.logLines.end()),
                ElementsAre("Couldn't open the progress dialog.", "",
                            "An error occured during installation!"));
}

TEST(MainSequence, ReportsOutOfMemoryForTheRunBuffersWithTheBareCaption) {
    // The first block is the marker scan's; the next six are the run's.
    for (int nth = 2; nth <= 7; ++nth) {
        sim::Machine m = sim::Machine::NT40();
        m.FailCall("Alloc", nth, os::ERROR_NOT_ENOUGH_MEMORY);
        RunResult r = scenario::RunPackage(m, AppPackage().Build());
        EXPECT_EQ(r.exitCode, 1) << nth;
        EXPECT_THAT(r.BoxSummary(), ElementsAre("Error|Out of memory.")) << nth;
        EXPECT_EQ(r.outstandingBlocks, 0u) << nth;
        EXPECT_EQ(r.openFiles, 0u) << nth;
    }
}

TEST(MainSequence, RefusesToRunWithoutTheWindowsOrSystemDirectory) {
    // Otherwise a file bound for the system directory lands at C:\ and the
    // installation reports success.
    for (const char* call : {"GetWindowsDirectory", "GetSystemDirectory"}) {
        sim::Machine m = sim::Machine::NT40();
        m.FailCall(call, 1, os::ERROR_ACCESS_DENIED);
        RunResult r = scenario::RunPackage(
            m, AppPackage().File("COMMON.DLL", TextBytes("c")).InSystemDir().Build());
        EXPECT_EQ(r.exitCode, 1) << call;
        EXPECT_THAT(r.BoxSummary(), ElementsAre("Error|Couldn't find the Windows directory.")) << call;
        EXPECT_FALSE(m.Exists("C:\\COMMON.DLL")) << call;
        EXPECT_EQ(r.outstandingBlocks, 0u) << call;
    }
}

// ---- A complete run ------------------------------------------------------------

TEST(MainSequence, ExitsWith0AfterACompleteInstallation) {
    sim::Machine m = sim::Machine::NT40();
    RunResult r = scenario::Install(m, OneFilePackage().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(m.DialogsOpened(), ElementsAre(os::MainDialogId, os::ProgressDialogId));
    EXPECT_THAT(r.BoxSummary(), ElementsAre("App - Message|App is installed."));
    EXPECT_EQ(r.logLines.back(), "The installation was successful!");
    EXPECT_EQ(r.outstandingBlocks, 0u);
    EXPECT_EQ(r.openFiles, 0u);
    EXPECT_EQ(r.openKeys, 0u);
}

TEST(MainSequence, ExitsWith0AfterACompleteUninstallation) {
    sim::Machine m = sim::Machine::NT40();
    scenario::Install(m, OneFilePackage().Build(), "C:\\APP");
    RunResult r = scenario::Uninstall(m, "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.BoxSummary(), ElementsAre("App Uninstall - Message|Remove App?",
                                            "App Uninstall - Message|Uninstallation is finished."));
    EXPECT_FALSE(m.Exists("C:\\APP\\README.TXT"));
    EXPECT_EQ(r.outstandingBlocks, 0u);
    EXPECT_EQ(r.openFiles, 0u);
}

// Every call of a complete run, made to fail one at a time: the run ends
// with 0 or 1, and nothing it took stays taken.
TEST(MainSequence, ReleasesEverythingWhicheverCallFails) {
    const Bytes package = AppPackage()
                              .Dir("SUB")
                              .File("README.TXT", TextBytes("read me"))
                              .File("DATA.BIN", PatternBytes(3000)).Compressed().InDir("SUB")
                              .RegKey(os::HKEY_LOCAL_MACHINE, "Software\\App")
                              .Value("Path", os::REG_SZ, "C:\\APP")
                              .Build();
    std::map<std::string, int> counts;
    {
        sim::Machine m = sim::Machine::NT40();
        RunResult clean = scenario::Install(m, package, "C:\\APP");
        ASSERT_EQ(clean.exitCode, 0);
        counts = m.CallCounts();
    }
    int runs = 0;
    for (const auto& [name, count] : counts) {
        // Failing a release itself is not a leak of the program's.
        if (name.find("Close") != std::string::npos || name == "Free" || name == "ReleaseDC" ||
            name == "EndPaint" || name == "DdeUninitialize" || name == "DdeDisconnect")
            continue;
        for (int nth = 1; nth <= count && nth <= 12; ++nth) {
            sim::Machine m = sim::Machine::NT40();
            m.FailCall(name, nth, os::ERROR_ACCESS_DENIED);
            RunResult r = scenario::Install(m, package, "C:\\APP");
            ++runs;
            EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1) << name << " #" << nth;
            EXPECT_EQ(r.outstandingBlocks, 0u) << name << " #" << nth;
            EXPECT_EQ(r.openFiles, 0u) << name << " #" << nth;
            EXPECT_EQ(r.openKeys, 0u) << name << " #" << nth;
        }
    }
    EXPECT_GT(runs, 20);
}

}  // namespace
