// The test package builder: the records it writes for each fluent call.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "support/package_builder.h"
#include "szdd/szdd.h"

namespace {

pkg::PackageContents ReadBack(const Bytes& file, std::size_t* offset = nullptr) {
    pkg::PackageContents back;
    std::size_t at = 0;
    std::string error;
    EXPECT_TRUE(pkg::ReadPackage(file, back, at, error)) << error;
    if (offset) *offset = at;
    return back;
}

TEST(PackageBuilder, WritesTheHeaderSettings) {
    Package p = PackageBuilder()
                    .Title("App Setup")
                    .UninstallTitle("App Removal")
                    .Uninstaller("UNINST.EXE")
                    .DefaultSubdir("APP")
                    .MinWindows(4, 0)
                    .CreateLog()
                    .RefuseWin32s()
                    .RunAfterInstall("README.TXT", "/x");
    pkg::PackageContents c = ReadBack(p.Build());
    EXPECT_STREQ(c.header.InstallTitle, "App Setup");
    EXPECT_STREQ(c.header.UninstallTitle, "App Removal");
    EXPECT_STREQ(c.header.UninstallerName, "UNINST.EXE");
    EXPECT_EQ(c.header.CreateUninstaller, 1u);
    EXPECT_STREQ(c.header.DefaultSubdir, "APP");
    EXPECT_EQ(c.header.MinWindowsMajor, 4u);
    EXPECT_EQ(c.header.CreateLog, 1u);
    EXPECT_EQ(c.header.RefuseWin32s, 1u);
    EXPECT_EQ(c.header.RefuseWindowsNT, 0u);
    EXPECT_STREQ(c.header.RunAfterInstall, "README.TXT");
    EXPECT_STREQ(c.header.RunParameters, "/x");
}

TEST(PackageBuilder, ResolvesDirectoryFileAndGroupNamesToNumbers) {
    Package p = PackageBuilder()
                    .Dir("BIN")
                    .Dir("SUB")
                    .InSystemDir()
                    .File("README.TXT", TextBytes("read me"))
                    .File("TOOL.DLL", TextBytes("tool"))
                    .InDir("sub")
                    .Group("First")
                    .Group("App")
                    .Item("Tool", "tool.dll", "-a")
                    .IconNumber(2);
    pkg::PackageContents c = ReadBack(p.Build());
    ASSERT_EQ(c.files.size(), 2u);
    EXPECT_EQ(c.files[0].DirNumber, 0u);
    EXPECT_EQ(c.files[1].DirNumber, 2u);
    EXPECT_EQ(c.dirs[1].InSystemDir, 1u);
    EXPECT_EQ(c.dirs[0].InSystemDir, 0u);
    ASSERT_EQ(c.items.size(), 1u);
    EXPECT_EQ(c.items[0].GroupNumber, 2u);
    EXPECT_EQ(c.items[0].FileNumber, 2u);
    EXPECT_EQ(c.items[0].IconNumber, 2u);
    EXPECT_STREQ(c.items[0].Arguments, "-a");
}

TEST(PackageBuilder, StoresACompressedFileAsSzddThatExpandsToTheOriginal) {
    Bytes data = PatternBytes(5000);
    Package p = PackageBuilder().File("BIG.DAT", data).Compressed();
    pkg::PackageContents c = ReadBack(p.Build());
    ASSERT_EQ(c.files.size(), 1u);
    EXPECT_EQ(c.files[0].Compressed, 1u);
    EXPECT_EQ(c.files[0].InstalledSize, 5000u);
    EXPECT_EQ(c.files[0].StoredSize, c.fileData[0].size());
    EXPECT_LT(c.fileData[0].size(), data.size());
    EXPECT_EQ(c.fileData[0][9], 'T');  // the missing last character of the name
    Bytes expanded;
    ASSERT_TRUE(szdd::Expand(c.fileData[0].data(), c.fileData[0].size(), expanded));
    EXPECT_EQ(expanded, data);
}

TEST(PackageBuilder, WritesRegistryValuesUnderTheLastKey) {
    Package p = PackageBuilder()
                    .RegKey(os::HKEY_CURRENT_USER, "Software\\One")
                    .RegKey(os::HKEY_LOCAL_MACHINE, "Software\\App")
                    .KeepAtUninstall()
                    .Value("Name", os::REG_SZ, "x")
                    .Value("Count", 7);
    pkg::PackageContents c = ReadBack(p.Build());
    ASSERT_EQ(c.regKeys.size(), 2u);
    EXPECT_EQ(c.regKeys[1].Root, 0x80000002u);
    EXPECT_EQ(c.regKeys[1].KeepAtUninstall, 1u);
    ASSERT_EQ(c.regValues.size(), 2u);
    EXPECT_EQ(c.regValues[0].KeyNumber, 2u);
    EXPECT_EQ(c.regValues[0].DataSize, 2u);  // the text and its NUL
    EXPECT_EQ(c.regValues[0].Data[0], 'x');
    EXPECT_EQ(c.regValues[1].ValueType, os::REG_DWORD);
    EXPECT_EQ(c.regValues[1].DataSize, 4u);
    EXPECT_EQ(c.regValues[1].Data[0], 7);
}

TEST(PackageBuilder, EndsServiceDependenciesWithAnEmptyName) {
    Package p = PackageBuilder().File("SVC.EXE", TextBytes("svc")).Service("Svc", "My Service", {"A", "BC"});
    const FileRecord& f = p.Contents().files[0];
    const char expected[] = {'A', 0, 'B', 'C', 0, 0};
    EXPECT_EQ(std::memcmp(f.ServiceDependencies, expected, sizeof expected), 0);
    EXPECT_STREQ(f.ServiceDisplayName, "My Service");
}

TEST(PackageBuilder, AppliesFlagsToTheRecordJustAdded) {
    Package p = PackageBuilder()
                    .Dir("D")
                    .NotOnWindows95()
                    .File("F", TextBytes("f"))
                    .SkipAtInstall()
                    .Shared()
                    .Group("G")
                    .NotOnWindowsNT();
    const pkg::PackageContents& c = p.Contents();
    EXPECT_EQ(c.dirs[0].NotOnWindows95, 1u);
    EXPECT_EQ(c.dirs[0].SkipAtInstall, 0u);
    EXPECT_EQ(c.files[0].SkipAtInstall, 1u);
    EXPECT_EQ(c.files[0].Shared, 1u);
    EXPECT_EQ(c.files[0].NotOnWindows95, 0u);
    EXPECT_EQ(c.groups[0].NotOnWindowsNT, 1u);
}

TEST(PackageBuilder, PutsTheMarkerAtTheChosenOffset) {
    Bytes file = PackageBuilder().MarkerAt(8192 * 2).Build();
    EXPECT_EQ(std::string(file.begin() + 8192 * 2, file.begin() + 8192 * 2 + 8), "iNStiNSt");
    std::size_t offset = 0;
    ReadBack(file, &offset);
    EXPECT_EQ(offset, 8192u * 2);
}

TEST(PackageBuilder, ReportsOffsetsOfTheInformationAndTheData) {
    Package p = PackageBuilder().Dir("D").File("A", TextBytes("aaaa")).File("B", TextBytes("bb"));
    Bytes file = p.Build();
    EXPECT_EQ(p.InfoOffset(), DefaultStub().size());
    EXPECT_EQ(p.InfoSize(), 3772u + 2 * 756 + 288);
    EXPECT_EQ(p.DataOffset(0), p.InfoOffset() + p.InfoSize());
    EXPECT_EQ(p.DataOffset(1), p.DataOffset(0) + 4);
    EXPECT_EQ(file[p.DataOffset(1)], 'b');
    // The checksum trailer follows the data.
    ASSERT_EQ(file.size(), p.DataOffset(1) + 2u + 16u);
    EXPECT_EQ(std::string(file.begin() + p.DataOffset(1) + 2, file.begin() + p.DataOffset(1) + 10), "iNStCRC1");
}

TEST(PackageBuilder, DefaultStubHoldsNoMarker) {
    Bytes stub = DefaultStub();
    const std::string text(stub.begin(), stub.end());
    EXPECT_EQ(text.find("iNSt"), std::string::npos);
}

TEST(PackageBuilder, RefusesUnknownNamesAndOverlongTexts) {
    EXPECT_THROW(PackageBuilder().File("A", TextBytes("a")).InDir("NOPE"), std::invalid_argument);
    EXPECT_THROW(PackageBuilder().Group("G").Item("I", "MISSING.EXE"), std::invalid_argument);
    EXPECT_THROW(PackageBuilder().Title(std::string(64, 'x')), std::invalid_argument);
    EXPECT_NO_THROW(PackageBuilder().Title(std::string(63, 'x')));
    EXPECT_THROW(PackageBuilder().Shared(), std::logic_error);
}

}  // namespace
