// The registry keys and values of the installation information.
#include "scenario/install_fixture.h"

using namespace installtest;
using ::testing::Contains;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {
const os::RegKey HKLM = os::HKEY_LOCAL_MACHINE;
const os::RegKey HKCU = os::HKEY_CURRENT_USER;

Bytes Dword(std::uint32_t v) {
    return Bytes{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                 static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}
}  // namespace

TEST(InstallRegistry, WritesKeysAndValuesOfEveryType) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p;
    p.Key(HKLM, "Software\\Maker\\App");
    p.Key(HKCU, "Software\\Maker\\App\\Settings");
    p.String(1, "Path", "C:\\APP");
    p.Value(2, "Binary", sim::REG_BINARY, Bytes{1, 2, 0, 255});
    p.Value(2, "Count", os::REG_DWORD, Dword(42));
    p.String(2, "", "the default");
    scenario::RunResult r = Install(m, p);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.GetString(HKLM, "Software\\Maker\\App", "Path"), "C:\\APP");
    sim::RegValue binary;
    ASSERT_TRUE(m.GetValue(HKCU, "Software\\Maker\\App\\Settings", "Binary", binary));
    EXPECT_EQ(binary.type, sim::REG_BINARY);
    EXPECT_EQ(binary.data, (Bytes{1, 2, 0, 255}));
    EXPECT_EQ(m.GetDword(HKCU, "Software\\Maker\\App\\Settings", "Count"), 42u);
    EXPECT_EQ(m.GetString(HKCU, "Software\\Maker\\App\\Settings", ""), "the default");
    EXPECT_TRUE(InOrder(r.logLines,
                        {"Creating registry key 'HKEY_LOCAL_MACHINE\\Software\\Maker\\App'...",
                         "Creating registry key 'HKEY_CURRENT_USER\\Software\\Maker\\App\\Settings'...",
                         "Adding registry value 'HKEY_LOCAL_MACHINE\\Software\\Maker\\App\\Path'...",
                         "Adding registry value 'HKEY_CURRENT_USER\\Software\\Maker\\App\\Settings\\'..."}));
    EXPECT_TRUE(InOrder(m.StatusHistory(),
                        {"384:Adding registry key:", "385:HKEY_LOCAL_MACHINE\\Software\\Maker\\App",
                         "385:HKEY_CURRENT_USER\\Software\\Maker\\App\\Settings",
                         "384:Adding registry value:", "385:HKEY_LOCAL_MACHINE\\Software\\Maker\\App\\Path"}));
    EXPECT_EQ(r.openKeys, 0u);
}

TEST(InstallRegistry, OverwritesValuesOfAnExistingKeyAndTheLaterRecordWins) {
    sim::Machine m = sim::Machine::NT40();
    m.SetString(HKLM, "Software\\App", "Name", "before");
    m.SetString(HKLM, "Software\\App", "Other", "untouched");
    InstallPackage p;
    p.Key(HKLM, "Software\\App");
    p.String(1, "Name", "first");
    p.String(1, "Name", "second");
    ASSERT_EQ(Install(m, p).exitCode, 0);
    EXPECT_EQ(m.GetString(HKLM, "Software\\App", "Name"), "second");
    EXPECT_EQ(m.GetString(HKLM, "Software\\App", "Other"), "untouched");
}

TEST(InstallRegistry, AKeyThatCannotBeCreatedEndsTheInstallation) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p;
    p.Key(HKLM, "Software\\First");
    p.Key(HKLM, "Software\\Denied");
    p.String(1, "Name", "value");
    // Nothing before the key pass creates a key: the second creation is
    // the second record's.
    m.FailCall("RegCreateKeyEx", 2, os::ERROR_ACCESS_DENIED);
    scenario::RunResult r = Install(m, p);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r), Contains("Couldn't create/access registry key "
                                    "'HKEY_LOCAL_MACHINE\\Software\\Denied', Error code: 5"));
    EXPECT_TRUE(m.KeyExists(HKLM, "Software\\First"));
    EXPECT_FALSE(m.KeyExists(HKLM, "Software\\Denied"));
    EXPECT_FALSE(m.HasValue(HKLM, "Software\\First", "Name"));
    EXPECT_EQ(r.openKeys, 0u);
}

TEST(InstallRegistry, AValueUnderASkippedKeyEndsTheInstallation) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p;
    p.Key(HKCU, "Software\\Skipped").SkipAtInstall = 1;
    p.Key(HKCU, "Software\\Kept");
    p.String(2, "Before", "set");
    p.String(1, "Name", "value");
    scenario::RunResult r = Install(m, p);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r), Contains("Couldn't create/access registry value "
                                    "'HKEY_CURRENT_USER\\Software\\Skipped\\Name', Error code: 6"));
    EXPECT_FALSE(m.KeyExists(HKCU, "Software\\Skipped"));
    EXPECT_EQ(m.GetString(HKCU, "Software\\Kept", "Before"), "set");
    EXPECT_EQ(r.openKeys, 0u);
}

TEST(InstallRegistry, AValueThatCannotBeSetEndsTheInstallation) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p;
    p.Key(HKLM, "Software\\App");
    p.String(1, "Name", "value");
    p.Header().CreateUninstaller = 0;
    // Nothing before the value pass sets a value.
    m.FailCall("RegSetValueEx", 1, os::ERROR_ACCESS_DENIED);
    scenario::RunResult r = Install(m, p);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r), Contains("Couldn't create/access registry value "
                                    "'HKEY_LOCAL_MACHINE\\Software\\App\\Name', Error code: 5"));
}

TEST(InstallRegistry, RecordsForAnotherPlatformAreNeitherWrittenNorLogged) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p;
    p.Key(HKLM, "Software\\NotNT").NotOnWindowsNT = 1;
    p.Key(HKLM, "Software\\App");
    p.String(2, "NotNT", "x").NotOnWindowsNT = 1;
    p.String(2, "Skipped", "x").SkipAtInstall = 1;
    p.String(2, "Only95", "x").NotOnWindowsNT = 1;
    p.String(2, "Everywhere", "x");
    scenario::RunResult r = Install(m, p);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_FALSE(m.KeyExists(HKLM, "Software\\NotNT"));
    EXPECT_EQ(m.ValueNames(HKLM, "Software\\App"), std::vector<std::string>{"Everywhere"});
    EXPECT_THAT(r.logLines,
                Not(Contains("Adding registry value 'HKEY_LOCAL_MACHINE\\Software\\App\\NotNT'...")));
}
