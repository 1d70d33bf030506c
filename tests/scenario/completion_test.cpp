// What follows the work: the finished message, the program to open, the help
// file, the restart question, and the uninstaller's self-removal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scenario.h"

namespace {

using scenario::AppPackage;
using scenario::RunResult;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

// A package whose shared file, when present already, is replaced only at
// the next restart.
PackageBuilder SharedFilePackage() {
    PackageBuilder b = AppPackage();
    b.RestartText("Restart Windows now?");
    b.File("SHARED.DLL", PatternBytes(2000)).Compressed().Shared().InSystemDir();
    return b;
}

void PutSharedFileInPlace(sim::Machine& m) {
    m.WriteFile("C:\\WINDOWS\\SYSTEM32\\SHARED.DLL", "old shared");
}

// The batch's quoted path and the arguments after it, as the uninstaller
// started it.
std::string BatchPathOf(const sim::Machine& m) {
    if (m.StartedProcesses().empty()) return "";
    std::string line = m.StartedProcesses().back().commandLine;
    std::size_t close = line.find('"', 1);
    if (line.size() < 2 || line.front() != '"' || close == std::string::npos) return "";
    return line.substr(1, close - 1);
}

std::string BatchArgumentsOf(const sim::Machine& m) {
    if (m.StartedProcesses().empty()) return "";
    std::string line = m.StartedProcesses().back().commandLine;
    std::size_t close = line.find('"', 1);
    return close == std::string::npos ? "" : line.substr(close + 1);
}

// ---- After an installation -------------------------------------------------------

TEST(CompleteInstall, OpensTheProgramToRunFromTheDestinationAfterTheFinishedMessage) {
    sim::Machine m = sim::Machine::NT40();
    RunResult r = scenario::Install(
        m, AppPackage().File("README.TXT", TextBytes("r")).RunAfterInstall("README.TXT", "/q").Build(),
        "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.BoxSummary(), ElementsAre("App - Message|App is installed."));
    ASSERT_EQ(m.ShellExecutes().size(), 1u);
    EXPECT_EQ(m.ShellExecutes()[0].file, "C:\\APP\\README.TXT");
    EXPECT_EQ(m.ShellExecutes()[0].parameters, "/q");
    EXPECT_EQ(m.ShellExecutes()[0].directory, "");
    EXPECT_EQ(m.ShellExecutes()[0].show, os::SW_SHOWNORMAL);
    EXPECT_THAT(r.logLines, Contains("Executing: C:\\APP\\README.TXT"));
}

TEST(CompleteInstall, OpensNothingWithoutAProgramToRun) {
    sim::Machine m = sim::Machine::NT40();
    RunResult r = scenario::Install(m, AppPackage().File("README.TXT", TextBytes("r")).Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(m.ShellExecutes(), IsEmpty());
    EXPECT_THAT(m.WinHelps(), IsEmpty());
    for (const std::string& line : r.logLines) EXPECT_EQ(line.rfind("Executing: ", 0), std::string::npos);
}

TEST(CompleteInstall, ShowsTheHelpFileOfItsRecordAfterTheProgram) {
    sim::Machine m = sim::Machine::NT40();
    PackageBuilder b = AppPackage();
    b.Dir("DOC");
    b.File("A.TXT", TextBytes("a")).File("B.TXT", TextBytes("b"));
    b.File("APP.HLP", TextBytes("help")).InDir("DOC");
    b.RunAfterInstall("A.TXT").HelpFile(3, 77);
    RunResult r = scenario::Install(m, b.Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(m.WinHelps().size(), 1u);
    EXPECT_EQ(m.WinHelps()[0].path, "C:\\APP\\DOC\\APP.HLP");
    EXPECT_EQ(m.WinHelps()[0].command, os::HELP_CONTEXT);
    EXPECT_EQ(m.WinHelps()[0].data, 77u);
    ASSERT_GE(r.logLines.size(), 4u);
    EXPECT_THAT(std::vector<std::string>(r.logLines.end() - 4, r.logLines.end()),
                ElementsAre("Executing: C:\\APP\\A.TXT", "Showing help file: C:\\APP\\DOC\\APP.HLP", "",
                            "The installation was successful!"));
}

TEST(CompleteInstall, AsksToRestartWithTheFinishedTextInsteadOfAFinishedBox) {
    sim::Machine m = sim::Machine::NT40();
    PutSharedFileInPlace(m);
    m.AnswerQuestions({os::IDNO});
    RunResult r = scenario::Install(m, SharedFilePackage().RunAfterInstall("X.TXT").Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.BoxSummary(),
                ElementsAre("App - Message|App is installed.\r\rRestart Windows now?"));
    EXPECT_EQ(r.boxes[0].type, os::MB_YESNO | os::MB_ICONQUESTION | os::MB_DEFBUTTON2 | os::MB_SETFOREGROUND);
    EXPECT_FALSE(m.ExitWindowsCalled());
    EXPECT_THAT(m.ShellExecutes(), IsEmpty());
    EXPECT_FALSE(m.DelayedMoves().empty());
    EXPECT_EQ(r.outstandingBlocks, 0u);
}

TEST(CompleteInstall, RestartsWindowsWhenTheUserSaysYes) {
    sim::Machine m = sim::Machine::NT40();
    PutSharedFileInPlace(m);
    m.AnswerQuestions({os::IDYES});
    RunResult r = scenario::Install(m, SharedFilePackage().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(m.ExitWindowsCalled());
    EXPECT_EQ(m.ExitWindowsFlags(), os::EWX_REBOOT);
    // The question came after the log was closed: it is the last thing.
    EXPECT_EQ(r.logLines.back(), "The installation was successful!");
}

TEST(CompleteInstall, DoesNotOfferARestartAfterAFailedInstallation) {
    sim::Machine m = sim::Machine::NT40();
    PutSharedFileInPlace(m);
    // The shared file schedules its replacement; the next file then fails.
    m.MakeDirectories("C:\\APP");
    m.WriteFile("C:\\APP\\LOCKED.TXT", "old");
    m.SetAttributes("C:\\APP\\LOCKED.TXT", os::FILE_ATTRIBUTE_READONLY);
    PackageBuilder b = SharedFilePackage();
    b.File("LOCKED.TXT", TextBytes("new"));
    RunResult r = scenario::Install(m, b.Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(m.DelayedMoves().empty());
    for (const sim::Box& box : r.boxes) EXPECT_NE(box.type & os::MB_YESNO, os::MB_YESNO) << box.text;
    EXPECT_FALSE(m.ExitWindowsCalled());
}

// ---- After an uninstallation ----------------------------------------------------------

TEST(CompleteUninstall, WritesABatchThatRemovesTheUninstallerAndItsDirectory) {
    sim::Machine m = sim::Machine::NT40();
    scenario::Install(m, AppPackage().File("A.TXT", TextBytes("a")).Build(), "C:\\APP");
    RunResult r = scenario::Uninstall(m, "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.BoxTexts(), ElementsAre("Remove App?", "Uninstallation is finished."));
    EXPECT_THAT(m.CurrentDirectories(), Contains("\\"));

    ASSERT_EQ(m.StartedProcesses().size(), 1u);
    const sim::StartedProcess& started = m.StartedProcesses()[0];
    EXPECT_EQ(started.show, os::SW_HIDE);
    EXPECT_EQ(started.creationFlags, 0x20u | 0x1000u);
    std::string batch = BatchPathOf(m);
    ASSERT_EQ(batch.rfind("C:\\TEMP\\ins", 0), 0u) << batch;
    ASSERT_EQ(batch.substr(batch.size() - 4), ".BAT");
    EXPECT_EQ(m.ReadText(batch), "@echo off\r\n:a\r\ndel \"C:\\APP\\UNINST.EXE\"\r\n"
                                 "if not exist \"C:\\APP\\UNINST.EXE\" goto b\r\n"
                                 "if exist \"%windir%\\command\\choice.com\" choice /c:y /t:y,3 /n >nul\r\n"
                                 "if not exist \"%windir%\\command\\choice.com\" ping -n 4 127.0.0.1 >nul\r\n"
                                 "shift\r\nif not \"%1\"==\"\" goto a\r\n"
                                 ":b\r\nrd \"C:\\APP\"\r\ndel \"" +
                                     batch + "\"");
    // The temporary file the name came from is gone.
    EXPECT_FALSE(m.Exists(batch.substr(0, batch.size() - 3) + "TMP"));

    ASSERT_TRUE(m.RunBatch(batch, BatchArgumentsOf(m)));
    EXPECT_EQ(m.BatchSecondsWaited(), 0);
    EXPECT_FALSE(m.Exists("C:\\APP"));
    EXPECT_FALSE(m.Exists(batch));
}

// A program that keeps the uninstaller open: the batch waits between its
// tries and gives up after about a minute, with CHOICE where Windows 95, 98
// and Me keep it and with PING elsewhere.
TEST(CompleteUninstall, BatchGivesUpOnAnUninstallerThatStaysHeld) {
    for (bool choice : {false, true}) {
        sim::Machine m = choice ? sim::Machine::Windows95() : sim::Machine::NT40();
        if (choice) m.WriteFile("C:\\WINDOWS\\COMMAND\\CHOICE.COM", "");
        scenario::Install(m, AppPackage().File("A.TXT", TextBytes("a")).Build(), "C:\\APP");
        scenario::Uninstall(m, "C:\\APP");
        std::string batch = BatchPathOf(m);
        // COMMAND.COM reads no command line past 127 characters.
        EXPECT_LE(m.StartedProcesses().back().commandLine.size(), 127u);
        m.LockFile("C:\\APP\\UNINST.EXE");
        ASSERT_TRUE(m.RunBatch(batch, BatchArgumentsOf(m))) << choice;
        EXPECT_GE(m.BatchSecondsWaited(), 45) << choice;
        EXPECT_LE(m.BatchSecondsWaited(), 90) << choice;
        EXPECT_TRUE(m.Exists("C:\\APP\\UNINST.EXE"));
        EXPECT_FALSE(m.Exists(batch));
    }
}

TEST(CompleteUninstall, RemovesItselfFromATemporaryDirectoryWithBlanks) {
    sim::Machine m = sim::Machine::NT40();
    m.SetTempPath("C:\\My Temp\\");
    scenario::Install(m, AppPackage().File("A.TXT", TextBytes("a")).Build(), "C:\\My App");
    RunResult r = scenario::Uninstall(m, "C:\\My App");
    EXPECT_EQ(r.exitCode, 0);
    std::string batch = BatchPathOf(m);
    ASSERT_EQ(batch.rfind("C:\\My Temp\\ins", 0), 0u) << batch;
    ASSERT_TRUE(m.RunBatch(batch));
    EXPECT_FALSE(m.Exists("C:\\My App"));
    EXPECT_FALSE(m.Exists(batch));
    EXPECT_TRUE(m.IsDirectory("C:\\My Temp"));
}

TEST(CompleteUninstall, SpellsPercentSignsSoTheBatchNamesTheRightFiles) {
    // Unescaped, "%B\X%" would expand to nothing and the batch would delete
    // C:\AY\UNINST.EXE and remove C:\AY instead.
    sim::Machine m = sim::Machine::NT40();
    m.MakeDirectories("C:\\AY");
    m.WriteFile("C:\\AY\\UNINST.EXE", "someone else's");
    m.MakeDirectories("C:\\A%B");
    scenario::Install(m, AppPackage().File("A.TXT", TextBytes("a")).Build(), "C:\\A%B\\X%Y");
    RunResult r = scenario::Uninstall(m, "C:\\A%B\\X%Y");
    EXPECT_EQ(r.exitCode, 0);
    std::string batch = BatchPathOf(m);
    EXPECT_THAT(m.ReadText(batch), ::testing::HasSubstr("rd \"C:\\A%%B\\X%%Y\""));
    ASSERT_TRUE(m.RunBatch(batch));
    EXPECT_FALSE(m.Exists("C:\\A%B\\X%Y"));
    EXPECT_TRUE(m.Exists("C:\\AY\\UNINST.EXE"));
}

TEST(CompleteUninstall, LeavesADirectoryThatStillHoldsFiles) {
    sim::Machine m = sim::Machine::NT40();
    scenario::Install(m, AppPackage().File("A.TXT", TextBytes("a")).Build(), "C:\\APP");
    // A directory the installation did not make stays, and so does its parent.
    m.WriteFile("C:\\APP\\MINE\\NOTES.DOC", "the user's");
    scenario::Uninstall(m, "C:\\APP");
    ASSERT_TRUE(m.RunBatch(BatchPathOf(m)));
    EXPECT_FALSE(m.Exists("C:\\APP\\UNINST.EXE"));
    EXPECT_EQ(m.ReadText("C:\\APP\\MINE\\NOTES.DOC"), "the user's");
}

TEST(CompleteUninstall, StillSaysFinishedWhenTheBatchCannotBeWritten) {
    sim::Machine m = sim::Machine::NT40();
    scenario::Install(m, AppPackage().File("A.TXT", TextBytes("a")).Build(), "C:\\APP");
    m.FailCall("CreateFile", 0, os::ERROR_ACCESS_DENIED);
    RunResult r = scenario::Uninstall(m, "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.BoxTexts(), ElementsAre("Remove App?", "Uninstallation is finished."));
    EXPECT_THAT(m.StartedProcesses(), IsEmpty());
    EXPECT_TRUE(m.Exists("C:\\APP\\UNINST.EXE"));
}

TEST(CompleteUninstall, WritesNoBatchWhenItsOwnPathCannotBeRead) {
    sim::Machine m = sim::Machine::NT40();
    scenario::Install(m, AppPackage().File("A.TXT", TextBytes("a")).Build(), "C:\\APP");
    // The package path, the destination, then the batch's own path.
    m.FailCall("GetModuleFileName", m.CallCount("GetModuleFileName") + 3, os::ERROR_ACCESS_DENIED);
    RunResult r = scenario::Uninstall(m, "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.BoxTexts(), ElementsAre("Remove App?", "Uninstallation is finished."));
    EXPECT_THAT(m.StartedProcesses(), IsEmpty());
    EXPECT_THAT(m.ListDirectory("C:\\TEMP"), IsEmpty());
}

TEST(CompleteUninstall, DropsAHalfWrittenBatch) {
    sim::Machine m = sim::Machine::NT40();
    scenario::Install(m, AppPackage().File("A.TXT", TextBytes("a")).Build(), "C:\\APP");
    int writes = m.CallCount("HWrite");
    m.FailCall("HWrite", writes + 1, os::ERROR_HANDLE_DISK_FULL);
    RunResult r = scenario::Uninstall(m, "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(m.StartedProcesses(), IsEmpty());
    EXPECT_THAT(m.ListDirectory("C:\\TEMP"), IsEmpty());
}

TEST(CompleteUninstall, StillSaysFinishedWhenNoTemporaryNameCanBeHad) {
    sim::Machine m = sim::Machine::NT40();
    scenario::Install(m, AppPackage().File("A.TXT", TextBytes("a")).Build(), "C:\\APP");
    m.FailCall("GetTempFileName", 0, os::ERROR_ACCESS_DENIED);
    RunResult r = scenario::Uninstall(m, "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.BoxTexts(), Contains("Uninstallation is finished."));
    EXPECT_THAT(m.StartedProcesses(), IsEmpty());
}

}  // namespace
