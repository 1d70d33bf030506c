// The simulated registry: case-insensitive names, typed values, handles and
// the platform's rule for deleting a key that still has subkeys.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "platform/sim/machine.h"

namespace {

const os::RegKey HKLM = os::HKEY_LOCAL_MACHINE;

}  // namespace

TEST(SimRegistry, FindsKeysAndValuesWhateverTheirCase) {
    sim::Machine m = sim::Machine::NT40();
    m.SetString(HKLM, "Software\\Vendor\\Tool", "Path", "C:\\TOOL");
    os::RegKey key = 0;
    ASSERT_EQ(m.RegOpenKeyEx(HKLM, "SOFTWARE\\vendor\\TOOL", os::KEY_QUERY_VALUE, &key), os::ERROR_SUCCESS);
    char data[32] = {};
    std::uint32_t type = 0, size = sizeof data;
    ASSERT_EQ(m.RegQueryValueEx(key, "PATH", &type, data, &size), os::ERROR_SUCCESS);
    EXPECT_EQ(type, os::REG_SZ);
    EXPECT_EQ(size, 8u);
    EXPECT_STREQ(data, "C:\\TOOL");
    EXPECT_EQ(m.RegCloseKey(key), os::ERROR_SUCCESS);
    EXPECT_EQ(m.OpenRegistryKeys(), 0u);
}

TEST(SimRegistry, AMissingKeyOrValueIsFileNotFound) {
    sim::Machine m = sim::Machine::NT40();
    os::RegKey key = 0;
    EXPECT_EQ(m.RegOpenKeyEx(HKLM, "Software\\Nobody", os::KEY_QUERY_VALUE, &key), 2);
    ASSERT_EQ(m.RegCreateKeyEx(HKLM, "Software\\Somebody", os::KEY_ALL_ACCESS, &key), 0);
    std::uint32_t size = 0;
    EXPECT_EQ(m.RegQueryValueEx(key, "none", nullptr, nullptr, &size), 2);
    EXPECT_EQ(m.RegDeleteValue(key, "none"), 2);
    m.RegCloseKey(key);
    EXPECT_TRUE(m.KeyExists(HKLM, "SOFTWARE\\SOMEBODY"));
}

TEST(SimRegistry, AQueryWithTooSmallABufferGivesTheSizeNeeded) {
    sim::Machine m = sim::Machine::NT40();
    m.SetDword(HKLM, "Software\\X", "Count", 7);
    m.SetString(HKLM, "Software\\X", "", "default");
    os::RegKey key = 0;
    ASSERT_EQ(m.RegOpenKeyEx(HKLM, "Software\\X", os::KEY_QUERY_VALUE, &key), 0);
    char small[3];
    std::uint32_t size = sizeof small;
    EXPECT_EQ(m.RegQueryValueEx(key, nullptr, nullptr, small, &size), sim::ERROR_MORE_DATA);
    EXPECT_EQ(size, 8u);
    std::uint32_t count = 0, type = 0;
    size = sizeof count;
    ASSERT_EQ(m.RegQueryValueEx(key, "count", &type, &count, &size), 0);
    EXPECT_EQ(type, os::REG_DWORD);
    EXPECT_EQ(count, 7u);
    m.RegCloseKey(key);
}

TEST(SimRegistry, SetValueKeepsTypeAndBytesAndReplacesAnOldValue) {
    sim::Machine m = sim::Machine::NT40();
    os::RegKey key = 0;
    ASSERT_EQ(m.RegCreateKeyEx(HKLM, "Software\\Y", os::KEY_ALL_ACCESS, &key), 0);
    const std::uint8_t bytes[] = {1, 2, 0, 3};
    ASSERT_EQ(m.RegSetValueEx(key, "Bin", sim::REG_BINARY, bytes, sizeof bytes), 0);
    ASSERT_EQ(m.RegSetValueEx(key, "BIN", sim::REG_BINARY, bytes, 2), 0);
    m.RegCloseKey(key);
    sim::RegValue v;
    ASSERT_TRUE(m.GetValue(HKLM, "software\\y", "bin", v));
    EXPECT_EQ(v.type, sim::REG_BINARY);
    EXPECT_EQ(v.data, (sim::Bytes{1, 2}));
    EXPECT_THAT(m.ValueNames(HKLM, "Software\\Y"), testing::ElementsAre("BIN"));
}

TEST(SimRegistry, NTRefusesToDeleteAKeyWithSubkeys) {
    sim::Machine m = sim::Machine::NT40();
    m.CreateKey(HKLM, "Software\\App\\Sub");
    EXPECT_EQ(m.RegDeleteKey(HKLM, "Software\\App"), os::ERROR_ACCESS_DENIED);
    EXPECT_TRUE(m.KeyExists(HKLM, "Software\\App\\Sub"));
    EXPECT_EQ(m.RegDeleteKey(HKLM, "Software\\App\\Sub"), 0);
    EXPECT_EQ(m.RegDeleteKey(HKLM, "Software\\App"), 0);
    EXPECT_FALSE(m.KeyExists(HKLM, "Software\\App"));
    EXPECT_EQ(m.RegDeleteKey(HKLM, "Software\\App"), os::ERROR_FILE_NOT_FOUND);
}

TEST(SimRegistry, Windows10RefusesLikeNT) {
    sim::Machine m = sim::Machine::Windows10();
    m.CreateKey(HKLM, "Software\\App\\Sub");
    EXPECT_EQ(m.RegDeleteKey(HKLM, "Software\\App"), os::ERROR_ACCESS_DENIED);
}

TEST(SimRegistry, Windows95DeletesTheWholeSubtree) {
    sim::Machine m = sim::Machine::Windows95();
    m.SetString(HKLM, "Software\\App\\Sub\\Deeper", "v", "x");
    os::RegKey open = 0;
    ASSERT_EQ(m.RegOpenKeyEx(HKLM, "Software\\App\\Sub", os::KEY_ALL_ACCESS, &open), 0);
    EXPECT_EQ(m.RegDeleteKey(HKLM, "software\\app"), 0);
    EXPECT_FALSE(m.KeyExists(HKLM, "Software\\App"));
    EXPECT_TRUE(m.KeyExists(HKLM, "Software"));
    // A handle to a deleted key no longer writes anything.
    EXPECT_NE(m.RegSetValueEx(open, "w", os::REG_SZ, "y", 2), 0);
    m.RegCloseKey(open);
    EXPECT_FALSE(m.KeyExists(HKLM, "Software\\App"));
}

TEST(SimRegistry, OpenedKeysWorkAsRootsForSubkeys) {
    sim::Machine m = sim::Machine::NT40();
    os::RegKey parent = 0, child = 0;
    ASSERT_EQ(m.RegCreateKeyEx(HKLM, "Software\\P", os::KEY_ALL_ACCESS, &parent), 0);
    ASSERT_EQ(m.RegCreateKeyEx(parent, "C", os::KEY_ALL_ACCESS, &child), 0);
    ASSERT_EQ(m.RegSetValueEx(child, "n", os::REG_SZ, "v", 2), 0);
    EXPECT_EQ(m.GetString(HKLM, "Software\\P\\C", "n"), "v");
    EXPECT_EQ(m.RegDeleteKey(parent, "C"), 0);
    m.RegCloseKey(child);
    m.RegCloseKey(parent);
    EXPECT_EQ(m.RegCloseKey(parent), static_cast<long>(sim::ERROR_INVALID_HANDLE));
}

TEST(SimRegistry, TheCurrentVersionKeyHoldsProgramFilesDirUntilRemoved) {
    sim::Machine m = sim::Machine::NT40();
    const std::string cv = "Software\\Microsoft\\Windows\\CurrentVersion";
    EXPECT_EQ(m.GetString(HKLM, cv, "ProgramFilesDir"), "C:\\Program Files");
    EXPECT_TRUE(m.IsDirectory("C:\\Program Files"));
    m.RemoveProgramFilesDir();
    EXPECT_FALSE(m.HasValue(HKLM, cv, "ProgramFilesDir"));
    EXPECT_TRUE(m.KeyExists(HKLM, cv));
    m.RemoveCurrentVersionKey();
    EXPECT_FALSE(m.KeyExists(HKLM, cv));
}

TEST(SimRegistry, ASnapshotComparesWholeRegistries) {
    sim::Machine m = sim::Machine::NT40();
    sim::RegistrySnapshot before = m.SnapshotRegistry();
    m.SetDword(HKLM, "Software\\Z", "N", 1);
    sim::RegistrySnapshot after = m.SnapshotRegistry();
    EXPECT_NE(before, after);
    EXPECT_THAT(after, testing::Contains("HKLM\\SOFTWARE\\Z|N=4:01000000"));
    m.DeleteKeyTree(HKLM, "Software\\Z");
    EXPECT_EQ(m.SnapshotRegistry(), before);
}

TEST(SimRegistry, AHandleAllowsOnlyWhatItWasOpenedForAndCreateChecksItsArguments) {
    sim::Machine m = sim::Machine::NT40();
    m.SetString(HKLM, "Software\\Tool", "Path", "C:\\TOOL");
    os::RegKey reader = 0, writer = 0, key = 0;
    ASSERT_EQ(m.RegOpenKeyEx(HKLM, "Software\\Tool", os::KEY_QUERY_VALUE, &reader), os::ERROR_SUCCESS);
    ASSERT_EQ(m.RegOpenKeyEx(HKLM, "Software\\Tool", os::KEY_SET_VALUE, &writer), os::ERROR_SUCCESS);
    char data[16] = {};
    std::uint32_t type = 0, size = sizeof data;
    EXPECT_EQ(m.RegQueryValueEx(reader, "Path", &type, data, &size), os::ERROR_SUCCESS);
    EXPECT_EQ(m.RegSetValueEx(reader, "Path", os::REG_SZ, "x", 2), os::ERROR_ACCESS_DENIED);
    EXPECT_EQ(m.RegDeleteValue(reader, "Path"), os::ERROR_ACCESS_DENIED);
    EXPECT_EQ(m.RegQueryValueEx(writer, "Path", &type, data, &size), os::ERROR_ACCESS_DENIED);
    EXPECT_EQ(m.RegDeleteValue(writer, "Path"), os::ERROR_SUCCESS);
    EXPECT_EQ(m.RegOpenKeyEx(HKLM, "Software\\Tool", 0, &key), sim::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(m.RegCreateKeyEx(HKLM, nullptr, os::KEY_ALL_ACCESS, &key), sim::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(m.RegCreateKeyEx(HKLM, "Software\\New", 0x01000000u, &key), sim::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(m.RegCreateKeyEx(HKLM, "Software\\New", os::KEY_ALL_ACCESS, nullptr), sim::ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(m.KeyExists(HKLM, "Software\\New"));
    m.RegCloseKey(reader);
    m.RegCloseKey(writer);
}
