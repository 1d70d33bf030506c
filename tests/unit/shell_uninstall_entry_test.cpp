// The entry in the system's list of uninstallable programs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "shell/shell.h"
#include "unit/shell_engine_run.h"

using enginetest::EngineRun;
using enginetest::ProgressWindow;
using ::testing::IsEmpty;

namespace {

const char UninstallList[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char EntryKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tool 1.0";

sim::Bytes WithNul(const std::string& text) {
    sim::Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

TEST(UninstallEntry, InstallWritesTheDisplayNameAndTheUninstallerPath) {
    EngineRun e(sim::Machine::NT40());
    e.header.CreateUninstaller = 1;
    e.Bind(false);
    EXPECT_TRUE(UpdateUninstallEntry(e.run, ProgressWindow));
    sim::RegValue value;
    ASSERT_TRUE(e.m.GetValue(os::HKEY_LOCAL_MACHINE, EntryKey, "DisplayName", value));
    EXPECT_EQ(value.type, os::REG_SZ);
    EXPECT_EQ(value.data, WithNul("Tool 1.0"));
    ASSERT_TRUE(e.m.GetValue(os::HKEY_LOCAL_MACHINE, EntryKey, "UninstallString", value));
    EXPECT_EQ(value.type, os::REG_SZ);
    EXPECT_EQ(value.data, WithNul("C:\\APP\\UNINST.EXE"));
    // Deployment tools run this one as it stands: always quoted.
    ASSERT_TRUE(e.m.GetValue(os::HKEY_LOCAL_MACHINE, EntryKey, "QuietUninstallString", value));
    EXPECT_EQ(value.type, os::REG_SZ);
    EXPECT_EQ(value.data, WithNul("\"C:\\APP\\UNINST.EXE\" /S"));
    EXPECT_EQ(e.m.OpenRegistryKeys(), 0u);
    EXPECT_THAT(e.m.Boxes(), IsEmpty());

    // DisplayName comes first: when the first write fails, only the command is there.
    EngineRun f(sim::Machine::NT40());
    f.header.CreateUninstaller = 1;
    f.Bind(false);
    f.m.FailCall("RegSetValueEx", 1, os::ERROR_ACCESS_DENIED);
    EXPECT_TRUE(UpdateUninstallEntry(f.run, ProgressWindow));
    EXPECT_FALSE(f.m.HasValue(os::HKEY_LOCAL_MACHINE, EntryKey, "DisplayName"));
    EXPECT_TRUE(f.m.HasValue(os::HKEY_LOCAL_MACHINE, EntryKey, "UninstallString"));
}

TEST(UninstallEntry, ADestinationWithBlanksIsQuoted) {
    EngineRun e(sim::Machine::Windows95(), "C:\\Program Files\\My Tool");
    e.header.CreateUninstaller = 1;
    e.Bind(false);
    UpdateUninstallEntry(e.run, ProgressWindow);
    EXPECT_EQ(e.m.GetString(os::HKEY_LOCAL_MACHINE, EntryKey, "UninstallString"),
              "\"C:\\Program Files\\My Tool\\UNINST.EXE\"");
}

TEST(UninstallEntry, AnExistingEntryIsOverwritten) {
    EngineRun e(sim::Machine::NT40());
    e.m.SetString(os::HKEY_LOCAL_MACHINE, EntryKey, "UninstallString", "D:\\OLD\\UNINST.EXE");
    e.header.CreateUninstaller = 1;
    e.Bind(false);
    UpdateUninstallEntry(e.run, ProgressWindow);
    EXPECT_EQ(e.m.GetString(os::HKEY_LOCAL_MACHINE, EntryKey, "UninstallString"),
              "C:\\APP\\UNINST.EXE");
}

TEST(UninstallEntry, UninstallDeletesTheEntryAndLeavesTheOthers) {
    EngineRun e(sim::Machine::NT40());
    e.m.SetString(os::HKEY_LOCAL_MACHINE, std::string(UninstallList) + "\\Other", "DisplayName",
                  "Other");
    e.header.CreateUninstaller = 1;
    e.Bind(false);
    UpdateUninstallEntry(e.run, ProgressWindow);
    ASSERT_TRUE(e.m.KeyExists(os::HKEY_LOCAL_MACHINE, EntryKey));
    e.Bind(true);
    EXPECT_TRUE(UpdateUninstallEntry(e.run, ProgressWindow));
    EXPECT_FALSE(e.m.KeyExists(os::HKEY_LOCAL_MACHINE, EntryKey));
    // The three values go before the key.
    EXPECT_THAT(e.m.CallTrace({"RegDeleteValue", "RegDeleteKey"}),
                ::testing::ElementsAre("RegDeleteValue", "RegDeleteValue", "RegDeleteValue", "RegDeleteKey"));
    EXPECT_TRUE(e.m.KeyExists(os::HKEY_LOCAL_MACHINE, std::string(UninstallList) + "\\Other"));
    EXPECT_EQ(e.m.OpenRegistryKeys(), 0u);
}

TEST(UninstallEntry, UninstallingWhenTheEntryIsGoneDoesNothing) {
    EngineRun e(sim::Machine::NT40());
    e.header.CreateUninstaller = 1;
    e.Bind(true);
    const sim::RegistrySnapshot before = e.m.SnapshotRegistry();
    EXPECT_TRUE(UpdateUninstallEntry(e.run, ProgressWindow));
    EXPECT_EQ(e.m.SnapshotRegistry(), before);
    EXPECT_THAT(e.m.Boxes(), IsEmpty());
}

TEST(UninstallEntry, NothingIsWrittenOrDeletedBelowVersion4) {
    EngineRun e(sim::Machine::NT351());
    e.header.CreateUninstaller = 1;
    e.Bind(false);
    const sim::RegistrySnapshot before = e.m.SnapshotRegistry();
    UpdateUninstallEntry(e.run, ProgressWindow);
    EXPECT_EQ(e.m.SnapshotRegistry(), before);
    e.m.SetString(os::HKEY_LOCAL_MACHINE, EntryKey, "DisplayName", "Tool 1.0");
    e.Bind(true);
    UpdateUninstallEntry(e.run, ProgressWindow);
    EXPECT_TRUE(e.m.HasValue(os::HKEY_LOCAL_MACHINE, EntryKey, "DisplayName"));
}

TEST(UninstallEntry, NothingIsWrittenOrDeletedWithoutAnUninstaller) {
    EngineRun e(sim::Machine::NT40());
    e.Bind(false);
    UpdateUninstallEntry(e.run, ProgressWindow);
    EXPECT_FALSE(e.m.KeyExists(os::HKEY_LOCAL_MACHINE, EntryKey));
    e.m.SetString(os::HKEY_LOCAL_MACHINE, EntryKey, "DisplayName", "Tool 1.0");
    e.Bind(true);
    UpdateUninstallEntry(e.run, ProgressWindow);
    EXPECT_TRUE(e.m.HasValue(os::HKEY_LOCAL_MACHINE, EntryKey, "DisplayName"));
}

TEST(UninstallEntry, AnEmptyDisplayNameNeverTouchesTheListItself) {
    // Windows 95 deletes a key with its subkeys: the list of every other
    // program would go with it.
    EngineRun e(sim::Machine::Windows95());
    e.m.SetString(os::HKEY_LOCAL_MACHINE, std::string(UninstallList) + "\\Other", "DisplayName",
                  "Other");
    pkg::SetText(e.header.UninstallDisplayName, "");
    e.header.CreateUninstaller = 1;
    e.Bind(false);
    const sim::RegistrySnapshot before = e.m.SnapshotRegistry();
    UpdateUninstallEntry(e.run, ProgressWindow);
    e.Bind(true);
    UpdateUninstallEntry(e.run, ProgressWindow);
    EXPECT_EQ(e.m.SnapshotRegistry(), before);
}

}  // namespace
