// The main dialog and the progress dialog as the user meets them: texts,
// captions, the destination check, Help, Cancel, and cancelling the work.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "support/scenario.h"

namespace {

using scenario::AppPackage;
using scenario::RunResult;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

const char kAborted[] =
    "The installation was aborted.\rThe software may not run properly.\r\rRun the installation "
    "program again to complete the installation.";

PackageBuilder FilesPackage() {
    PackageBuilder b = AppPackage();
    b.MainDialogText("Welcome to App.")
        .HelpText("Help for Windows 95.")
        .HelpTextNT("Help for Windows NT.");
    b.File("A.TXT", TextBytes("a")).File("B.TXT", TextBytes("b")).File("C.TXT", TextBytes("c"));
    return b;
}

// ---- Main dialog: texts and window ---------------------------------------------------

TEST(MainDialog, ShowsTheTextsOfTheProgramAndThePackage) {
    sim::Machine m = sim::Machine::NT40();
    m.PressCancel();
    scenario::RunPackage(m, FilesPackage().Build());
    EXPECT_EQ(m.ItemText(256), "Welcome to App.");
    EXPECT_EQ(m.ItemText(257), "Install &to:");
    EXPECT_EQ(m.ItemText(1007), "&Install");
    EXPECT_EQ(m.ItemText(2), "Cancel");
    EXPECT_EQ(m.ItemText(9), "Help");
    EXPECT_EQ(m.ItemText(258), "C:\\Program Files\\APP");
    EXPECT_EQ(m.LastWindowText(), "App");
}

TEST(MainDialog, CarriesTheInstallSmallIconFromVersion4) {
    sim::Machine m = sim::Machine::Windows95();
    m.PressCancel();
    scenario::RunPackage(m, FilesPackage().Build());
    EXPECT_EQ(m.LastSmallIcon(), os::InstallSmallIconId);
}

TEST(MainDialog, IsPlacedByTheProgramAndHasNoSmallIconBelowVersion4) {
    // Centred across and at a third of the free height: a desktop larger by
    // 360 x 300 moves the dialog by 180 x 100.
    os::Point small{}, large{};
    for (int pass = 0; pass < 2; ++pass) {
        sim::Machine m = sim::Machine::NT351();
        if (pass == 1) m.SetDesktopSize(1000, 780);
        m.PressCancel();
        scenario::RunPackage(m, FilesPackage().Build());
        EXPECT_EQ(m.LastSmallIcon(), 0);
        (pass == 0 ? small : large) = m.LastWindowPosition();
    }
    EXPECT_EQ(large.x - small.x, 180);
    EXPECT_EQ(large.y - small.y, 100);
}

TEST(MainDialog, ProposesProgramFilesDirWithABackslashForAnEmptySubdirectoryAndAcceptsIt) {
    sim::Machine m = sim::Machine::NT40();
    m.PressInstall();
    PackageBuilder b = FilesPackage();
    b.DefaultSubdir("");
    RunResult r = scenario::RunPackage(m, b.Build());
    EXPECT_EQ(m.ItemHistory(258).front(), "C:\\Program Files\\");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.ReadText("C:\\Program Files\\A.TXT"), "a");
    EXPECT_EQ(r.logLines.front(), "Created logfile: C:\\Program Files\\InstLog.txt");
}

// ---- Destination check ----------------------------------------------------------------

struct IllegalCase {
    const char* name;
    const char* path;
    const char* text = "Illegal path.";
    const char* windowsDir = nullptr;  // the machine's when not given
};

constexpr const char* CannotHold = "This directory cannot hold the installation.";

class IllegalDestination : public ::testing::TestWithParam<IllegalCase> {};

TEST_P(IllegalDestination, IsRefusedAndTheDialogStaysOpenForAnotherTry) {
    sim::Machine m = sim::Machine::NT40();
    if (GetParam().windowsDir) {
        m.SetWindowsDirectory(GetParam().windowsDir);
        m.SetSystemDirectory(std::string(GetParam().windowsDir) + "\\SYSTEM32");
    }
    sim::FileSnapshot before = m.SnapshotFiles();
    m.TypeDestination(GetParam().path);
    m.PressInstall();
    RunResult r = scenario::Install(m, FilesPackage().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_GE(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].caption, "App - Error");
    EXPECT_EQ(r.boxes[0].text, GetParam().text);
    EXPECT_NE(r.boxes[0].owner, 0u);
    EXPECT_THAT(m.Beeps(), ElementsAre(0u));
    // The log did not exist yet when the error was shown.
    EXPECT_THAT(r.logLines, Not(Contains(GetParam().text)));
    EXPECT_EQ(m.ReadText("C:\\APP\\A.TXT"), "a");
    // Nothing was written outside the destination finally taken.
    for (const auto& [path, entry] : m.SnapshotFiles()) {
        if (path.rfind("C:\\APP", 0) == 0 || path.rfind("C:\\SETUP.EXE", 0) == 0) continue;
        EXPECT_EQ(before.count(path), 1u) << path;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, IllegalDestination,
    ::testing::Values(IllegalCase{"DriveRoot", "C:\\"}, IllegalCase{"DriveRelative", "C:Tool"},
                      IllegalCase{"NoDrive", "Tool"}, IllegalCase{"Network", "\\\\server\\share\\x"},
                      IllegalCase{"Empty", ""},
                      // The root spelled another way.
                      IllegalCase{"DoubledRoot", "C:\\\\"}, IllegalCase{"RootAndDot", "C:\\."},
                      IllegalCase{"RootDotsAndSlashes", "C:/./\\."},
                      // Parts Windows would climb from or cut.
                      IllegalCase{"ParentPart", "C:\\APP\\..\\WINDOWS"},
                      IllegalCase{"EndingInADot", "C:\\APP."}, IllegalCase{"EndingInABlank", "C:\\APP \\"},
                      IllegalCase{"PartOfDotsBeforeWindows", "C:\\...\\WINDOWS"},
                      // The Windows and system directories and what holds them.
                      IllegalCase{"WindowsDirectory", "C:\\WINDOWS", CannotHold},
                      IllegalCase{"WindowsDirectoryInOtherLetters", "c:\\windows\\", CannotHold},
                      IllegalCase{"SystemDirectorySpelledLoosely", "C:\\WINDOWS\\.\\\\SYSTEM32", CannotHold},
                      IllegalCase{"AboveTheWindowsDirectory", "C:\\OS", CannotHold, "C:\\OS\\WINNT"},
                      IllegalCase{"AboveTheSystemDirectory", "C:\\OS\\WINNT\\", CannotHold, "C:\\OS\\WINNT"}),
    [](const ::testing::TestParamInfo<IllegalCase>& param) { return std::string(param.param.name); });

TEST(DestinationInput, TakesRepeatedSeparatorsAndDotPartsAsOne) {
    sim::Machine m = sim::Machine::NT40();
    m.MakeDirectories("C:\\Apps");
    RunResult r = scenario::Install(m, FilesPackage().Build(), "C:\\\\Apps\\.\\/Tool\\.\\");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.logLines.front(), "Created logfile: C:\\Apps\\Tool\\InstLog.txt");
    EXPECT_EQ(m.ReadText("C:\\Apps\\Tool\\A.TXT"), "a");
}

TEST(DestinationInput, AcceptsDirectoriesBesideAndBelowTheWindowsDirectory) {
    for (const char* path : {"C:\\WINDOWS2", "C:\\WIN", "C:\\WINDOWS\\APP", "C:\\WINDOWS\\SYSTEM32X"}) {
        sim::Machine m = sim::Machine::NT40();
        RunResult r = scenario::Install(m, FilesPackage().Build(), path);
        EXPECT_EQ(r.exitCode, 0) << path;
        EXPECT_EQ(m.ReadText(std::string(path) + "\\A.TXT"), "a") << path;
    }
}

TEST(DestinationInput, AcceptsAPathWithATrailingBackslashWithoutIt) {
    sim::Machine ok = sim::Machine::NT40();
    ok.MakeDirectories("C:\\Apps");
    RunResult accepted = scenario::Install(ok, FilesPackage().Build(), "C:\\Apps\\Tool\\");
    EXPECT_EQ(accepted.exitCode, 0);
    EXPECT_EQ(accepted.logLines.front(), "Created logfile: C:\\Apps\\Tool\\InstLog.txt");
}

TEST(DestinationInput, AcceptsADirectoryRightBelowTheRoot) {
    sim::Machine m = sim::Machine::NT40();
    m.AddDrive('D', sim::DRIVE_REMOVABLE);
    RunResult r = scenario::Install(m, FilesPackage().Build(), "D:\\Tool");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.logLines, Contains("Destination disk type: Removable"));
    EXPECT_TRUE(m.IsDirectory("D:\\Tool"));
}

TEST(DestinationInput, RefusesADirectoryWhoseParentIsMissing) {
    sim::Machine m = sim::Machine::NT40();
    m.TypeDestination("C:\\Missing\\Tool");
    m.PressInstall();
    m.PressCancel();
    RunResult r = scenario::RunPackage(m, FilesPackage().Build());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), ElementsAre("App - Error|Couldn't create the destination directory.",
                                            "App - Message|Do you want to abort the installation?"));
    EXPECT_FALSE(m.Exists("C:\\Missing"));
    EXPECT_EQ(m.FocusedItem(), 258);
    EXPECT_EQ(r.log, "");
}

TEST(DestinationInput, TakesAnExistingFileOfThatNameAsTheDirectory) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\APPFILE", "not a directory");
    RunResult r = scenario::Install(m, FilesPackage().Build(), "C:\\APPFILE");
    // Accepted by the dialog; the log then cannot be created inside it.
    ASSERT_GE(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].text, "Couldn't create log file.");
    EXPECT_EQ(r.boxes[0].caption, "App - Message");
    EXPECT_THAT(m.DialogsOpened(), ElementsAre(os::MainDialogId, os::ProgressDialogId));
}

TEST(DestinationInput, CutsATypedPathAt254Characters) {
    sim::Machine m = sim::Machine::NT40();
    std::string typed = "C:\\" + std::string(297, 'D');
    PackageBuilder b = AppPackage();
    b.CreateLog(false);
    b.Header().CreateUninstaller = 0;
    RunResult r = scenario::Install(m, b.Build(), typed);
    EXPECT_EQ(r.exitCode, 0) << ::testing::PrintToString(r.BoxSummary());
    EXPECT_TRUE(m.IsDirectory(typed.substr(0, 254)));
    EXPECT_FALSE(m.Exists(typed.substr(0, 255)));
}

// ---- Help and Cancel ---------------------------------------------------------------

TEST(MainDialogHelp, ShowsTheNTHelpTextOnWindowsNTUnderTheBareTitle) {
    sim::Machine m = sim::Machine::NT40();
    m.PressHelp();
    m.PressCancel();
    RunResult r = scenario::RunPackage(m, FilesPackage().Build());
    ASSERT_GE(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].caption, "App");
    EXPECT_EQ(r.boxes[0].text, "Help for Windows NT.");
    EXPECT_EQ(r.boxes[0].type, os::MB_OK | os::MB_ICONINFORMATION | os::MB_SETFOREGROUND);
}

TEST(MainDialogHelp, ShowsTheOtherHelpTextOnWindows95AndWin32s) {
    for (auto make : {sim::Machine::Windows95, sim::Machine::Win32s}) {
        sim::Machine m = make();
        m.PressHelp();
        m.PressCancel();
        RunResult r = scenario::RunPackage(m, FilesPackage().Build());
        ASSERT_GE(r.boxes.size(), 1u);
        EXPECT_EQ(r.boxes[0].text, "Help for Windows 95.");
    }
}

TEST(MainDialogHelp, IsNotLogged) {
    sim::Machine m = sim::Machine::NT40();
    m.PressHelp();
    RunResult r = scenario::Install(m, FilesPackage().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.logLines, Not(Contains("Help for Windows NT.")));
}

TEST(MainDialogCancel, EndsTheRunOnYesWithoutALog) {
    sim::Machine m = sim::Machine::NT40();
    m.PressCancel();
    m.AnswerQuestions({os::IDYES});
    RunResult r = scenario::RunPackage(m, FilesPackage().Build());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), ElementsAre("App - Message|Do you want to abort the installation?"));
    EXPECT_EQ(r.boxes[0].type, os::MB_YESNO | os::MB_ICONQUESTION | os::MB_DEFBUTTON2 | os::MB_SETFOREGROUND);
    EXPECT_FALSE(m.Exists("C:\\Program Files\\APP"));
    EXPECT_EQ(r.logPath, "");
    EXPECT_EQ(r.outstandingBlocks, 0u);
}

TEST(MainDialogCancel, LeavesTheDialogAndTheTypedPathOnNo) {
    sim::Machine m = sim::Machine::NT40();
    m.TypeDestination("C:\\Mine");
    m.PressCancel();
    m.AnswerQuestions({os::IDNO});
    m.PressInstall();
    RunResult r = scenario::RunPackage(m, FilesPackage().Build());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.ReadText("C:\\Mine\\A.TXT"), "a");
}

// ---- Progress dialog ---------------------------------------------------------------

TEST(ProgressDialog, StartsWithInitializingAndTheTitle) {
    sim::Machine m = sim::Machine::NT40();
    RunResult r = scenario::Install(m, FilesPackage().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    std::vector<std::string> status = m.StatusHistory();
    ASSERT_FALSE(status.empty());
    EXPECT_EQ(status.front(), "384:Initializing...");
    // A status line is set only when its text changes.
    std::map<std::string, std::string> last;
    for (const std::string& entry : status) {
        const std::string item = entry.substr(0, 4);
        EXPECT_TRUE(last.count(item) == 0 || last[item] != entry) << entry;
        last[item] = entry;
    }
    // Without directory records the label is not set for them.
    EXPECT_THAT(status, Not(Contains("384:Creating directory:")));
    EXPECT_EQ(m.LastWindowText(), "App");
    EXPECT_EQ(m.LastSmallIcon(), os::InstallSmallIconId);
    EXPECT_TRUE(m.WaitCursorShown());
}

TEST(ProgressDialog, DrawsTheBarFromZeroTo100Percent) {
    sim::Machine m = sim::Machine::NT40();
    // More files than percents: several files end at the same percentage.
    PackageBuilder b = FilesPackage();
    for (int i = 0; i < 250; ++i) b.File("F" + std::to_string(i) + ".TXT", TextBytes("f"));
    ASSERT_EQ(scenario::Install(m, b.Build(), "C:\\APP").exitCode, 0);
    std::vector<std::string> percents = m.ProgressHistory();
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.front(), "0%");
    EXPECT_EQ(percents.back(), "100%");
    EXPECT_EQ(m.LastProgress().filled.right, m.LastProgress().text.right);
    // Without a repaint, a percentage is drawn only when it changes.
    for (std::size_t i = 1; i < percents.size(); ++i) EXPECT_NE(percents[i], percents[i - 1]) << i;
}

TEST(ProgressDialog, DrawsNothingWhenThereIsNothingToCount) {
    sim::Machine m = sim::Machine::NT40();
    RunResult r = scenario::Install(m, AppPackage().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(m.ProgressHistory().empty());
}

// A question box over the dialog makes it repaint: the bar is drawn again
// at its last position, never back at 0 %.
TEST(ProgressDialog, RepaintsTheLastDrawnPercentageUnderAQuestion) {
    std::vector<std::string> plain;
    {
        sim::Machine clean = sim::Machine::NT40();
        scenario::Install(clean, FilesPackage().Build(), "C:\\APP");
        plain = clean.ProgressHistory();
    }
    sim::Machine m = sim::Machine::NT40();
    m.HoldEscapeAtPoll(3);
    m.AnswerQuestions({os::IDNO});
    RunResult r = scenario::Install(m, FilesPackage().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    std::vector<std::string> painted = m.ProgressHistory();
    EXPECT_EQ(painted.size(), plain.size() + 1);
    for (std::size_t i = 1; i < painted.size(); ++i)
        EXPECT_GE(std::stoi(painted[i]), std::stoi(painted[i - 1])) << i;
    EXPECT_EQ(painted.back(), "100%");
    EXPECT_EQ(m.CallCount("BeginPaint"), m.CallCount("EndPaint"));
    EXPECT_EQ(m.CallCount("GetDC"), m.CallCount("ReleaseDC"));
}

TEST(ProgressDialog, GoesOnWhenCancelByEscapeIsAnsweredNo) {
    sim::Machine m = sim::Machine::NT40();
    m.HoldEscapeAtPoll(1);
    m.AnswerQuestions({os::IDNO});
    RunResult r = scenario::Install(m, FilesPackage().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.BoxTexts(), ElementsAre("Do you want to abort the installation?", "App is installed."));
    EXPECT_EQ(m.ReadText("C:\\APP\\C.TXT"), "c");
    EXPECT_THAT(r.logLines, Not(Contains("!!! Installation aborted by user !!!")));
}

TEST(ProgressDialog, StopsTheInstallationWhenCancelByEscapeIsAnsweredYes) {
    sim::Machine m = sim::Machine::NT40();
    m.HoldEscapeAtPoll(1);
    m.AnswerQuestions({os::IDYES});
    RunResult r = scenario::Install(m, FilesPackage().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), ElementsAre("App - Message|Do you want to abort the installation?",
                                            std::string("App - Error|") + kAborted));
    EXPECT_FALSE(m.Exists("C:\\APP\\C.TXT"));
    // The notice is an empty line, the notice and another empty line.
    auto notice = std::find(r.logLines.begin(), r.logLines.end(), "!!! Installation aborted by user !!!");
    ASSERT_NE(notice, r.logLines.end());
    EXPECT_EQ(*(notice - 1), "");
    EXPECT_EQ(*(notice + 1), "");
    EXPECT_THAT(r.logLines, Contains(kAborted));
    EXPECT_EQ(r.logLines.back(), "An error occured during installation!");
    EXPECT_EQ(r.outstandingBlocks, 0u);
}

TEST(ProgressDialog, CancelsWhenTheMouseIsHeldOnCancel) {
    sim::Machine m = sim::Machine::NT40();
    m.HoldMouseOnCancelAtPoll(1);
    m.AnswerQuestions({os::IDYES});
    RunResult r = scenario::Install(m, FilesPackage().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxTexts(), Contains(kAborted));
}

TEST(ProgressDialog, IgnoresTheMouseHeldElsewhereEvenWithEscape) {
    sim::Machine m = sim::Machine::NT40();
    m.HoldMouseElsewhereAtPoll(1);
    m.HoldEscapeAtPoll(1);
    RunResult r = scenario::Install(m, FilesPackage().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.BoxTexts(), ElementsAre("App is installed."));
    EXPECT_GE(m.Polls(), 1);
}

TEST(ProgressDialog, ReportsAFailedInstallationWithOneClosingBoxThatIsLogged) {
    sim::Machine m = sim::Machine::NT40();
    m.MakeDirectories("C:\\APP");
    m.WriteFile("C:\\APP\\B.TXT", "old");
    m.SetAttributes("C:\\APP\\B.TXT", os::FILE_ATTRIBUTE_READONLY);
    RunResult r = scenario::Install(m, FilesPackage().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_GE(r.boxes.size(), 2u);
    std::string closing =
        "An error occured during the installation.\rThe software may not run properly.\r\rRun the "
        "installation program again to complete the installation.";
    EXPECT_EQ(r.boxes.back().text, closing);
    EXPECT_EQ(r.boxes.back().caption, "App - Error");
    EXPECT_THAT(r.logLines, Contains(closing));
}

// The work's own request to end the dialog comes last: a cancel confirmed
// after the engine finished stops the program groups, and the run still
// ends with the service step's success.
TEST(ProgressDialog, SucceedsWhenCancelIsConfirmedDuringTheProgramGroups) {
    PackageBuilder b = FilesPackage();
    b.Group("App").Item("A", "A.TXT").Item("B", "B.TXT");
    int polls = 0;
    std::size_t commands = 0;
    {
        sim::Machine clean = sim::Machine::NT40();
        ASSERT_EQ(scenario::Install(clean, b.Build(), "C:\\APP").exitCode, 0);
        polls = clean.Polls();
        commands = clean.DdeCommands().size();
    }
    sim::Machine m = sim::Machine::NT40();
    m.HoldEscapeAtPoll(polls);
    m.AnswerQuestions({os::IDYES});
    RunResult r = scenario::Install(m, b.Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_LT(m.DdeCommands().size(), commands);
    EXPECT_THAT(r.logLines, Contains("!!! Installation aborted by user !!!"));
    EXPECT_EQ(r.logLines.back(), "The installation was successful!");
    EXPECT_THAT(r.BoxTexts(), ElementsAre("Do you want to abort the installation?", "App is installed."));
}

TEST(ProgressDialog, IsLeftWhereTheTemplatePutItWhenThereIsNoDesktop) {
    sim::Machine m = sim::Machine::NT351();
    m.FailCall("GetDesktopRect", 0, 1400);
    RunResult r = scenario::Install(m, FilesPackage().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.CallCount("MoveWindow"), 0);
    EXPECT_EQ(m.LastWindowText(), "App");
}

TEST(ProgressDialog, AsksAboutTheUninstallationWhenCancelledInUninstallMode) {
    sim::Machine m = sim::Machine::NT40();
    scenario::Install(m, FilesPackage().Build(), "C:\\APP");
    m.AnswerQuestions({os::IDYES, os::IDYES});
    m.HoldEscapeAtPoll(m.Polls() + 1);
    RunResult r = scenario::Uninstall(m, "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(),
                ElementsAre("App Uninstall - Message|Remove App?",
                            "App Uninstall - Message|Do you want to abort the uninstallation?"));
    EXPECT_EQ(m.LastSmallIcon(), os::UninstallSmallIconId);
    EXPECT_EQ(m.LastWindowText(), "App Uninstall");
}

}  // namespace
