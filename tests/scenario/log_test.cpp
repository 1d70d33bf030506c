// The installation log of whole runs: what arrives, in which order, and
// when the log is kept or removed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/scenario.h"

namespace {

using scenario::AppPackage;
using scenario::RunResult;
using ::testing::Contains;
using ::testing::ElementsAre;

TEST(InstallRunLog, HoldsTheChecksTheWorkAndTheVerdictInOrder) {
    sim::Machine m = sim::Machine::NT40();
    m.SetClusterGeometry('C', 1, 1);
    m.SetFreeSpace('C', 100000000);
    PackageBuilder b = AppPackage();
    b.Header().CreateUninstaller = 0;
    b.File("A.TXT", TextBytes("aaaa"));
    RunResult r = scenario::Install(m, b.Build(), "C:\\APP");
    ASSERT_EQ(r.exitCode, 0);
    ASSERT_GE(r.logLines.size(), 8u);
    EXPECT_THAT(std::vector<std::string>(r.logLines.begin(), r.logLines.begin() + 6),
                ElementsAre("Created logfile: C:\\APP\\InstLog.txt", "Windows version: 4.0",
                            "Destination disk type: Fixed", "Available diskspace: 100000000",
                            "Disk space required: " + std::to_string(4 + 4 + 65536), ""));
    EXPECT_THAT(std::vector<std::string>(r.logLines.end() - 2, r.logLines.end()),
                ElementsAre("", "The installation was successful!"));
    EXPECT_EQ(r.log.substr(r.log.size() - 2), "\r\n");
}

TEST(InstallRunLog, IsDeletedAfterASuccessfulRunWhenAsked) {
    sim::Machine m = sim::Machine::NT40();
    RunResult r = scenario::Install(m, AppPackage().DeleteLogOnSuccess().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(m.Exists("C:\\APP\\InstLog.txt"));
    EXPECT_EQ(r.outstandingBlocks, 0u);
}

TEST(InstallRunLog, IsKeptAfterAFailedRunEvenWhenDeletionIsAsked) {
    sim::Machine m = sim::Machine::NT40();
    // Room for the log, not for the 64 KiB margin and the uninstaller.
    m.SetClusterGeometry('C', 1, 1);
    m.SetFreeSpace('C', 65536);
    RunResult r = scenario::Install(m, AppPackage().DeleteLogOnSuccess().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_TRUE(m.Exists("C:\\APP\\InstLog.txt"));
    EXPECT_EQ(r.logLines.back(), "An error occured during installation!");
}

TEST(InstallRunLog, IsNotCreatedWhenTheMainDialogIsCancelled) {
    sim::Machine m = sim::Machine::NT40();
    m.MakeDirectories("C:\\Program Files\\APP");
    m.PressCancel();
    RunResult r = scenario::RunPackage(m, AppPackage().Build());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(m.Exists("C:\\Program Files\\APP\\InstLog.txt"));
}

TEST(InstallRunLog, IsNotCreatedWithoutTheHeaderFlagAndAnOldOneStaysUntouched) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\APP\\InstLog.txt", "an old log");
    RunResult r = scenario::Install(m, AppPackage().CreateLog(false).Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.ReadText("C:\\APP\\InstLog.txt"), "an old log");
}

TEST(InstallRunLog, IsRewrittenFromTheStartByANewInstallation) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\APP\\InstLog.txt", std::string(100000, 'o'));
    RunResult r = scenario::Install(m, AppPackage().Build(), "C:\\APP");
    EXPECT_EQ(r.logLines.front(), "Created logfile: C:\\APP\\InstLog.txt");
    EXPECT_EQ(r.log.find('o' + std::string(10, 'o')), std::string::npos);
}

TEST(InstallRunLog, GoesOnWithoutALogWhenItCannotBeCreated) {
    sim::Machine m = sim::Machine::NT40();
    m.FailCall("LCreat", 1, os::ERROR_ACCESS_DENIED);
    RunResult r = scenario::Install(m, AppPackage().File("A.TXT", TextBytes("a")).Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.BoxSummary(), ElementsAre("App - Message|Couldn't create log file.",
                                            "App - Message|App is installed."));
    EXPECT_FALSE(m.Exists("C:\\APP\\InstLog.txt"));
    EXPECT_EQ(m.ReadText("C:\\APP\\A.TXT"), "a");
}

TEST(InstallRunLog, HoldsEveryErrorBoxTextButNoQuestionOrInformation) {
    sim::Machine m = sim::Machine::NT40();
    m.HoldEscapeAtPoll(1);
    m.AnswerQuestions({os::IDNO});
    m.MakeDirectories("C:\\APP");
    m.WriteFile("C:\\APP\\B.TXT", "old");
    m.SetAttributes("C:\\APP\\B.TXT", os::FILE_ATTRIBUTE_READONLY);
    RunResult r = scenario::Install(
        m, AppPackage().File("A.TXT", TextBytes("a")).File("B.TXT", TextBytes("b")).Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    for (const sim::Box& box : r.boxes) {
        bool error = (box.type & os::MB_ICONERROR) == os::MB_ICONERROR;
        // A text with line breaks spans several lines of the log.
        EXPECT_EQ(r.log.find(box.text + "\r\n") != std::string::npos, error) << box.text;
    }
}

TEST(UninstallRunLog, WritesNothingEvenWhenAnErrorIsShown) {
    sim::Machine m = sim::Machine::NT40();
    scenario::Install(m, AppPackage().File("A.TXT", TextBytes("a")).CheckInUse().Build(), "C:\\APP");
    std::string before = m.ReadText("C:\\APP\\InstLog.txt");
    m.LoadModule("A");
    RunResult r = scenario::Uninstall(m, "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(m.ReadText("C:\\APP\\InstLog.txt"), before);
}

}  // namespace
