#include <gtest/gtest.h>

#include <string>

#include "log/log.h"
#include "platform/sim/machine.h"
#include "run/run.h"

namespace {

// A run whose destination C:\APP exists and whose header asks for a log.
struct LogRun {
    sim::Machine m = sim::Machine::NT40();
    InstallHeader header{};
    char destination[PathSize] = "C:\\APP";
    Run run{m};

    LogRun() {
        m.MakeDirectories("C:\\APP");
        header.CreateLog = 1;
        run.Header = &header;
        run.DestinationDir = destination;
    }
    std::string Log() const { return m.ReadText("C:\\APP\\InstLog.txt"); }
};

TEST(InstallLog, StartsWithTheCreatedLine) {
    LogRun t;
    OpenInstallLog(t.run, 0);
    CloseInstallLog(t.run, false);
    EXPECT_EQ(t.Log(), "Created logfile: C:\\APP\\InstLog.txt\r\n");
}

TEST(InstallLog, WritesLabelTextAndNumbersAsLines) {
    LogRun t;
    OpenInstallLog(t.run, 0);
    LogLine(t.run, "Executing: ", "C:\\APP\\README.TXT");
    LogNumber(t.run, "Available diskspace: ", -5);
    LogText(t.run, "");
    LogText(t.run, "\r\n!!! Installation aborted by user !!!\r\n");
    CloseInstallLog(t.run, false);
    EXPECT_EQ(t.Log(),
              "Created logfile: C:\\APP\\InstLog.txt\r\n"
              "Executing: C:\\APP\\README.TXT\r\n"
              "Available diskspace: -5\r\n"
              "\r\n"
              "\r\n!!! Installation aborted by user !!!\r\n\r\n");
}

TEST(InstallLog, CutsALongLineAt1023Characters) {
    LogRun t;
    OpenInstallLog(t.run, 0);
    std::string text(2000, 'x');
    LogLine(t.run, "Label: ", text.c_str());
    LogText(t.run, "next");
    CloseInstallLog(t.run, false);
    std::string log = t.Log();
    std::string first = "Created logfile: C:\\APP\\InstLog.txt\r\n";
    ASSERT_EQ(log.size(), first.size() + 1023 + 6);
    std::string cut = log.substr(first.size(), 1023);
    EXPECT_EQ(cut, "Label: " + std::string(1016, 'x'));
    EXPECT_EQ(log.substr(first.size() + 1023), "next\r\n");
}

TEST(InstallLog, WritesEachLineWithOneWrite) {
    LogRun t;
    OpenInstallLog(t.run, 0);
    int before = t.m.CallCount("HWrite");
    LogLine(t.run, "Label: ", "text");
    EXPECT_EQ(t.m.CallCount("HWrite"), before + 1);
    CloseInstallLog(t.run, false);
}

TEST(InstallLog, IsNotCreatedWhenTheHeaderDoesNotAskForIt) {
    LogRun t;
    t.header.CreateLog = 0;
    t.m.WriteFile("C:\\APP\\InstLog.txt", "old");
    OpenInstallLog(t.run, 0);
    LogText(t.run, "line");
    CloseInstallLog(t.run, true);
    EXPECT_EQ(t.Log(), "old");
}

TEST(InstallLog, EmptiesAndRewritesAnExistingLog) {
    LogRun t;
    t.m.WriteFile("C:\\APP\\InstLog.txt", std::string(5000, 'o'));
    OpenInstallLog(t.run, 0);
    CloseInstallLog(t.run, false);
    EXPECT_EQ(t.Log(), "Created logfile: C:\\APP\\InstLog.txt\r\n");
}

TEST(InstallLog, WritesNothingInUninstallMode) {
    LogRun t;
    OpenInstallLog(t.run, 0);
    t.run.UninstallMode = true;
    LogText(t.run, "not here");
    CloseInstallLog(t.run, false);
    EXPECT_EQ(t.Log(), "Created logfile: C:\\APP\\InstLog.txt\r\n");
}

TEST(InstallLog, IsDeletedAfterSuccessWhenAsked) {
    LogRun t;
    t.header.DeleteLogOnSuccess = 1;
    OpenInstallLog(t.run, 0);
    CloseInstallLog(t.run, true);
    EXPECT_FALSE(t.m.Exists("C:\\APP\\InstLog.txt"));
    EXPECT_EQ(t.m.OutstandingBlocks(), 0u);
    EXPECT_EQ(t.m.OpenFileHandles(), 0u);
}

TEST(InstallLog, IsKeptAfterFailureEvenWhenDeletionIsAsked) {
    LogRun t;
    t.header.DeleteLogOnSuccess = 1;
    OpenInstallLog(t.run, 0);
    CloseInstallLog(t.run, false);
    EXPECT_TRUE(t.m.Exists("C:\\APP\\InstLog.txt"));
    EXPECT_EQ(t.m.OutstandingBlocks(), 0u);
}

TEST(InstallLog, IsKeptWhenThereWasNoMemoryForItsPath) {
    LogRun t;
    t.header.DeleteLogOnSuccess = 1;
    t.m.FailCall("Alloc", 1, os::ERROR_NOT_ENOUGH_MEMORY);
    OpenInstallLog(t.run, 0);
    LogText(t.run, "still written");
    CloseInstallLog(t.run, true);
    EXPECT_EQ(t.Log(), "Created logfile: C:\\APP\\InstLog.txt\r\nstill written\r\n");
}

TEST(InstallLog, ShowsAnInformationBoxWhenItCannotBeCreatedAndWritesNothingLater) {
    LogRun t;
    t.m.FailCall("LCreat", 1, os::ERROR_ACCESS_DENIED);
    OpenInstallLog(t.run, 0);
    LogText(t.run, "lost");
    CloseInstallLog(t.run, false);
    ASSERT_EQ(t.m.Boxes().size(), 1u);
    EXPECT_EQ(t.m.Boxes()[0].text, "Couldn't create log file.");
    EXPECT_EQ(t.m.Boxes()[0].caption, "Message");
    EXPECT_EQ(t.m.Boxes()[0].type, os::MB_OK | os::MB_ICONINFORMATION | os::MB_SETFOREGROUND);
    EXPECT_FALSE(t.m.Exists("C:\\APP\\InstLog.txt"));
}

}  // namespace
