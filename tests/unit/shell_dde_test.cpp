// The DDE client: starting the instance and the retry rule of one command.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "shell/shell.h"
#include "unit/shell_engine_run.h"

using enginetest::EngineRun;
using ::testing::ElementsAre;

namespace {

struct Connected : EngineRun {
    Connected() : EngineRun(sim::Machine::NT40()) {
        Bind(false);
        StartShellDde(run);
        run.ShellConversation = m.DdeConnect(run.DdeInstance, "PROGMAN");
    }
};

TEST(ShellCommand, ACommandThatKeepsTimingOutIsSentFiveTimesWithFourPauses) {
    Connected c;
    c.m.TimeOutDdeAcknowledge(100);
    EXPECT_EQ(ExecuteShellCommand(c.run, "[CreateGroup(\"Tools\")]"), os::DMLERR_EXECACKTIMEOUT);
    EXPECT_EQ(c.m.DdeCommands().size(), 5u);
    EXPECT_THAT(c.m.Sleeps(), ElementsAre(500u, 500u, 500u, 500u));
    EXPECT_EQ(c.run.LastDdeError, os::DMLERR_EXECACKTIMEOUT);
    EXPECT_EQ(c.m.FindGroup("Tools"), nullptr);
}

TEST(ShellCommand, ACommandAcknowledgedAtTheThirdTrySucceedsAfterTwoPauses) {
    Connected c;
    c.m.TimeOutDdeAcknowledge(2);
    c.run.LastDdeError = 77;
    EXPECT_EQ(ExecuteShellCommand(c.run, "[CreateGroup(\"Tools\")]"), 0u);
    EXPECT_EQ(c.m.DdeCommands().size(), 3u);
    EXPECT_THAT(c.m.Sleeps(), ElementsAre(500u, 500u));
    EXPECT_EQ(c.run.LastDdeError, 0u);
    EXPECT_NE(c.m.FindGroup("Tools"), nullptr);
}

TEST(ShellCommand, AnyOtherErrorIsReportedAfterTheFirstTry) {
    Connected c;
    c.m.FailDdeCommand(1, os::DMLERR_NOTPROCESSED);
    EXPECT_EQ(ExecuteShellCommand(c.run, "[CreateGroup(\"Tools\")]"), os::DMLERR_NOTPROCESSED);
    EXPECT_EQ(c.m.DdeCommands().size(), 1u);
    EXPECT_TRUE(c.m.Sleeps().empty());
    EXPECT_EQ(c.run.LastDdeError, os::DMLERR_NOTPROCESSED);
}

TEST(ShellCommand, TheCommandTextReachesTheShellWhole) {
    Connected c;
    std::string command = "[CreateGroup(\"" + std::string(200, 'G') + "\")]";
    EXPECT_EQ(ExecuteShellCommand(c.run, command.c_str()), 0u);
    ASSERT_EQ(c.m.DdeCommands().size(), 1u);
    EXPECT_EQ(c.m.DdeCommands()[0], command);
}

TEST(ShellDdeInstance, AFailedInitializationShowsItsErrorWithoutOwner) {
    EngineRun e(sim::Machine::NT40());
    e.Bind(false);
    e.m.FailCall("DdeInitialize", 1, os::DMLERR_SYS_ERROR);
    EXPECT_FALSE(StartShellDde(e.run));
    ASSERT_EQ(e.m.Boxes().size(), 1u);
    EXPECT_EQ(e.m.Boxes()[0].text, "Couldn't initialize DDE.");
    EXPECT_EQ(e.m.Boxes()[0].owner, 0u);
    EXPECT_EQ(e.m.Boxes()[0].caption, "Tool Setup - Error");
    EndShellDde(e.run);
    EXPECT_EQ(e.m.CallCount("DdeUninitialize"), 0);
}

TEST(ShellDdeInstance, TheInstanceIsEndedOnceAtExit) {
    EngineRun e(sim::Machine::NT40());
    e.Bind(false);
    ASSERT_TRUE(StartShellDde(e.run));
    EXPECT_NE(e.run.DdeInstance, 0u);
    EndShellDde(e.run);
    EXPECT_EQ(e.m.CallCount("DdeUninitialize"), 1);
}

}  // namespace
