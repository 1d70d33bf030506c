// A good script becomes the records, data and package it describes: every
// header setting, the files with their times, versions and stored forms,
// wildcard and directory sources, references resolved to numbers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "pe/pe_version.h"
#include "pkgbuild/pkgbuild.h"
#include "pkgwrite/stream_package.h"
#include "szdd/szdd.h"
#include "support/scratch_dir.h"

namespace {

std::string Text(const char* field, std::size_t size) { return std::string(field, strnlen(field, size)); }
template <std::size_t N>
std::string Text(const char (&field)[N]) {
    return Text(field, N);
}
std::string Bytes(const pkg::Bytes& b) { return std::string(b.begin(), b.end()); }

// Every package needs a caption, a main text and a closing text; a script
// that is about something else gets them in a [Setup] section of their own.
std::string WithDialogTexts(const std::string& script) {
    std::string added;
    for (const std::string key : {"Title", "MainText", "FinishedText"})
        if (script.compare(0, key.size() + 1, key + "=") != 0 &&
            script.find("\n" + key + "=") == std::string::npos)
            added += key + "=Example\n";
    return added.empty() ? script : "[Setup]\n" + added + script;
}

pkg::PackageContents Build(const Scratch& s, const std::string& script) {
    pkg::PackageContents contents;
    pkgbuild::ScriptError error;
    EXPECT_TRUE(pkgbuild::BuildContents(WithDialogTexts(script), s.Dir(), contents, error))
        << "line " << error.line << ": " << error.message;
    return contents;
}

TEST(PkgbuildSetup, EverySettingLandsInItsHeaderField) {
    Scratch s;
    s.Write("readme.txt", "read me\n");
    pkg::PackageContents c = Build(s, R"([Setup]
Title=Example Product
UninstallTitle=Example Removal
MainText=Welcome.%nPress Install.
HelpText=Help for 95
HelpTextNT=Help for NT with 100%% coverage
FinishedText=Done.
UninstallQuestion=Remove it?
RestartText=Restart now?
UninstallDisplayName=Example Product 1.0
DefaultDir=Example\Product
UninstallItemName=Remove Example
Uninstaller=UNINST.EXE
RunAfterInstall=README.TXT
RunParameters=" /quiet "
MinWindows=3.51
HelpFile=README.TXT
HelpContext=0x20
CreateUninstaller=yes
UninstallItemAlways=true
CreateLog=on
DeleteLogOnSuccess=1
Refuse=win32s nt
[Files]
Source: "readme.txt"; Name: "README.TXT"
)");
    const InstallHeader& h = c.header;
    EXPECT_EQ(Text(h.InstallTitle), "Example Product");
    EXPECT_EQ(Text(h.UninstallTitle), "Example Removal");
    EXPECT_EQ(Text(h.MainDialogText), "Welcome.\r\nPress Install.");
    EXPECT_EQ(Text(h.HelpText), "Help for 95");
    EXPECT_EQ(Text(h.HelpTextNT), "Help for NT with 100% coverage");
    EXPECT_EQ(Text(h.FinishedText), "Done.");
    EXPECT_EQ(Text(h.UninstallQuestion), "Remove it?");
    EXPECT_EQ(Text(h.RestartText), "Restart now?");
    EXPECT_EQ(Text(h.UninstallDisplayName), "Example Product 1.0");
    EXPECT_EQ(Text(h.DefaultSubdir), "Example\\Product");
    EXPECT_EQ(Text(h.UninstallItemName), "Remove Example");
    EXPECT_EQ(Text(h.UninstallerName), "UNINST.EXE");
    EXPECT_EQ(Text(h.RunAfterInstall), "README.TXT");
    EXPECT_EQ(Text(h.RunParameters), " /quiet ");
    EXPECT_EQ(h.MinWindowsMajor, 3u);
    EXPECT_EQ(h.MinWindowsMinor, 51u);
    EXPECT_EQ(h.HelpFileNumber, 1);
    EXPECT_EQ(h.HelpContext, 0x20u);
    EXPECT_EQ(h.CreateUninstaller, 1u);
    EXPECT_EQ(h.UninstallItemAlways, 1u);
    EXPECT_EQ(h.CreateLog, 1u);
    EXPECT_EQ(h.DeleteLogOnSuccess, 1u);
    EXPECT_EQ(h.RefuseWin32s, 1u);
    EXPECT_EQ(h.RefuseWindows95, 0u);
    EXPECT_EQ(h.RefuseWindowsNT, 1u);
    EXPECT_EQ(h.IniStringCount, 0u);
}

// The script is UTF-8; the package holds the texts in the ANSI code page of
// CodePage= (1252 unless given). Sources are still found by their names on
// disk, and a name taken from the disk is converted like the script's own.
TEST(PkgbuildSetup, TextsAndNamesArriveInTheCodePage) {
    Scratch s;
    s.Write("intl/caf\xC3\xA9.txt", "menu");
    pkg::PackageContents c = Build(s, "[Setup]\nTitle=Caf\xC3\xA9 \xE2\x82\xAC\n"
                                      "[Files]\nSource: \"intl/*.txt\"\n"
                                      "[RegKeys]\nKey: \"HKCU\\Software\\Caf\xC3\xA9\"\n"
                                      "[RegValues]\nKey: \"HKCU\\Software\\Caf\xC3\xA9\"; Name: \"N\xC3\xA9\"; Data: \"\xC3\xA9\"\n");
    EXPECT_EQ(Text(c.header.InstallTitle), "Caf\xE9 \x80");
    ASSERT_EQ(c.files.size(), 1u);
    EXPECT_EQ(Text(c.files[0].FileName), "caf\xE9.txt");
    EXPECT_EQ(c.files[0].InstalledSize, 4u);
    ASSERT_EQ(c.regKeys.size(), 1u);
    EXPECT_EQ(Text(c.regKeys[0].SubKey), "Software\\Caf\xE9");
    ASSERT_EQ(c.regValues.size(), 1u);
    EXPECT_EQ(Text(c.regValues[0].ValueName), "N\xE9");
    EXPECT_EQ(c.regValues[0].DataSize, 2u);
    EXPECT_EQ(c.regValues[0].Data[0], 0xE9);

    c = Build(s, "[Setup]\nCodePage=1250\n[Groups]\nName: \"\xC5\x81\xC3\xB3" "d\xC5\xBA\"\n");
    ASSERT_EQ(c.groups.size(), 1u);
    EXPECT_EQ(Text(c.groups[0].Name), "\xA3\xF3\x64\x9F");
    c = Build(s, "[Setup]\nCodePage=1251\n[Groups]\nName: \"\xD0\x9F\xD1\x83\xD1\x81\xD0\xBA\"\n");
    EXPECT_EQ(Text(c.groups[0].Name), "\xCF\xF3\xF1\xEA");
}

TEST(PkgbuildFiles, TakeTheirTimesFromTheFileSystemAsFiletimes) {
    Scratch s;
    std::string path = s.Write("a.txt", "alpha");
    // Accessed 2002-01-01, written 2001-09-09 01:46:40.5 UTC: only the
    // write counts, for every time stored (a build reads the file again).
    struct timespec times[2] = {{1009843200, 0}, {1000000000, 500000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    unsetenv("SOURCE_DATE_EPOCH");
    pkg::PackageContents c = Build(s, "[Files]\nSource: \"a.txt\"\n");
    ASSERT_EQ(c.files.size(), 1u);
    // (1000000000 s * 10^7 + 5000000) + 116444736000000000 ticks
    const std::uint64_t expected = 126444736005000000ULL;
    auto ticks = [](const os::FileTime& t) { return (static_cast<std::uint64_t>(t.High) << 32) | t.Low; };
    const FileRecord f = c.files[0];
    EXPECT_EQ(ticks(f.LastWriteTime), expected);
    EXPECT_EQ(ticks(f.CreationTime), expected);
    EXPECT_EQ(ticks(f.LastAccessTime), expected);
    // SOURCE_DATE_EPOCH clamps every time later than it, and no earlier one.
    struct Clamp { const char* epoch; std::uint64_t ticks; } clamps[] = {
        {"999999999", 999999999ULL * 10000000 + 116444736000000000ULL},
        {"1000000000", 1000000000ULL * 10000000 + 116444736000000000ULL},
        {"1000000001", expected}};
    for (const Clamp& clamp : clamps) {
        setenv("SOURCE_DATE_EPOCH", clamp.epoch, 1);
        c = Build(s, "[Files]\nSource: \"a.txt\"\n");
        EXPECT_EQ(ticks(c.files[0].LastWriteTime), clamp.ticks) << clamp.epoch;
        EXPECT_EQ(ticks(c.files[0].CreationTime), clamp.ticks) << clamp.epoch;
        EXPECT_EQ(ticks(c.files[0].LastAccessTime), clamp.ticks) << clamp.epoch;
    }
    setenv("SOURCE_DATE_EPOCH", "yesterday", 1);
    pkgbuild::ScriptError error;
    EXPECT_FALSE(pkgbuild::BuildContents("[Files]\nSource: \"a.txt\"\n", s.Dir(), c, error));
    EXPECT_EQ(error.line, 2);
    EXPECT_NE(error.message.find("SOURCE_DATE_EPOCH"), std::string::npos) << error.message;
    unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(Text(f.FileName), "a.txt");
    EXPECT_EQ(f.InstalledSize, 5u);
    EXPECT_EQ(f.Attributes, 0x20u);
}

TEST(PkgbuildFiles, TakeTheirVersionFromTheVersionResource) {
    Scratch s;
    s.Write("tool.dll", pe::MakeDllWithVersion(2, 1, 7, 300));
    s.Write("plain.txt", "no version here");
    pkg::PackageContents c = Build(s, "[Files]\nSource: \"tool.dll\"; Flags: CompareVersion\nSource: \"plain.txt\"\n");
    ASSERT_EQ(c.files.size(), 2u);
    EXPECT_EQ(c.files[0].FileVersionMS, 0x00020001u);
    EXPECT_EQ(c.files[0].FileVersionLS, 0x0007012Cu);
    EXPECT_EQ(c.files[0].CompareVersion, 1u);
    EXPECT_EQ(c.files[1].FileVersionMS, 0u);
    EXPECT_EQ(c.files[1].FileVersionLS, 0u);
}

TEST(PkgbuildFiles, AreCompressedByDefaultIntoSzddThatExpandsToTheOriginal) {
    Scratch s;
    std::string content(5000, 'x');
    content += "tail";
    s.Write("big.txt", content);
    pkg::PackageContents c = Build(s, "[Files]\nSource: \"big.txt\"; Name: \"BIG.TXT\"\n");
    ASSERT_EQ(c.files.size(), 1u);
    EXPECT_EQ(c.files[0].Compressed, 1u);
    EXPECT_EQ(c.files[0].InstalledSize, content.size());
    const pkg::Bytes& stored = c.fileData[0];
    ASSERT_TRUE(szdd::IsSzdd(stored.data(), stored.size()));
    EXPECT_LT(stored.size(), content.size());
    // The missing character of the "_" name is the name's last one.
    EXPECT_EQ(stored[9], 'T');
    std::vector<std::uint8_t> expanded;
    ASSERT_TRUE(szdd::Expand(stored.data(), stored.size(), expanded));
    EXPECT_EQ(std::string(expanded.begin(), expanded.end()), content);
}

TEST(PkgbuildFiles, FollowTheCompressDefaultUnlessTheirFlagsSayOtherwise) {
    Scratch s;
    s.Write("a.txt", "alpha");
    s.Write("b.txt", "beta");
    pkg::PackageContents c = Build(s, "[Setup]\nCompress=no\n[Files]\nSource: \"a.txt\"\n"
                                      "Source: \"b.txt\"; Flags: Compressed\n");
    ASSERT_EQ(c.files.size(), 2u);
    EXPECT_EQ(c.files[0].Compressed, 0u);
    EXPECT_EQ(Bytes(c.fileData[0]), "alpha");
    EXPECT_EQ(c.files[1].Compressed, 1u);
    EXPECT_TRUE(szdd::IsSzdd(c.fileData[1].data(), c.fileData[1].size()));

    c = Build(s, "[Files]\nSource: \"a.txt\"; Flags: Uncompressed Vital\nSource: \"b.txt\"\n");
    EXPECT_EQ(c.files[0].Compressed, 0u);
    EXPECT_EQ(c.files[0].Vital, 1u);
    EXPECT_EQ(Bytes(c.fileData[0]), "alpha");
    // By default a file is compressed only where that makes it smaller.
    EXPECT_EQ(c.files[1].Compressed, 0u);
    EXPECT_EQ(Bytes(c.fileData[1]), "beta");
    EXPECT_EQ(c.files[1].StoredSize, 4u);
}

TEST(PkgbuildFiles, AreNeverStoredLargerByDefaultButAnExplicitCompressedFlagWins) {
    Scratch s;
    std::string noise(70000, '\0');
    std::uint32_t x = 12345;
    for (char& c : noise) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    const std::string runs(70000, 'r');
    s.Write("noise.bin", noise);
    s.Write("runs.txt", runs);
    s.Write("short.txt", std::string(77, 'q').substr(0, 10) + "0123456789abcdefghijklmnopqrstuvwxyz!");
    pkg::PackageContents c = Build(s, "[Files]\nSource: \"noise.bin\"\nSource: \"runs.txt\"\n"
                                      "Source: \"short.txt\"\n"
                                      "Source: \"noise.bin\"; Name: \"FORCED.BIN\"; Flags: Compressed\n");
    ASSERT_EQ(c.files.size(), 4u);
    struct Expected { std::uint32_t compressed; const std::string* plain; } expected[] = {
        {0, &noise}, {1, &runs}, {0, nullptr}, {1, &noise}};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(c.files[i].Compressed, expected[i].compressed);
        EXPECT_EQ(c.files[i].StoredSize, c.fileData[i].size());
        if (expected[i].compressed) {
            std::vector<std::uint8_t> expanded;
            ASSERT_TRUE(szdd::Expand(c.fileData[i].data(), c.fileData[i].size(), expanded));
            EXPECT_EQ(std::string(expanded.begin(), expanded.end()), *expected[i].plain);
        } else {
            EXPECT_EQ(c.fileData[i].size(), c.files[i].InstalledSize);
        }
    }
    EXPECT_LT(c.fileData[1].size(), runs.size());
    EXPECT_GT(c.fileData[3].size(), noise.size());  // the flag asked for it
}

TEST(PkgbuildFiles, AWildcardAddsEveryMatchInNameOrderIntoItsDirectory) {
    Scratch s;
    s.Write("docs/b.txt", "bee");
    s.Write("docs/a.txt", "ay");
    s.Write("docs/c.doc", "not matched");
    s.Write("docs/sub/d.txt", "not a direct child");
    pkg::PackageContents c = Build(s, "[Setup]\nCompress=no\n[Dirs]\nName: \"DOCS\"\n"
                                      "[Files]\nSource: \"docs\\*.txt\"; Dir: \"DOCS\"; Flags: KeepAtUninstall\n"
                                      "[Groups]\nName: \"G\"\n"
                                      "[Items]\nName: \"B\"; Group: \"G\"; File: \"DOCS\\b.txt\"\n");
    ASSERT_EQ(c.files.size(), 2u);
    EXPECT_EQ(Text(c.files[0].FileName), "a.txt");
    EXPECT_EQ(Text(c.files[1].FileName), "b.txt");
    EXPECT_EQ(Bytes(c.fileData[0]), "ay");
    EXPECT_EQ(Bytes(c.fileData[1]), "bee");
    for (const FileRecord& f : c.files) {
        EXPECT_EQ(f.DirNumber, 1u);
        EXPECT_EQ(f.KeepAtUninstall, 1u);
    }
    ASSERT_EQ(c.items.size(), 1u);
    EXPECT_EQ(c.items[0].FileNumber, 2u);
}

TEST(PkgbuildFiles, ADirectorySourceAddsTheVisibleRegularFilesDirectlyInside) {
    Scratch s;
    s.Write("data/one.dat", "1");
    s.Write("data/two.dat", "22");
    s.Write("data/nested/three.dat", "333");
    s.Write("data/.hidden", "editor leftovers");
    pkg::PackageContents c = Build(s, "[Files]\nSource: \"data\"; Base: windows\n");
    ASSERT_EQ(c.files.size(), 2u);
    EXPECT_EQ(Text(c.files[0].FileName), "one.dat");
    EXPECT_EQ(Text(c.files[1].FileName), "two.dat");
    EXPECT_EQ(c.files[0].InWindowsDir, 1u);
    EXPECT_EQ(c.files[1].InstalledSize, 2u);
}

TEST(PkgbuildFiles, AHiddenFileComesOnlyFromAPatternStartingWithADot) {
    Scratch s;
    s.Write("cfg/.profile", "p");
    s.Write("cfg/settings", "s");
    pkg::PackageContents c = Build(s, "[Files]\nSource: \"cfg/.*\"\n");
    ASSERT_EQ(c.files.size(), 1u);
    EXPECT_EQ(Text(c.files[0].FileName), ".profile");
}

TEST(PkgbuildFiles, CarryEveryFieldTheLineGives) {
    Scratch s;
    s.Write("svc.exe", "service program");
    pkg::PackageContents c = Build(
        s, "[Files]\nSource: \"svc.exe\"; Name: \"SVC.EXE\"; Base: system; Attributes: ReadOnly Hidden; "
           "Overwrite: older; Service: \"ExSvc\"; ServiceDisplayName: \"Example Service\"; "
           "ServiceDependencies: \"Tcpip, Afd\"; Trailer: \"000102030405060708090a0b0c0d0e0f\"; "
           "Flags: Shared SelfRegister RegisterByRun CheckInUse NeedsRestart AppPath RunService95 "
           "StartService NotOnWindows95 NotOnWindowsNT SkipAtInstall\n");
    ASSERT_EQ(c.files.size(), 1u);
    const FileRecord& f = c.files[0];
    EXPECT_EQ(f.InSystemDir, 1u);
    EXPECT_EQ(f.Attributes, 3u);
    EXPECT_EQ(f.OverwriteMode, 4u);
    EXPECT_EQ(Text(f.ServiceName), "ExSvc");
    EXPECT_EQ(Text(f.ServiceDisplayName), "Example Service");
    EXPECT_EQ(std::string(f.ServiceDependencies, 11), std::string("Tcpip\0Afd\0\0", 11));
    EXPECT_EQ(f.AppendTrailer, 1u);
    EXPECT_EQ(f.Trailer[0], 0u);
    EXPECT_EQ(f.Trailer[15], 15u);
    EXPECT_EQ(f.Shared + f.SelfRegister + f.RegisterByRun + f.CheckInUse + f.NeedsRestart + f.AppPath +
                  f.RunService95 + f.StartService + f.NotOnWindows95 + f.NotOnWindowsNT + f.SkipAtInstall,
              11u);
    EXPECT_EQ(f.KeepAtUninstall + f.Vital + f.CompareVersion, 0u);
}

TEST(PkgbuildRecords, DirectoriesNestBelowEarlierOnesAndKeepTheDirectoryAttribute) {
    Scratch s;
    pkg::PackageContents c = Build(s, "[Dirs]\nName: \"APP\"\nName: \"APP\\DATA\"; Attributes: Hidden; "
                                      "Flags: KeepAtUninstall\nName: \"FONTS2\"; Base: windows\n");
    ASSERT_EQ(c.dirs.size(), 3u);
    EXPECT_EQ(Text(c.dirs[1].Name), "APP\\DATA");
    EXPECT_EQ(c.dirs[1].Attributes, 0x12u);
    EXPECT_EQ(c.dirs[1].KeepAtUninstall, 1u);
    EXPECT_EQ(c.dirs[0].Attributes, 0x10u);
    EXPECT_EQ(c.dirs[2].InWindowsDir, 1u);
}

TEST(PkgbuildRecords, ItemsWithoutAGroupGetThePreviousLinesGroupWrittenOut) {
    Scratch s;
    s.Write("a.exe", "a");
    s.Write("b.exe", "b");
    pkg::PackageContents c = Build(s, "[Files]\nSource: \"a.exe\"\nSource: \"b.exe\"\n"
                                      "[Groups]\nName: \"First\"\nName: \"Second\"; Flags: NotOnWindowsNT\n"
                                      "[Items]\nName: \"A\"; Group: \"Second\"; File: \"a.exe\"; Icon: 2; "
                                      "Arguments: \"/x\"; Flags: SkipAtInstall\n"
                                      "Name: \"B\"; File: \"b.exe\"\n"
                                      "Name: \"C\"; Group: \"first\"; File: \"A.EXE\"\n");
    ASSERT_EQ(c.groups.size(), 2u);
    EXPECT_EQ(c.groups[1].NotOnWindowsNT, 1u);
    ASSERT_EQ(c.items.size(), 3u);
    EXPECT_EQ(c.items[0].GroupNumber, 2u);
    EXPECT_EQ(c.items[0].IconNumber, 2u);
    EXPECT_EQ(Text(c.items[0].Arguments), "/x");
    EXPECT_EQ(c.items[0].SkipAtInstall, 1u);
    EXPECT_EQ(c.items[1].GroupNumber, 2u);
    EXPECT_EQ(c.items[1].FileNumber, 2u);
    EXPECT_EQ(c.items[2].GroupNumber, 1u);
    EXPECT_EQ(c.items[2].FileNumber, 1u);
}

TEST(PkgbuildRecords, RegistryValuesAreStoredInTheirTypesBytes) {
    Scratch s;
    pkg::PackageContents c = Build(
        s, "[RegKeys]\nKey: \"HKLM\\Software\\Example\"\nKey: \"HKEY_CURRENT_USER\\Software\\Example\"; "
           "Flags: KeepAtUninstall\n"
           "[RegValues]\nKey: \"HKLM\\Software\\Example\"; Name: \"Path\"; Data: \"C:\\App\"\n"
           "Key: \"HKLM\\Software\\Example\"; Name: \"Home\"; Type: expand; Data: \"%SystemRoot%\"\n"
           "Key: \"HKCU\\Software\\Example\"; Name: \"Raw\"; Type: binary; Data: \"de ad BEEF\"\n"
           "Key: \"HKCU\\Software\\Example\"; Name: \"Count\"; Type: dword; Data: 0x01020304\n"
           "Key: \"hklm\\software\\example\"; Data: \"\"\n");
    ASSERT_EQ(c.regKeys.size(), 2u);
    EXPECT_EQ(c.regKeys[0].Root, 0x80000002u);
    EXPECT_EQ(Text(c.regKeys[0].SubKey), "Software\\Example");
    EXPECT_EQ(c.regKeys[1].Root, 0x80000001u);
    EXPECT_EQ(c.regKeys[1].KeepAtUninstall, 1u);
    ASSERT_EQ(c.regValues.size(), 5u);
    const RegValueRecord* v = c.regValues.data();
    EXPECT_EQ(v[0].ValueType, 1u);
    EXPECT_EQ(v[0].DataSize, 7u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(v[0].Data), 7), std::string("C:\\App\0", 7));
    EXPECT_EQ(v[1].ValueType, 2u);
    EXPECT_EQ(v[1].DataSize, 13u);
    EXPECT_EQ(v[2].ValueType, 3u);
    EXPECT_EQ(v[2].DataSize, 4u);
    EXPECT_EQ(v[2].Data[0], 0xDE);
    EXPECT_EQ(v[2].Data[3], 0xEF);
    EXPECT_EQ(v[2].KeyNumber, 2u);
    EXPECT_EQ(v[3].ValueType, 4u);
    EXPECT_EQ(v[3].DataSize, 4u);
    EXPECT_EQ(v[3].Data[0], 0x04);
    EXPECT_EQ(v[3].Data[3], 0x01);
    EXPECT_EQ(Text(v[4].ValueName), "");
    EXPECT_EQ(v[4].KeyNumber, 1u);
    EXPECT_EQ(v[4].DataSize, 1u);
}

TEST(PkgbuildRecords, ValueDataOfExactly128BytesIsAccepted) {
    Scratch s;
    pkg::PackageContents c = Build(s, "[RegKeys]\nKey: \"HKCU\\X\"\n[RegValues]\nKey: \"HKCU\\X\"; Type: binary; Data: \"" +
                                          std::string(256, 'a') + "\"\n");
    ASSERT_EQ(c.regValues.size(), 1u);
    EXPECT_EQ(c.regValues[0].DataSize, 128u);
    EXPECT_EQ(c.regValues[0].Data[127], 0xAA);
}

TEST(PkgbuildPackage, IsTheStubPaddedToAMarkerTheStubAlwaysFindsThenTheRecordsAndData) {
    Scratch s;
    std::string stub = s.Write("stub.exe", std::string("MZ\x90\0stub", 8) + std::string(8185 - 8, 's'));
    s.Write("a.txt", "alpha");
    s.Write("b.txt", "beta");
    std::string script = s.Write("p.setup", "[Setup]\nTitle=T\nMainText=M\nFinishedText=F\nCompress=no\n[Files]\nSource: \"a.txt\"\nSource: \"b.txt\"\n");
    std::string out, err;
    ASSERT_EQ(pkgbuild::RunPkgbuild({script, "-o", s.Dir() + "/setup.exe", "--stub", stub}, out, err), 0) << err;
    EXPECT_EQ(err, "");
    pkg::Bytes file = s.ReadBytes("setup.exe");
    // 8185 bytes of stub would put the marker across the first 8192-byte
    // read; padded to 8192 it starts the second.
    pkg::PackageContents back;
    std::size_t infoOffset = 0;
    std::string error;
    ASSERT_TRUE(pkg::ReadPackage(file, back, infoOffset, error)) << error;
    EXPECT_EQ(infoOffset, 8192u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 8), std::string("MZ\x90\0stub", 8));
    EXPECT_EQ(file[8185], 0u);
    EXPECT_EQ(Text(back.header.InstallTitle), "T");
    ASSERT_EQ(back.fileData.size(), 2u);
    EXPECT_EQ(Bytes(back.fileData[0]), "alpha");
    EXPECT_EQ(Bytes(back.fileData[1]), "beta");
    EXPECT_TRUE(back.trailing.empty());
    EXPECT_EQ(file.size(), 8192u + 3772u + 2u * 756u + 9u + 16u);  // and the checksum trailer
}

}  // namespace

namespace {

TEST(PkgbuildPackage, StreamedOnAnyNumberOfThreadsIsTheSamePackageAsWrittenInMemory) {
    Scratch s;
    std::string script = "[Setup]\nTitle=T\nMainText=M\nFinishedText=F\n[Files]\n";
    for (int i = 0; i < 12; ++i) {
        std::string data(1000 + 3000 * i, static_cast<char>('a' + i));
        for (std::size_t k = 0; k < data.size(); k += 7 + i) data[k] = static_cast<char>(k * 31);
        s.Write("f" + std::to_string(i) + ".txt", data);
        script += "Source: \"f" + std::to_string(i) + ".txt\"" + (i % 3 == 0 ? "; Flags: Uncompressed" : "") + "\n";
    }
    s.Write("empty.txt", "");
    script += "Source: \"empty.txt\"\n";
    pkg::PackageContents c = Build(s, script);
    c.stub = pkg::Bytes(64, 'S');
    const pkg::Bytes expected = pkg::WritePackage(c);
    for (unsigned threads : {1u, 2u, 5u}) {
        pkg::PackageContents records;
        std::vector<pkg::FileSource> sources;
        pkgbuild::ScriptError error;
        ASSERT_TRUE(pkgbuild::BuildRecords(script, s.Dir(), records, sources, error)) << error.message;
        EXPECT_TRUE(records.fileData.empty());
        ASSERT_EQ(sources.size(), 13u);
        records.stub = c.stub;
        pkg::StreamResult result;
        ASSERT_TRUE(pkg::StreamPackage(records, sources, s.Dir() + "/out.exe", threads, result)) << result.error;
        EXPECT_EQ(result.size, expected.size());
        EXPECT_TRUE(s.ReadBytes("out.exe") == expected) << threads << " threads";
        EXPECT_FALSE(std::filesystem::exists(s.Dir() + "/out.exe.partial"));
    }
}

TEST(PkgbuildPackage, ASourceThatChangedSinceItWasListedFailsWithItsLineAndLeavesNoPackage) {
    Scratch s;
    s.Write("a.txt", "alpha");
    s.Write("b.txt", "beta");
    const std::string script =
        "[Setup]\nTitle=T\nMainText=M\nFinishedText=F\n[Files]\nSource: \"a.txt\"\nSource: \"b.txt\"\n";
    pkg::PackageContents records;
    std::vector<pkg::FileSource> sources;
    pkgbuild::ScriptError error;
    ASSERT_TRUE(pkgbuild::BuildRecords(script, s.Dir(), records, sources, error));
    s.Write("b.txt", "beta, longer now");
    pkg::StreamResult result;
    EXPECT_FALSE(pkg::StreamPackage(records, sources, s.Dir() + "/out.exe", 2, result));
    EXPECT_EQ(result.errorLine, 7);
    EXPECT_NE(result.error.find("b.txt"), std::string::npos) << result.error;
    EXPECT_FALSE(std::filesystem::exists(s.Dir() + "/out.exe"));
    EXPECT_FALSE(std::filesystem::exists(s.Dir() + "/out.exe.partial"));
}

}  // namespace
