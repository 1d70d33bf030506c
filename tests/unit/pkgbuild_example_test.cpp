// The example product, built by the builder from examples/example.setup,
// installs and uninstalls on the simulated Windows NT 4.0 as
// examples/EXPECTED.md describes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "pkgbuild/pkgbuild.h"
#include "support/scenario.h"

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

const std::string Checkout = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().string();
const std::string Examples = Checkout + "/examples";
const std::string Destination = "C:\\Program Files\\Example Notes";

std::string HostText(const std::string& relative) {
    std::ifstream in(Examples + "/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

pkg::Bytes ExamplePackage() {
    std::string script = HostText("example.setup");
    pkg::PackageContents contents;
    pkgbuild::ScriptError error;
    EXPECT_TRUE(pkgbuild::BuildContents(script, Examples, contents, error))
        << "example.setup:" << error.line << ": " << error.message;
    const std::string stub = "MZ example stub";
    contents.stub.assign(stub.begin(), stub.end());
    return pkg::WritePackage(contents);
}

class PkgbuildExample : public ::testing::Test {
protected:
    void SetUp() override {
        m.SetProgramFilesDir("C:\\Program Files");
        package = ExamplePackage();
        m.PressInstall();
        installed = scenario::RunPackage(m, package);
    }
    sim::Machine m = sim::Machine::NT40();
    pkg::Bytes package;
    scenario::RunResult installed;
};

TEST_F(PkgbuildExample, InstallsEveryFileWithItsContentsInTheProposedDirectory) {
    ASSERT_EQ(installed.exitCode, 0) << ::testing::PrintToString(installed.BoxSummary());
    EXPECT_EQ(m.ReadText(Destination + "\\README.TXT"), HostText("files/README.TXT"));
    EXPECT_EQ(m.ReadText(Destination + "\\LICENSE.TXT"), HostText("files/LICENSE.TXT"));
    EXPECT_EQ(m.ReadText(Destination + "\\NOTES.INI"), HostText("files/NOTES.INI"));
    EXPECT_EQ(m.ReadText(Destination + "\\DOCS\\GUIDE.TXT"), HostText("files/docs/GUIDE.TXT"));
    EXPECT_EQ(m.ReadText(Destination + "\\DOCS\\FAQ.TXT"), HostText("files/docs/FAQ.TXT"));
    EXPECT_FALSE(m.Exists(Destination + "\\DOCS\\GUIDE.TX_"));
    EXPECT_TRUE(m.Exists(Destination + "\\UNINSTEN.EXE"));
    EXPECT_EQ(m.Attributes(Destination + "\\UNINSTEN.EXE"), 2u);
    EXPECT_THAT(installed.logLines, Contains("The installation was successful!"));
    EXPECT_THAT(installed.BoxSummary(),
                ElementsAre("Example Notes Setup - Message|Example Notes has been installed. The read-me file opens next."));
    ASSERT_EQ(m.ShellExecutes().size(), 1u);
    EXPECT_EQ(m.ShellExecutes()[0].file, Destination + "\\README.TXT");
}

TEST_F(PkgbuildExample, WritesTheRegistrySettingsInTheirTypes) {
    ASSERT_EQ(installed.exitCode, 0);
    const std::string machineKey = "Software\\Example Co\\Example Notes";
    EXPECT_EQ(m.GetString(os::HKEY_LOCAL_MACHINE, machineKey, "Version"), "1.0");
    EXPECT_EQ(m.GetDword(os::HKEY_LOCAL_MACHINE, machineKey, "Build"), 42u);
    EXPECT_EQ(m.GetString(os::HKEY_LOCAL_MACHINE, machineKey, "DataPath"), "%APPDATA%\\Example Notes");
    EXPECT_EQ(m.GetString(os::HKEY_CURRENT_USER, machineKey, ""), "Example Notes user settings");
    EXPECT_TRUE(m.HasValue(os::HKEY_CURRENT_USER, machineKey, "WindowPlacement"));
    EXPECT_EQ(m.GetString(os::HKEY_LOCAL_MACHINE,
                          "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Example Notes 1.0",
                          "DisplayName"),
              "Example Notes 1.0");
}

TEST_F(PkgbuildExample, CreatesTheGroupWithItsItemsAndTheUninstallItem) {
    ASSERT_EQ(installed.exitCode, 0);
    const sim::ProgramGroup* group = m.FindGroup("Example Notes");
    ASSERT_NE(group, nullptr);
    std::vector<std::string> titles;
    for (const sim::ProgramItem& item : group->items) titles.push_back(item.title);
    EXPECT_THAT(titles, ElementsAre("Read Me", "User Guide", "Licence", "Uninstall Example Notes"));
}

TEST_F(PkgbuildExample, UninstallsWithoutLeavingAnything) {
    ASSERT_EQ(installed.exitCode, 0);
    scenario::RunResult removed = scenario::Uninstall(m, Destination, "UNINSTEN.EXE");
    EXPECT_EQ(removed.exitCode, 0) << ::testing::PrintToString(removed.BoxSummary());
    EXPECT_FALSE(m.Exists(Destination + "\\README.TXT"));
    EXPECT_FALSE(m.Exists(Destination + "\\DOCS"));
    EXPECT_FALSE(m.Exists(Destination + "\\InstLog.txt"));
    EXPECT_FALSE(m.KeyExists(os::HKEY_LOCAL_MACHINE, "Software\\Example Co"));
    EXPECT_FALSE(m.KeyExists(os::HKEY_CURRENT_USER, "Software\\Example Co"));
    EXPECT_FALSE(m.KeyExists(os::HKEY_LOCAL_MACHINE,
                             "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Example Notes 1.0"));
    EXPECT_EQ(m.FindGroup("Example Notes"), nullptr);
}

// The uninstall entry as the list of programs shows it: the values the
// builder adds go in and out with the entry, and another program's entry
// stays. Windows NT 3.51 has no such list: the values go into the entry's
// key all the same and out with it; only the list key that creating it made
// stays behind, empty.
struct EntryPlatform {
    const char* name;
    sim::Machine (*make)();
    bool hasList;
};

class PkgbuildExampleEntry : public ::testing::TestWithParam<EntryPlatform> {};

TEST_P(PkgbuildExampleEntry, ValuesComeWithTheEntryAndGoWithIt) {
    sim::Machine m = GetParam().make();
    m.SetProgramFilesDir("C:\\Program Files");
    const std::string list = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    if (GetParam().hasList) m.SetString(os::HKEY_LOCAL_MACHINE, list + "\\Other", "DisplayName", "Other");
    sim::RegistrySnapshot before = m.SnapshotRegistry();
    m.PressInstall();
    ASSERT_EQ(scenario::RunPackage(m, ExamplePackage()).exitCode, 0);
    const std::string entry = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Example Notes 1.0";
    if (GetParam().hasList) {
        EXPECT_EQ(m.GetString(os::HKEY_LOCAL_MACHINE, entry, "DisplayName"), "Example Notes 1.0");
        EXPECT_EQ(m.GetString(os::HKEY_LOCAL_MACHINE, entry, "Publisher"), "Example Co");
        EXPECT_EQ(m.GetString(os::HKEY_LOCAL_MACHINE, entry, "DisplayVersion"), "1.0");
        EXPECT_EQ(m.GetString(os::HKEY_LOCAL_MACHINE, entry, "URLInfoAbout"), "https://example.com/notes");
        EXPECT_EQ(m.GetString(os::HKEY_LOCAL_MACHINE, entry, "HelpLink"), "https://example.com/notes/help");
        // Five files of a few hundred bytes each: rounded up, one KiB each at most.
        const std::uint32_t size = m.GetDword(os::HKEY_LOCAL_MACHINE, entry, "EstimatedSize");
        EXPECT_GE(size, 1u);
        EXPECT_LE(size, 5u);
        EXPECT_EQ(m.GetDword(os::HKEY_LOCAL_MACHINE, entry, "NoModify"), 1u);
        EXPECT_EQ(m.GetDword(os::HKEY_LOCAL_MACHINE, entry, "NoRepair"), 1u);
    } else {
        EXPECT_FALSE(m.HasValue(os::HKEY_LOCAL_MACHINE, entry, "DisplayName"));
    }
    ASSERT_EQ(scenario::Uninstall(m, Destination, "UNINSTEN.EXE").exitCode, 0);
    EXPECT_FALSE(m.KeyExists(os::HKEY_LOCAL_MACHINE, entry));
    if (!GetParam().hasList) {
        before.push_back("HKLM\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL");
        EXPECT_TRUE(m.SubKeys(os::HKEY_LOCAL_MACHINE, list).empty());
    }
    sim::RegistrySnapshot after = m.SnapshotRegistry();
    std::sort(after.begin(), after.end());
    std::sort(before.begin(), before.end());
    EXPECT_EQ(after, before);
}

const EntryPlatform EntryPlatforms[] = {
    {"Windows95", sim::Machine::Windows95, true},
    {"NT351", sim::Machine::NT351, false},
    {"NT40", sim::Machine::NT40, true},
    {"Windows10", sim::Machine::Windows10, true},
};

INSTANTIATE_TEST_SUITE_P(Platforms, PkgbuildExampleEntry, ::testing::ValuesIn(EntryPlatforms),
                         [](const ::testing::TestParamInfo<EntryPlatform>& p) {
                             return std::string(p.param.name);
                         });

}  // namespace
