// Install then uninstall on the same simulated machine, the whole program
// each time: what was not kept is gone, what was kept stays, and the
// self-removal batch takes the uninstaller and the destination with it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pkginfo/pkginfo.h"
#include "support/package_builder.h"
#include "support/scenario.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const char SharedDlls[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char AppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TOOL.EXE";
const char EntryKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tool 1.0";

// Every kind of record, with a kept one of each kind that can be kept.
PackageBuilder EveryRecord() {
    PackageBuilder b;
    b.Title("Tool").UninstallTitle("Tool Uninstall").Uninstaller("UNINST.EXE")
        .UninstallDisplayName("Tool 1.0").UninstallItemName("Uninstall Tool")
        .UninstallItemAlways().DefaultSubdir("TOOL").CreateLog()
        .Dir("DATA")
        .Dir("KEPT").KeepAtUninstall()
        .File("TOOL.EXE", TextBytes("the tool program")).AppPath()
        .File("HELP.TXT", PatternBytes(3000)).Compressed()
        .File("DATA.DAT", TextBytes("data")).InDir("DATA")
        .File("NOTES.TXT", TextBytes("kept notes")).InDir("KEPT").KeepAtUninstall()
        .File("COMMON.DLL", TextBytes("shared library")).InSystemDir().Shared().SelfRegister()
        .File("TOOLSVC.EXE", TextBytes("the service")).Service("TOOLSVC", "Tool Service")
        .Group("Tool")
        .Item("Tool", "TOOL.EXE").IconNumber(1)
        .Item("Help", "HELP.TXT")
        .RegKey(os::HKEY_LOCAL_MACHINE, "Software\\Tool")
        .Value("Path", os::REG_SZ, "C:\\TOOL")
        .Value("Runs", 3)
        .RegKey(os::HKEY_CURRENT_USER, "Software\\Tool Settings").KeepAtUninstall()
        .Value("Window", os::REG_SZ, "max")
        .Value("Licence", os::REG_SZ, "kept").KeepAtUninstall();
    return b;
}

std::string BatchOf(const sim::Machine& m) {
    for (const sim::StartedProcess& p : m.StartedProcesses()) {
        std::string line = p.commandLine;
        if (!line.empty() && line.front() == '"') line = line.substr(1, line.find('"', 1) - 1);
        if (line.size() > 4 && line.substr(line.size() - 4) == ".BAT") return line;
    }
    return "";
}

struct RoundTrip {
    explicit RoundTrip(sim::Machine machine, PackageBuilder builder = EveryRecord())
        : m(std::move(machine)) {
        // The keys every installed Windows of these versions has.
        m.CreateKey(os::HKEY_LOCAL_MACHINE, SharedDlls);
        m.CreateKey(os::HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths");
        m.CreateKey(os::HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
        system = SystemDir();
        m.AddComponent(system + "\\COMMON.DLL", 0, 0);
        package = builder.Build();
    }
    std::string SystemDir() {
        char buffer[260] = {};
        m.GetSystemDirectory(buffer, sizeof buffer);
        return buffer;
    }
    scenario::RunResult InstallIt(const std::string& destination = "C:\\TOOL") {
        return scenario::Install(m, package, destination);
    }
    sim::Machine m;
    Bytes package;
    std::string system;
};

TEST(UninstallRoundTrip, EverythingNotKeptIsGoneAndEverythingKeptStays) {
    RoundTrip t(sim::Machine::NT40());
    ASSERT_EQ(t.InstallIt().exitCode, 0);
    ASSERT_TRUE(t.m.Exists("C:\\TOOL\\UNINST.EXE"));
    ASSERT_NE(t.m.FindGroup("Tool"), nullptr);
    ASSERT_TRUE(t.m.KeyExists(os::HKEY_LOCAL_MACHINE, EntryKey));
    ASSERT_TRUE(t.m.HasService("TOOLSVC"));
    t.m.SetServiceState("TOOLSVC", os::SERVICE_RUNNING);

    t.m.AnswerQuestions({os::IDYES, os::IDYES});  // the uninstall question, the shared file
    scenario::RunResult r = scenario::Uninstall(t.m, "C:\\TOOL");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.BoxTexts(), Contains("Uninstallation is finished."));
    EXPECT_EQ(r.openFiles, 0u);
    EXPECT_EQ(r.openKeys, 0u);
    EXPECT_EQ(r.outstandingBlocks, 0u);

    // Files: only the kept directory and its kept file remain below the
    // destination, beside the uninstaller that waits for its batch.
    EXPECT_THAT(t.m.ListDirectory("C:\\TOOL"), ElementsAre("KEPT", "UNINST.EXE"));
    EXPECT_TRUE(t.m.Exists("C:\\TOOL\\KEPT\\NOTES.TXT"));
    EXPECT_FALSE(t.m.Exists(t.system + "\\COMMON.DLL"));
    EXPECT_THAT(t.m.EntryPointsCalled(),
                Contains(t.system + "\\COMMON.DLL!DllUnregisterServer"));
    EXPECT_FALSE(t.m.HasValue(os::HKEY_LOCAL_MACHINE, SharedDlls, t.system + "\\COMMON.DLL"));

    // Registry: the kept key with its kept value; everything else gone.
    EXPECT_FALSE(t.m.KeyExists(os::HKEY_LOCAL_MACHINE, "Software\\Tool"));
    EXPECT_THAT(t.m.ValueNames(os::HKEY_CURRENT_USER, "Software\\Tool Settings"),
                ElementsAre("Licence"));
    EXPECT_FALSE(t.m.KeyExists(os::HKEY_LOCAL_MACHINE, AppPaths));
    EXPECT_FALSE(t.m.KeyExists(os::HKEY_LOCAL_MACHINE, EntryKey));

    // The service the installation created and started is stopped and gone.
    EXPECT_FALSE(t.m.HasService("TOOLSVC"));

    // Shell: the items, the uninstall item and the group are gone.
    EXPECT_THAT(t.m.Groups(), IsEmpty());

    // The batch removes the uninstaller; the destination stays because the
    // kept directory is still in it.
    const std::string batch = BatchOf(t.m);
    ASSERT_FALSE(batch.empty());
    ASSERT_TRUE(t.m.RunBatch(batch));
    EXPECT_FALSE(t.m.Exists("C:\\TOOL\\UNINST.EXE"));
    EXPECT_TRUE(t.m.Exists("C:\\TOOL\\KEPT\\NOTES.TXT"));
    EXPECT_FALSE(t.m.Exists(batch));
}

TEST(UninstallRoundTrip, WithNothingKeptTheMachineIsAsBeforeOnceTheBatchHasRun) {
    PackageBuilder b;
    b.Title("Tool").Uninstaller("UNINST.EXE").UninstallDisplayName("Tool 1.0")
        .UninstallItemName("Uninstall Tool").CreateLog()
        .Dir("DATA")
        .File("TOOL.EXE", TextBytes("the tool program")).AppPath()
        .File("DATA.DAT", TextBytes("data")).InDir("DATA")
        .Group("Tool").Item("Tool", "TOOL.EXE")
        .RegKey(os::HKEY_LOCAL_MACHINE, "Software\\Tool").Value("Path", os::REG_SZ, "x");
    for (sim::Machine (*make)() : {&sim::Machine::NT40, &sim::Machine::Windows95}) {
        RoundTrip t(make(), b);
        const sim::FileSnapshot files = t.m.SnapshotFiles();
        const sim::RegistrySnapshot registry = t.m.SnapshotRegistry();
        ASSERT_EQ(t.InstallIt("C:\\Program Files\\My Tool").exitCode, 0);
        scenario::RunResult r = scenario::Uninstall(t.m, "C:\\Program Files\\My Tool");
        ASSERT_EQ(r.exitCode, 0);
        const std::string batch = BatchOf(t.m);
        ASSERT_FALSE(batch.empty());
        ASSERT_TRUE(t.m.RunBatch(batch));
        EXPECT_FALSE(t.m.Exists("C:\\Program Files\\My Tool"));
        // The package itself was written by the test before installing.
        sim::FileSnapshot after = t.m.SnapshotFiles();
        after.erase("C:\\SETUP.EXE");
        sim::FileSnapshot expected = files;
        expected.erase("C:\\SETUP.EXE");
        EXPECT_EQ(after, expected);
        EXPECT_EQ(t.m.SnapshotRegistry(), registry);
        EXPECT_THAT(t.m.Groups(), IsEmpty());
    }
}

TEST(UninstallRoundTrip, AFailedUnregistrationLeavesTheGroupsAndTheEntry) {
    RoundTrip t(sim::Machine::NT40());
    ASSERT_EQ(t.InstallIt().exitCode, 0);
    t.m.AddComponent(t.system + "\\COMMON.DLL", 0, 7);
    t.m.AnswerQuestions({os::IDYES, os::IDYES});
    scenario::RunResult r = scenario::Uninstall(t.m, "C:\\TOOL");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxTexts(), Contains("Error when calling function DllUnRegisterServer in '" +
                                       t.system + "\\COMMON.DLL'. Error code 7"));
    EXPECT_THAT(r.BoxTexts(), ::testing::Not(Contains("Uninstallation is finished.")));
    EXPECT_NE(t.m.FindGroup("Tool"), nullptr);
    EXPECT_TRUE(t.m.KeyExists(os::HKEY_LOCAL_MACHINE, EntryKey));
    EXPECT_TRUE(t.m.KeyExists(os::HKEY_LOCAL_MACHINE, "Software\\Tool"));
    EXPECT_TRUE(t.m.Exists(t.system + "\\COMMON.DLL"));
    EXPECT_TRUE(t.m.Exists("C:\\TOOL\\UNINST.EXE"));
    EXPECT_EQ(BatchOf(t.m), "");
}

TEST(UninstallRoundTrip, AnsweringNoToTheSharedFileKeepsItWithoutItsCount) {
    RoundTrip t(sim::Machine::Windows95());
    ASSERT_EQ(t.InstallIt().exitCode, 0);
    ASSERT_EQ(t.m.GetDword(os::HKEY_LOCAL_MACHINE, SharedDlls, t.system + "\\COMMON.DLL"), 1u);
    t.m.AnswerQuestions({os::IDYES, os::IDNO});
    scenario::RunResult r = scenario::Uninstall(t.m, "C:\\TOOL");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(t.m.Exists(t.system + "\\COMMON.DLL"));
    EXPECT_FALSE(t.m.HasValue(os::HKEY_LOCAL_MACHINE, SharedDlls, t.system + "\\COMMON.DLL"));
}

TEST(UninstallRoundTrip, ASharedFileUsedByAnotherInstallationStaysWithoutAQuestion) {
    RoundTrip t(sim::Machine::NT40());
    const std::string common = t.system + "\\COMMON.DLL";
    t.m.WriteFile(common, "shared library");
    t.m.SetDword(os::HKEY_LOCAL_MACHINE, SharedDlls, common, 2);
    ASSERT_EQ(t.InstallIt().exitCode, 0);
    ASSERT_EQ(t.m.GetDword(os::HKEY_LOCAL_MACHINE, SharedDlls, common), 3u);
    t.m.AnswerQuestions({os::IDYES});
    scenario::RunResult r = scenario::Uninstall(t.m, "C:\\TOOL");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.boxes.size(), 2u);  // the uninstall question and the finished message
    EXPECT_EQ(t.m.GetDword(os::HKEY_LOCAL_MACHINE, SharedDlls, common), 2u);
    EXPECT_TRUE(t.m.Exists(common));
}

TEST(UninstallRoundTrip, TheUninstallEntryOfAnInstallationWithBlanksIsQuoted) {
    RoundTrip t(sim::Machine::NT40());
    ASSERT_EQ(t.InstallIt("C:\\Program Files\\Tool").exitCode, 0);
    EXPECT_EQ(t.m.GetString(os::HKEY_LOCAL_MACHINE, EntryKey, "UninstallString"),
              "\"C:\\Program Files\\Tool\\UNINST.EXE\"");
    EXPECT_EQ(t.m.GetString(os::HKEY_LOCAL_MACHINE, EntryKey, "QuietUninstallString"),
              "\"C:\\Program Files\\Tool\\UNINST.EXE\" /S");
    EXPECT_EQ(t.m.GetString(os::HKEY_LOCAL_MACHINE, EntryKey, "DisplayName"), "Tool 1.0");
}

TEST(UninstallRoundTrip, NoEntryIsWrittenOnVersion3ButTheUninstallItemIs) {
    RoundTrip t(sim::Machine::NT351());
    ASSERT_EQ(t.InstallIt().exitCode, 0);
    EXPECT_FALSE(t.m.KeyExists(os::HKEY_LOCAL_MACHINE, EntryKey));
    const sim::ProgramGroup* group = t.m.FindGroup("Tool");
    ASSERT_NE(group, nullptr);
    bool uninstallItem = false;
    for (const sim::ProgramItem& item : group->items)
        if (item.title == "Uninstall Tool") uninstallItem = true;
    EXPECT_TRUE(uninstallItem);
}

// What was there before the first installation stays, byte for byte: the
// user's own file in the destination, a directory of the Windows directory
// with its files, a file the package keeps, a key with its own value and
// subkey. Everything the installations made goes, also what only the first
// of two versions installed.
TEST(UninstallRoundTrip, TwoVersionsLeaveOnlyWhatWasThereBeforeTheFirst) {
    PackageBuilder v1;
    v1.Title("Tool").Uninstaller("UNINST.EXE").UninstallDisplayName("Tool").CreateLog()
        .Dir("OLDDATA")
        .Dir("INF").InWindowsDir()
        .File("TOOL.EXE", TextBytes("version 1"))
        .File("OLD.DLL", TextBytes("only in 1")).InDir("OLDDATA")
        .File("TOOL.INF", TextBytes("inf 1")).InDir("INF")
        .File("WIN.INI", TextBytes("[tool]\r\n")).InWindowsDir().OverwriteMode(2)
        .File("COMMON.DLL", TextBytes("shared 1")).InSystemDir().Shared()
        .Group("Accessories").Item("Tool", "TOOL.EXE")
        .RegKey(os::HKEY_CURRENT_USER, "Software\\Settings").Value("Tool", 1)
        .RegKey(os::HKEY_CURRENT_USER, "Software\\Tool 1").Value("Old", 1);
    PackageBuilder v2;
    v2.Title("Tool").Uninstaller("UNINST.EXE").UninstallDisplayName("Tool").CreateLog()
        .Dir("INF").InWindowsDir()
        .File("TOOL.EXE", TextBytes("version 2"))
        .File("TOOL.INF", TextBytes("inf 2")).InDir("INF")
        .File("COMMON.DLL", TextBytes("shared 2")).InSystemDir().Shared()
        .Group("Accessories").Item("Tool", "TOOL.EXE")
        .RegKey(os::HKEY_CURRENT_USER, "Software\\Settings").Value("Tool", 2);
    for (sim::Machine (*make)() : {&sim::Machine::NT40, &sim::Machine::Windows95}) {
        RoundTrip t(make(), v1);
        t.m.WriteFile("C:\\TOOL\\MY NOTES.TXT", "the user's own");
        t.m.WriteFile("C:\\WINDOWS\\WIN.INI", "[windows]\r\n");
        t.m.WriteFile("C:\\WINDOWS\\INF\\MACHINE.INF", "the machine's own");
        t.m.SetString(os::HKEY_CURRENT_USER, "Software\\Settings", "Colour", "blue");
        t.m.CreateKey(os::HKEY_CURRENT_USER, "Software\\Settings\\Window");
        // Another program's group, with its item.
        std::uint32_t dde = 0;
        t.m.DdeInitialize(&dde);
        const os::DdeConversation shell = t.m.DdeConnect(dde, "PROGMAN");
        const char seed[] = "[CreateGroup(Accessories)][AddItem(C:\\WINDOWS\\CALC.EXE,Calculator)]";
        ASSERT_TRUE(t.m.DdeExecute(shell, seed, sizeof seed, 1000));
        t.m.DdeDisconnect(shell);
        t.m.DdeUninitialize(dde);
        const sim::FileSnapshot files = t.m.SnapshotFiles();
        const sim::RegistrySnapshot registry = t.m.SnapshotRegistry();

        ASSERT_EQ(t.InstallIt().exitCode, 0);
        ASSERT_EQ(scenario::Install(t.m, v2.Build(), "C:\\TOOL").exitCode, 0);
        EXPECT_EQ(t.m.ReadText("C:\\TOOL\\TOOL.EXE"), "version 2");
        // The second installation carried the first one's findings forward;
        // the inspector shows them.
        pkginfo::Package uninstaller;
        std::string error;
        ASSERT_TRUE(pkginfo::LoadPackage(t.m.ReadFile("C:\\TOOL\\UNINST.EXE"), uninstaller, error)) << error;
        EXPECT_TRUE(uninstaller.uninstaller);
        for (const char* entry : {"F C:\\TOOL\\MY NOTES.TXT", "f C:\\TOOL\\OLDDATA", "F C:\\WINDOWS\\INF",
                                  "F C:\\WINDOWS\\INF\\MACHINE.INF", "F C:\\WINDOWS\\WIN.INI",
                                  "K 1\\Software\\Settings", "k 1\\Software\\Tool 1", "G Accessories"})
            EXPECT_THAT(uninstaller.record, Contains(entry));
        EXPECT_THAT(pkginfo::DescribePackage(uninstaller), ::testing::HasSubstr("Installation record ("));
        // The product holds one reference to its shared file, however often
        // it is installed.
        EXPECT_EQ(t.m.GetDword(os::HKEY_LOCAL_MACHINE, SharedDlls, t.system + "\\COMMON.DLL"), 1u);
        scenario::RunResult r = scenario::Uninstall(t.m, "C:\\TOOL");
        ASSERT_EQ(r.exitCode, 0);
        ASSERT_TRUE(t.m.RunBatch(BatchOf(t.m)));

        sim::FileSnapshot after = t.m.SnapshotFiles();
        sim::FileSnapshot expected = files;
        after.erase("C:\\SETUP.EXE");
        expected.erase("C:\\SETUP.EXE");
        EXPECT_EQ(after, expected);
        EXPECT_EQ(t.m.SnapshotRegistry(), registry);
        ASSERT_EQ(t.m.Groups().size(), 1u);
        EXPECT_EQ(t.m.Groups()[0].name, "Accessories");
        ASSERT_EQ(t.m.Groups()[0].items.size(), 1u);
        EXPECT_EQ(t.m.Groups()[0].items[0].title, "Calculator");
    }
}

}  // namespace

// A shell with a start menu may answer the group list empty: a group whose
// folder is among the user's programs was there before, and stays.
TEST(UninstallRoundTrip, KeepsAGroupWhoseFolderWasThereThoughTheShellDoesNotListIt) {
    sim::Machine m = sim::Machine::NT40();
    m.SetString(os::HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                "Programs", "C:\\MENU");
    m.MakeDirectories("C:\\MENU\\Games");
    PackageBuilder b;
    b.Title("Tool").Uninstaller("UNINST.EXE").UninstallDisplayName("Tool")
        .File("TOOL.EXE", TextBytes("tool"))
        .Group("Games").Item("Tool", "TOOL.EXE");
    ASSERT_EQ(scenario::Install(m, b.Build(), "C:\\TOOL").exitCode, 0);
    ASSERT_EQ(scenario::Uninstall(m, "C:\\TOOL").exitCode, 0);
    // The item went; the group was not deleted.
    ASSERT_EQ(m.Groups().size(), 1u);
    EXPECT_EQ(m.Groups()[0].name, "Games");
    EXPECT_TRUE(m.Groups()[0].items.empty());
    EXPECT_TRUE(m.Exists("C:\\MENU\\Games"));
}
