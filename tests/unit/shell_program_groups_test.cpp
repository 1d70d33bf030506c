// The program-group step: the command texts sent to the program manager in
// both modes, the quoting and icon rules by Windows version, the uninstall
// item, and what each failure leads to.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "shell/shell.h"
#include "unit/shell_engine_run.h"

using enginetest::EngineRun;
using enginetest::ProgressWindow;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

// Two files, two groups and three items: the second item carries over the
// group of the first, the third names the second group.
struct Tools : EngineRun {
    explicit Tools(sim::Machine machine, const std::string& destination = "C:\\APP")
        : EngineRun(std::move(machine), destination) {
        AddFile("TOOL.EXE");
        AddFile("README.TXT");
        AddGroup("Tools");
        AddGroup("Tools Extra");
        AddItem("Tool", 1, 1, "", 1);
        AddItem("Read Me", 0, 2);
        AddItem("Tool Safe", 2, 1, "/safe", 2);
    }
    bool Step() {
        StartShellDde(run);
        return UpdateProgramGroups(run, ProgressWindow);
    }
};

TEST(ProgramGroupsInstall, Version4QuotesEveryPathAndCountsIconsFromZero) {
    Tools t(sim::Machine::NT40());
    t.Bind(false);
    EXPECT_TRUE(t.Step());
    EXPECT_THAT(t.m.DdeCommands(),
                ElementsAre("[CreateGroup(\"Tools\")]", "[CreateGroup(\"Tools Extra\")]",
                            "[ShowGroup(\"Tools\",5)]", "[DeleteItem(Tool)]",
                            "[AddItem(\"C:\\APP\\TOOL.EXE\" ,Tool,C:\\APP\\TOOL.EXE,0)]",
                            "[ShowGroup(\"Tools\",5)]", "[DeleteItem(Read Me)]",
                            "[AddItem(\"C:\\APP\\README.TXT\" ,Read Me)]",
                            "[ShowGroup(\"Tools Extra\",5)]", "[DeleteItem(Tool Safe)]",
                            "[AddItem(\"C:\\APP\\TOOL.EXE\" /safe,Tool Safe,C:\\APP\\TOOL.EXE,1)]"));
    ASSERT_NE(t.m.FindGroup("Tools"), nullptr);
    EXPECT_EQ(t.m.FindGroup("Tools")->items.size(), 2u);
    ASSERT_NE(t.m.FindGroup("Tools Extra"), nullptr);
    EXPECT_EQ(t.m.FindGroup("Tools Extra")->items.size(), 1u);
    EXPECT_FALSE(t.m.DdeConnected());
    // The progress dialog is shown again after each item's ShowGroup.
    EXPECT_EQ(t.m.CallCount("ShowWindow"), 3);
}

TEST(ProgramGroupsInstall, Version3LeavesAPathWithArgumentsUnquotedAndKeepsTheIconNumber) {
    Tools t(sim::Machine::NT351());
    t.Bind(false);
    EXPECT_TRUE(t.Step());
    EXPECT_THAT(t.m.DdeCommands(),
                ElementsAre("[CreateGroup(\"Tools\")]", "[CreateGroup(\"Tools Extra\")]",
                            "[ShowGroup(\"Tools\",5)]", "[DeleteItem(Tool)]",
                            "[AddItem(\"C:\\APP\\TOOL.EXE\" ,Tool,C:\\APP\\TOOL.EXE,1)]",
                            "[ShowGroup(\"Tools\",5)]", "[DeleteItem(Read Me)]",
                            "[AddItem(\"C:\\APP\\README.TXT\" ,Read Me)]",
                            "[ShowGroup(\"Tools Extra\",5)]", "[DeleteItem(Tool Safe)]",
                            "[AddItem(C:\\APP\\TOOL.EXE /safe,Tool Safe,C:\\APP\\TOOL.EXE,2)]"));
}

TEST(ProgramGroupsInstall, TheStatusLinesNameTheGroupsAndTheShortcuts) {
    Tools t(sim::Machine::Windows95());
    t.Bind(false);
    t.Step();
    EXPECT_THAT(t.m.ItemHistory(384), ElementsAre("Adding program group:", "Adding shortcut:"));
    EXPECT_THAT(t.m.ItemHistory(385),
                ElementsAre("", "Tools", "Tools Extra", "", "Tool", "Read Me", "Tool Safe"));
}

TEST(ProgramGroupsInstall, OlderShellsReadIconInTheStatusLine) {
    Tools t(sim::Machine::NT351());
    t.Bind(false);
    t.Step();
    EXPECT_THAT(t.m.ItemHistory(384), ElementsAre("Adding program group:", "Adding icon:"));
}

TEST(ProgramGroupsInstall, TheLogTellsTheConnectionGroupsAndItems) {
    Tools t(sim::Machine::NT40());
    t.header.CreateUninstaller = 1;
    t.header.UninstallItemAlways = 1;
    t.BindInstallWithLog();
    t.Step();
    EXPECT_THAT(t.Log(), HasSubstr("Connecting to shell...\r\n"
                                   "Creating group: Tools\r\n"
                                   "Creating group: Tools Extra\r\n"
                                   "Adding item: Tool\r\n"
                                   "Adding item: Read Me\r\n"
                                   "Adding item: Tool Safe\r\n"
                                   "Adding uninstall item: Uninstall Tool\r\n"
                                   "\r\n"));
}

TEST(ProgramGroupsInstall, SkippedAndExcludedGroupsAndItemsAreNotSent) {
    EngineRun e(sim::Machine::Windows95());
    e.AddFile("TOOL.EXE");
    e.AddGroup("Skipped").SkipAtInstall = 1;
    e.AddGroup("Not On 95").NotOnWindows95 = 1;
    e.AddGroup("Not On NT").NotOnWindowsNT = 1;
    e.AddItem("Skipped Item", 3, 1).SkipAtInstall = 1;
    e.AddItem("Item 95", 3, 1).NotOnWindows95 = 1;
    e.AddItem("Item NT", 3, 1).NotOnWindowsNT = 1;
    e.Bind(false);
    StartShellDde(e.run);
    EXPECT_TRUE(UpdateProgramGroups(e.run, ProgressWindow));
    EXPECT_THAT(e.m.DdeCommands(),
                ElementsAre("[CreateGroup(\"Not On NT\")]", "[ShowGroup(\"Not On NT\",5)]",
                            "[DeleteItem(Item NT)]",
                            "[AddItem(\"C:\\APP\\TOOL.EXE\" ,Item NT)]"));
}

TEST(ProgramGroupsInstall, AFirstItemWithoutGroupGoesIntoTheFirstGroup) {
    EngineRun e(sim::Machine::NT40());
    e.AddFile("TOOL.EXE");
    e.AddGroup("First");
    e.AddGroup("Second");
    e.AddItem("Orphan", 0, 1);
    e.Bind(false);
    StartShellDde(e.run);
    EXPECT_TRUE(UpdateProgramGroups(e.run, ProgressWindow));
    EXPECT_THAT(e.m.ShownGroups(), ElementsAre("First"));
    ASSERT_NE(e.m.FindGroup("First"), nullptr);
    EXPECT_EQ(e.m.FindGroup("First")->items.size(), 1u);
}

TEST(ProgramGroupsInstall, ItemsWithoutAnyGroupAreNotSent) {
    EngineRun e(sim::Machine::NT40());
    e.AddFile("TOOL.EXE");
    e.AddItem("Nowhere", 0, 1);
    e.Bind(false);
    StartShellDde(e.run);
    EXPECT_TRUE(UpdateProgramGroups(e.run, ProgressWindow));
    EXPECT_THAT(e.m.DdeCommands(), IsEmpty());
}

TEST(ProgramGroupsInstall, TheLongestCommandIsSentWithoutBeingCut) {
    // A destination of 250 characters gives a program path of 259.
    std::string destination = "C:\\" + std::string(247, 'D');
    EngineRun e(sim::Machine::NT40(), destination);
    e.AddFile("TOOL.EXE");
    e.AddGroup(std::string(35, 'G'));
    std::string title(63, 'T');
    std::string arguments(63, 'A');
    e.AddItem(title, 1, 1, arguments, 9);
    e.Bind(false);
    StartShellDde(e.run);
    EXPECT_TRUE(UpdateProgramGroups(e.run, ProgressWindow));
    std::string path = destination + "\\TOOL.EXE";
    ASSERT_EQ(path.size(), 259u);
    std::string expected =
        "[AddItem(\"" + path + "\" " + arguments + "," + title + "," + path + ",8)]";
    ASSERT_FALSE(e.m.DdeCommands().empty());
    EXPECT_EQ(e.m.DdeCommands().back(), expected);
}

TEST(ProgramGroupsInstall, TheUninstallItemGoesIntoTheFirstGroupEvenWhenItWasSkipped) {
    EngineRun e(sim::Machine::NT40());
    e.AddGroup("Skipped").SkipAtInstall = 1;
    e.AddGroup("Shown");
    e.header.CreateUninstaller = 1;
    e.header.UninstallItemAlways = 1;
    e.Bind(false);
    StartShellDde(e.run);
    // The skipped group is already there, made by some earlier installation.
    const os::DdeConversation earlier = e.m.DdeConnect(e.run.DdeInstance, "PROGMAN");
    const char create[] = "[CreateGroup(\"Skipped\")]";
    ASSERT_TRUE(e.m.DdeExecute(earlier, create, sizeof create, 10000));
    e.m.DdeDisconnect(earlier);
    EXPECT_TRUE(UpdateProgramGroups(e.run, ProgressWindow));
    EXPECT_THAT(e.m.DdeCommands(),
                ElementsAre(create, "[CreateGroup(\"Shown\")]", "[ShowGroup(\"Skipped\",5)]",
                            "[DeleteItem(Uninstall Tool)]",
                            "[AddItem(\"C:\\APP\\UNINST.EXE\",Uninstall Tool,"
                            "\"C:\\APP\\UNINST.EXE\",1)]"));
    ASSERT_NE(e.m.FindGroup("Skipped"), nullptr);
    ASSERT_EQ(e.m.FindGroup("Skipped")->items.size(), 1u);
    EXPECT_EQ(e.m.FindGroup("Skipped")->items[0].title, "Uninstall Tool");
}

struct UninstallItemCase {
    const char* name;
    sim::Machine (*machine)();
    std::uint32_t createUninstaller;
    std::uint32_t always;
    bool withGroup;
    bool expected;
};

class UninstallItemRule : public ::testing::TestWithParam<UninstallItemCase> {};

// Installs, then uninstalls on the same machine; the rule decides for both.
TEST_P(UninstallItemRule, DecidesWhetherTheUninstallItemIsHandled) {
    const UninstallItemCase& c = GetParam();
    EngineRun e(c.machine());
    e.AddFile("TOOL.EXE");
    if (c.withGroup) e.AddGroup("Tools");
    e.header.CreateUninstaller = c.createUninstaller;
    e.header.UninstallItemAlways = c.always;
    StartShellDde(e.run);
    std::size_t from = 0;
    for (bool uninstall : {false, true}) {
        e.Bind(uninstall);
        EXPECT_TRUE(UpdateProgramGroups(e.run, ProgressWindow));
        bool deleted = false;
        bool added = false;
        for (std::size_t i = from; i < e.m.DdeCommands().size(); ++i) {
            const std::string& command = e.m.DdeCommands()[i];
            if (command == "[DeleteItem(Uninstall Tool)]") deleted = true;
            if (command.rfind("[AddItem(\"C:\\APP\\UNINST.EXE\",Uninstall Tool,", 0) == 0)
                added = true;
        }
        from = e.m.DdeCommands().size();
        EXPECT_EQ(deleted, c.expected) << (uninstall ? "uninstall" : "install");
        EXPECT_EQ(added, c.expected && !uninstall) << (uninstall ? "uninstall" : "install");
    }
    EXPECT_THAT(e.m.Groups(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    ProgramGroups, UninstallItemRule,
    ::testing::Values(
        UninstallItemCase{"Version4WithoutAlways", &sim::Machine::NT40, 1, 0, true, false},
        UninstallItemCase{"Version4WithAlways", &sim::Machine::Windows95, 1, 1, true, true},
        UninstallItemCase{"Version3WithoutAlways", &sim::Machine::NT351, 1, 0, true, true},
        UninstallItemCase{"NoUninstaller", &sim::Machine::NT351, 0, 1, true, false},
        UninstallItemCase{"NoGroup", &sim::Machine::NT351, 1, 1, false, false}),
    [](const ::testing::TestParamInfo<UninstallItemCase>& p) { return p.param.name; });

TEST(ProgramGroupsUninstall, ItemsGoBeforeTheirGroupsAndEveryGroupIsDeleted) {
    EngineRun e(sim::Machine::NT40());
    e.AddFile("TOOL.EXE");
    e.AddGroup("Tools");
    e.AddGroup("Skipped").SkipAtInstall = 1;
    e.AddItem("Tool", 1, 1);
    e.AddItem("Hidden", 0, 1).SkipAtInstall = 1;
    e.AddItem("Only 95", 0, 1).NotOnWindowsNT = 1;
    e.header.CreateUninstaller = 1;
    e.header.UninstallItemAlways = 1;
    e.Bind(false);
    StartShellDde(e.run);
    ASSERT_TRUE(UpdateProgramGroups(e.run, ProgressWindow));
    const std::size_t installed = e.m.DdeCommands().size();
    e.Bind(true);
    EXPECT_TRUE(UpdateProgramGroups(e.run, ProgressWindow));
    std::vector<std::string> sent(e.m.DdeCommands().begin() + static_cast<long>(installed),
                                  e.m.DdeCommands().end());
    EXPECT_THAT(sent, ElementsAre("[ShowGroup(\"Tools\",5)]", "[DeleteItem(Tool)]",
                                  "[ShowGroup(\"Tools\",5)]", "[DeleteItem(Hidden)]",
                                  "[ShowGroup(\"Tools\",5)]", "[DeleteItem(Uninstall Tool)]",
                                  "[DeleteGroup(\"Tools\")]", "[DeleteGroup(\"Skipped\")]"));
    EXPECT_THAT(e.m.Groups(), IsEmpty());
    EXPECT_THAT(e.m.ItemHistory(384),
                ElementsAre("Adding program group:", "Adding shortcut:", "Removing shortcut:",
                            "Removing program group:"));
}

TEST(ProgramGroupsUninstall, InstallThenUninstallLeavesTheShellEmpty) {
    Tools t(sim::Machine::NT351());
    t.header.CreateUninstaller = 1;
    t.Bind(false);
    ASSERT_TRUE(t.Step());
    ASSERT_EQ(t.m.Groups().size(), 2u);
    t.Bind(true);
    EXPECT_TRUE(UpdateProgramGroups(t.run, ProgressWindow));
    EXPECT_THAT(t.m.Groups(), IsEmpty());
    EXPECT_THAT(t.m.ItemHistory(384), ElementsAre("Adding program group:", "Adding icon:",
                                                  "Removing icon:", "Removing program group:"));
}

TEST(ProgramGroupsFailures, ARefusedConnectionIsReportedInInstallMode) {
    Tools t(sim::Machine::NT40());
    t.BindInstallWithLog();
    t.m.RefuseDdeConnection();
    EXPECT_FALSE(t.Step());
    EXPECT_THAT(t.BoxTexts(),
                ElementsAre("Couldn't communicate with shell. Error code 16394.\r\n"
                            "No program group or items are added."));
    EXPECT_EQ(t.m.Boxes()[0].owner, ProgressWindow);
    EXPECT_THAT(t.m.DdeCommands(), IsEmpty());
    EXPECT_THAT(t.Log(), HasSubstr("Connecting to shell...\r\nCouldn't communicate with shell."));
}

TEST(ProgramGroupsFailures, ARefusedConnectionIsReportedInUninstallMode) {
    Tools t(sim::Machine::NT40());
    t.Bind(true);
    t.m.RefuseDdeConnection();
    EXPECT_FALSE(t.Step());
    EXPECT_THAT(t.BoxTexts(),
                ElementsAre("Couldn't communicate with shell. Error code 16394.\r\n"
                            "No program group or items will be uninstalled."));
    EXPECT_EQ(t.run.LastDdeError, os::DMLERR_NO_CONV_ESTABLISHED);
}

TEST(ProgramGroupsFailures, AFailedCreateGroupAddsNothingFurther) {
    Tools t(sim::Machine::NT40());
    t.header.CreateUninstaller = 1;
    t.header.UninstallItemAlways = 1;
    t.BindInstallWithLog();
    t.m.FailDdeCommand(1, os::DMLERR_NOTPROCESSED);
    EXPECT_FALSE(t.Step());
    EXPECT_THAT(t.m.DdeCommands(), ElementsAre("[CreateGroup(\"Tools\")]"));
    EXPECT_THAT(t.BoxTexts(), ElementsAre("Couldn't create the program group 'Tools'."));
    EXPECT_THAT(t.Log(), HasSubstr("Creating group: Tools\r\nDDE Error: 16393\r\n"
                                   "Couldn't create the program group 'Tools'.\r\n"));
    EXPECT_FALSE(t.m.DdeConnected());
}

TEST(ProgramGroupsFailures, AFailedDeleteGroupGoesOnWithTheNextGroupSilently) {
    Tools t(sim::Machine::NT40());
    t.Bind(false);
    ASSERT_TRUE(t.Step());
    t.Bind(true);
    // Uninstall commands: 3 items x (ShowGroup, DeleteItem), then 2 DeleteGroup.
    const int sent = static_cast<int>(t.m.DdeCommands().size());
    t.m.FailDdeCommand(sent + 7, os::DMLERR_NOTPROCESSED);
    EXPECT_TRUE(UpdateProgramGroups(t.run, ProgressWindow));
    EXPECT_THAT(t.m.Boxes(), IsEmpty());
    EXPECT_EQ(t.m.DdeCommands().back(), "[DeleteGroup(\"Tools Extra\")]");
    EXPECT_NE(t.m.FindGroup("Tools"), nullptr);
    EXPECT_EQ(t.m.FindGroup("Tools Extra"), nullptr);
}

TEST(ProgramGroupsFailures, AFailedShowGroupEndsTheStepWithoutABox) {
    Tools t(sim::Machine::NT40());
    t.header.CreateUninstaller = 1;
    t.header.UninstallItemAlways = 1;
    t.BindInstallWithLog();
    t.m.FailDdeCommand(3, os::DMLERR_NOTPROCESSED);  // the first ShowGroup
    EXPECT_FALSE(t.Step());
    EXPECT_EQ(t.m.DdeCommands().size(), 3u);
    EXPECT_THAT(t.m.Boxes(), IsEmpty());
    EXPECT_THAT(t.Log(), HasSubstr("Creating group: Tools Extra\r\nDDE Error: 16393\r\n"));
}

TEST(ProgramGroupsFailures, AFailedDeleteItemIsPassedOver) {
    Tools t(sim::Machine::NT40());
    t.Bind(false);
    t.m.FailDdeCommand(4, os::DMLERR_NOTPROCESSED);  // the first DeleteItem
    EXPECT_TRUE(t.Step());
    EXPECT_THAT(t.m.Boxes(), IsEmpty());
    EXPECT_EQ(t.m.DdeCommands().size(), 11u);
    EXPECT_EQ(t.m.FindGroup("Tools")->items.size(), 2u);
}

TEST(ProgramGroupsFailures, AFailedAddItemIsReportedAndTheNextItemIsStillAdded) {
    Tools t(sim::Machine::NT40());
    t.BindInstallWithLog();
    t.m.FailDdeCommand(5, os::DMLERR_NOTPROCESSED);  // the first AddItem
    EXPECT_TRUE(t.Step());
    EXPECT_THAT(t.BoxTexts(),
                ElementsAre("Couldn't add the item 'Tool' to the program group 'Tools'."));
    EXPECT_EQ(t.m.FindGroup("Tools")->items.size(), 1u);
    EXPECT_EQ(t.m.FindGroup("Tools Extra")->items.size(), 1u);
    EXPECT_THAT(t.Log(), HasSubstr("Adding item: Tool\r\nDDE Error: 16393\r\n"
                                   "Couldn't add the item 'Tool' to the program group 'Tools'.\r\n"
                                   "Adding item: Read Me\r\n"));
}

TEST(ProgramGroupsFailures, AFailedUninstallItemIsReportedWithTheFirstGroup) {
    EngineRun e(sim::Machine::NT351());
    e.AddGroup("Tools");
    e.header.CreateUninstaller = 1;
    e.Bind(false);
    e.m.FailDdeCommand(4, os::DMLERR_NOTPROCESSED);  // CreateGroup, ShowGroup, DeleteItem, AddItem
    StartShellDde(e.run);
    EXPECT_TRUE(UpdateProgramGroups(e.run, ProgressWindow));
    EXPECT_THAT(e.BoxTexts(), ElementsAre("Couldn't add the item 'Uninstall Tool' to the "
                                          "program group 'Tools'."));
}

TEST(ProgramGroupsFailures, ACancelledRunDoesNotConnect) {
    Tools t(sim::Machine::NT40());
    t.Bind(false);
    t.run.AbortRequested = true;
    EXPECT_FALSE(t.Step());
    EXPECT_EQ(t.m.CallCount("DdeConnect"), 0);
    EXPECT_THAT(t.m.DdeCommands(), IsEmpty());
}

// The cancel is polled before connecting, before the item pass and before
// each item (ShowGroup, DeleteItem, AddItem); every command waits up to 10
// seconds for its acknowledgement.
TEST(ProgramGroupsFailures, PollsForTheCancelBeforeEachGroupAndEachItem) {
    Tools t(sim::Machine::NT40());
    t.Bind(false);
    EXPECT_TRUE(t.Step());
    EXPECT_THAT(t.m.CallTrace({"PeekMessage", "DdeExecute"}),
                ElementsAre("PeekMessage", "DdeExecute", "DdeExecute", "PeekMessage",
                            "PeekMessage", "DdeExecute", "DdeExecute", "DdeExecute",
                            "PeekMessage", "DdeExecute", "DdeExecute", "DdeExecute",
                            "PeekMessage", "DdeExecute", "DdeExecute", "DdeExecute"));
    EXPECT_EQ(t.m.DdeTimeouts(), std::vector<std::uint32_t>(t.m.DdeCommands().size(), 10000u));
}

}  // namespace
