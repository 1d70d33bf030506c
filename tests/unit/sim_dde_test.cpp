// The simulated program manager: the command texts it understands, the
// groups and items it keeps, and its scripted refusals.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "platform/sim/machine.h"

using ::testing::ElementsAre;

namespace {

struct Conversation {
    sim::Machine& m;
    std::uint32_t instance = 0;
    os::DdeConversation conv = 0;

    explicit Conversation(sim::Machine& machine) : m(machine) {
        EXPECT_EQ(m.DdeInitialize(&instance), os::DMLERR_NO_ERROR);
        conv = m.DdeConnect(instance, "PROGMAN");
    }
    bool Execute(const char* text) {
        return m.DdeExecute(conv, text, static_cast<std::uint32_t>(std::strlen(text) + 1), 1000);
    }
};

}  // namespace

TEST(SimDde, CreatesAGroupAndAddsItemsInBothForms) {
    sim::Machine m = sim::Machine::NT40();
    Conversation c(m);
    ASSERT_NE(c.conv, 0u);
    ASSERT_TRUE(c.Execute("[CreateGroup(\"My Tools\")]"));
    ASSERT_TRUE(c.Execute("[ShowGroup(\"My Tools\",5)]"));
    ASSERT_TRUE(c.Execute("[AddItem(C:\\APP\\TOOL.EXE /x,Tool)]"));
    ASSERT_TRUE(c.Execute("[AddItem(\"C:\\Program Files\\App\\Big Tool.exe\" -a,Big Tool,C:\\Program Files\\App\\Big Tool.exe,2)]"));
    ASSERT_TRUE(c.Execute("[AddItem(\"C:\\APP\\UNINST.EXE\",Uninstall Tool,\"C:\\APP\\UNINST.EXE\",1)]"));
    const sim::ProgramGroup* g = m.FindGroup("my tools");
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(g->items.size(), 3u);
    EXPECT_EQ(g->items[0].commandLine, "C:\\APP\\TOOL.EXE /x");
    EXPECT_EQ(g->items[0].title, "Tool");
    EXPECT_EQ(g->items[0].iconPath, "");
    EXPECT_EQ(g->items[1].commandLine, "\"C:\\Program Files\\App\\Big Tool.exe\" -a");
    EXPECT_EQ(g->items[1].title, "Big Tool");
    EXPECT_EQ(g->items[1].iconPath, "C:\\Program Files\\App\\Big Tool.exe");
    EXPECT_EQ(g->items[1].iconIndex, 2);
    EXPECT_EQ(g->items[2].commandLine, "C:\\APP\\UNINST.EXE");
    EXPECT_EQ(g->items[2].iconPath, "C:\\APP\\UNINST.EXE");
    EXPECT_EQ(g->items[2].iconIndex, 1);
    EXPECT_THAT(m.ShownGroups(), ElementsAre("My Tools"));
    EXPECT_EQ(m.DdeCommands().size(), 5u);
    EXPECT_EQ(m.DdeCommands()[0], "[CreateGroup(\"My Tools\")]");
}

TEST(SimDde, DeletesItemsByTitleAndGroupsByName) {
    sim::Machine m = sim::Machine::NT40();
    Conversation c(m);
    ASSERT_TRUE(c.Execute("[CreateGroup(\"G\")][AddItem(C:\\A.EXE,A)][AddItem(C:\\B.EXE,B)]"));
    ASSERT_TRUE(c.Execute("[DeleteItem(a)]"));
    EXPECT_FALSE(c.Execute("[DeleteItem(A)]"));
    EXPECT_EQ(m.DdeGetLastError(c.instance), os::DMLERR_NOTPROCESSED);
    ASSERT_EQ(m.FindGroup("G")->items.size(), 1u);
    EXPECT_EQ(m.FindGroup("G")->items[0].title, "B");
    ASSERT_TRUE(c.Execute("[DeleteGroup(\"g\")]"));
    EXPECT_TRUE(m.Groups().empty());
    EXPECT_FALSE(c.Execute("[DeleteGroup(\"g\")]"));
}

TEST(SimDde, RefusesTextThatIsNoCommand) {
    sim::Machine m = sim::Machine::NT40();
    Conversation c(m);
    EXPECT_FALSE(c.Execute("CreateGroup(\"G\")"));
    EXPECT_FALSE(c.Execute("[CreateGroup(\"G\""));
    EXPECT_FALSE(c.Execute("[Explode(1)]"));
    EXPECT_FALSE(c.Execute("[ShowGroup(\"Missing\",5)]"));
    EXPECT_TRUE(m.Groups().empty());
}

TEST(SimDde, AnItemNeedsAGroup) {
    sim::Machine m = sim::Machine::NT40();
    Conversation c(m);
    EXPECT_FALSE(c.Execute("[AddItem(C:\\A.EXE,A)]"));
}

TEST(SimDde, ARefusedConnectionReportsNoConversation) {
    sim::Machine m = sim::Machine::NT40();
    m.RefuseDdeConnection();
    Conversation c(m);
    EXPECT_EQ(c.conv, 0u);
    EXPECT_EQ(m.DdeGetLastError(c.instance), os::DMLERR_NO_CONV_ESTABLISHED);
    // Reading the error resets it.
    EXPECT_EQ(m.DdeGetLastError(c.instance), os::DMLERR_NO_ERROR);
}

TEST(SimDde, OnlyTheProgramManagerAnswers) {
    sim::Machine m = sim::Machine::NT40();
    std::uint32_t instance = 0;
    m.DdeInitialize(&instance);
    EXPECT_EQ(m.DdeConnect(instance, "EXCEL"), 0u);
    EXPECT_NE(m.DdeConnect(instance, "progman"), 0u);
}

TEST(SimDde, TheNthCommandFailsWithTheGivenError) {
    sim::Machine m = sim::Machine::NT40();
    m.FailDdeCommand(2, os::DMLERR_SYS_ERROR);
    Conversation c(m);
    EXPECT_TRUE(c.Execute("[CreateGroup(\"A\")]"));
    EXPECT_FALSE(c.Execute("[CreateGroup(\"B\")]"));
    EXPECT_EQ(m.DdeGetLastError(c.instance), os::DMLERR_SYS_ERROR);
    EXPECT_TRUE(c.Execute("[CreateGroup(\"C\")]"));
    ASSERT_EQ(m.Groups().size(), 2u);
    EXPECT_EQ(m.Groups()[1].name, "C");
}

TEST(SimDde, TimedOutAcknowledgementsFailThenTheCommandIsCarriedOut) {
    sim::Machine m = sim::Machine::NT40();
    m.TimeOutDdeAcknowledge(2);
    Conversation c(m);
    EXPECT_FALSE(c.Execute("[CreateGroup(\"A\")]"));
    EXPECT_EQ(m.DdeGetLastError(c.instance), os::DMLERR_EXECACKTIMEOUT);
    EXPECT_FALSE(c.Execute("[CreateGroup(\"A\")]"));
    EXPECT_TRUE(c.Execute("[CreateGroup(\"A\")]"));
    EXPECT_EQ(m.Groups().size(), 1u);
    EXPECT_EQ(m.DdeCommands().size(), 3u);
}

TEST(SimDde, AnExecuteAfterDisconnectingFails) {
    sim::Machine m = sim::Machine::NT40();
    Conversation c(m);
    ASSERT_TRUE(m.DdeDisconnect(c.conv));
    EXPECT_FALSE(m.DdeConnected());
    EXPECT_FALSE(c.Execute("[CreateGroup(\"A\")]"));
    EXPECT_TRUE(m.DdeUninitialize(c.instance));
}
