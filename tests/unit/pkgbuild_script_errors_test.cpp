// Every kind of script mistake is refused with "file:line: message" and exit
// code 2, and no package is written.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "pkgbuild/pkgbuild.h"
#include "support/scratch_dir.h"

namespace {

struct Mistake {
    const char* what;
    const char* script;
    int line;
    const char* message;
};

// Sources available to every script: a.txt, b.txt, under_, docs/one.txt, docs/two.txt.
const Mistake Mistakes[] = {
    {"unknown section", "[Setup]\nTitle=x\n[Fils]\n", 3, "unknown section [Fils]"},
    {"line before any section", "Title=x\n", 1, "a line before the first section"},
    {"unknown setting", "[Setup]\nTitel=x\n", 2, "unknown setting Titel in [Setup]"},
    {"setting given twice", "[Setup]\nTitle=a\n\nTitle=b\n", 4,
     "setting Title given twice (first on line 2)"},
    {"setting without =", "[Setup]\nTitle\n", 2, "expected a setting as Key=Value"},
    {"yes/no setting with another word", "[Setup]\nCreateLog=maybe\n", 2,
     "CreateLog must be yes or no"},
    {"bad Windows version", "[Setup]\nMinWindows=four\n", 2,
     "bad Windows version four (expected like 4.0)"},
    {"unknown platform to refuse", "[Setup]\nRefuse=win95 os2\n", 2,
     "unknown platform os2 in Refuse (win32s, win95, nt)"},
    {"bad number", "[Setup]\nHelpContext=12x\n", 2, "bad number 12x for HelpContext"},
    {"absolute default directory", "[Setup]\nDefaultDir=C:\\APP\n", 2,
     "DefaultDir must be a relative path with \\"},
    {"program to open outside the destination", "[Setup]\nRunAfterInstall=..\\x.txt\n", 2,
     "RunAfterInstall must be a relative path with \\"},
    {"text longer than its field",
     "[Setup]\nTitle=0123456789012345678901234567890123456789012345678901234567890123\n", 2,
     "Title is longer than 63 characters"},
    {"unknown field", "[Files]\nSource: \"a.txt\"; Destination: \"x\"\n", 2,
     "unknown field Destination in [Files]"},
    {"unknown flag", "[Files]\nSource: \"a.txt\"; Flags: vital sharde\n", 2,
     "unknown flag sharde in [Files]"},
    {"missing required field", "[Groups]\nFlags: SkipAtInstall\n", 2, "missing field Name"},
    {"field given twice", "[Groups]\nName: \"a\"; name: \"b\"\n", 2, "field name given twice"},
    {"unterminated quote", "[Groups]\nName: \"Example\n", 2, "unterminated quoted text"},
    {"line that is no field list", "[Groups]\nExample Group\n", 2,
     "expected a field as `Name: value`"},
    {"missing source file", "[Files]\nSource: \"missing.txt\"\n", 2,
     "missing source file missing.txt"},
    {"wildcard without a match", "[Files]\nSource: \"docs/*.doc\"\n", 2,
     "no file matches source docs/*.doc"},
    {"Name on a wildcard source", "[Files]\nSource: \"docs/*.txt\"; Name: \"X.TXT\"\n", 2,
     "Name and Id need a source of one file, not docs/*.txt"},
    {"duplicate file name", "[Files]\nSource: \"a.txt\"; Name: \"A.TXT\"\nSource: \"b.txt\"; Name: \"a.txt\"\n",
     3, "duplicate file name a.txt (give one an Id)"},
    {"same target twice under two Ids",
     "[Files]\nSource: \"a.txt\"; Id: \"one\"\nSource: \"b.txt\"; Name: \"A.TXT\"; Id: \"two\"\n", 3,
     "file A.TXT is installed twice"},
    {"file name climbing out of its base", "[Files]\nSource: \"a.txt\"; Name: \"..\\x.txt\"\n", 2,
     "file name ..\\x.txt must be a relative name with \\"},
    {"file name with a directory no record creates",
     "[Files]\nSource: \"a.txt\"; Name: \"SUB\\a.txt\"\n", 2,
     "file SUB\\a.txt needs directory SUB in [Dirs]"},
    {"compressed file name ending in _", "[Setup]\nCompress=yes\n[Files]\nSource: \"under_\"\n", 4,
     "compressed file under_ must not end in _ (use flag Uncompressed)"},
    {"Compressed and Uncompressed together",
     "[Files]\nSource: \"a.txt\"; Flags: Compressed Uncompressed\n", 2,
     "flags Compressed and Uncompressed exclude each other"},
    {"Base and Dir together",
     "[Dirs]\nName: \"D\"\n[Files]\nSource: \"a.txt\"; Dir: \"D\"; Base: system\n", 4,
     "Base and Dir exclude each other"},
    {"unknown base", "[Dirs]\nName: \"D\"; Base: program\n", 2,
     "unknown base program (destination, windows, system)"},
    {"unknown attribute", "[Files]\nSource: \"a.txt\"; Attributes: readonly secret\n", 2,
     "unknown attribute secret"},
    {"unknown overwrite rule", "[Files]\nSource: \"a.txt\"; Overwrite: sometimes\n", 2,
     "unknown Overwrite sometimes (always, never, older)"},
    {"RegisterByRun without SelfRegister", "[Files]\nSource: \"a.txt\"; Flags: RegisterByRun\n", 2,
     "flag RegisterByRun needs flag SelfRegister"},
    {"StartService without a service", "[Files]\nSource: \"a.txt\"; Flags: StartService\n", 2,
     "service settings without a Service name"},
    {"service dependencies too long",
     "[Files]\nSource: \"a.txt\"; Service: \"s\"; ServiceDependencies: \"AAAAAAAAAAAAAAA BBBBBBBBBBBBBBBB\"\n",
     2, "ServiceDependencies is longer than 30 characters"},
    {"trailer of the wrong length", "[Files]\nSource: \"a.txt\"; Trailer: \"0102\"\n", 2,
     "Trailer must be 16 bytes in hexadecimal"},
    {"dangling directory of a file", "[Files]\nSource: \"a.txt\"; Dir: \"DOCS\"\n", 2,
     "unknown directory DOCS (not in [Dirs])"},
    {"duplicate directory", "[Dirs]\nName: \"DOCS\"\nName: \"docs\"\n", 3,
     "duplicate directory name docs"},
    {"directory before its parent", "[Dirs]\nName: \"A\\B\"\nName: \"A\"\n", 2,
     "directory A\\B needs its parent A on an earlier [Dirs] line"},
    {"duplicate group", "[Groups]\nName: \"Example\"\nName: \"EXAMPLE\"\n", 3,
     "duplicate group name EXAMPLE"},
    {"group name breaking the shell command", "[Groups]\nName: \"Ex\"\"ample\"\n", 2,
     "group name must not hold the character \" (it would break the shell's command)"},
    {"item name breaking the shell command",
     "[Files]\nSource: \"a.txt\"\n[Groups]\nName: \"G\"\n[Items]\nName: \"Read, me\"; Group: \"G\"; File: \"a.txt\"\n",
     6, "item name must not hold the character , (it would break the shell's command)"},
    {"dangling group of an item",
     "[Files]\nSource: \"a.txt\"\n[Groups]\nName: \"G\"\n[Items]\nName: \"I\"; Group: \"H\"; File: \"a.txt\"\n",
     6, "unknown group H (not in [Groups])"},
    {"dangling file of an item",
     "[Files]\nSource: \"a.txt\"\n[Groups]\nName: \"G\"\n[Items]\nName: \"I\"; Group: \"G\"; File: \"c.txt\"\n",
     6, "unknown file c.txt (not in [Files])"},
    {"first item without a group",
     "[Files]\nSource: \"a.txt\"\n[Groups]\nName: \"G\"\n[Items]\nName: \"I\"; File: \"a.txt\"\n", 6,
     "item I names no group"},
    {"bad icon number",
     "[Files]\nSource: \"a.txt\"\n[Groups]\nName: \"G\"\n[Items]\nName: \"I\"; Group: \"G\"; File: \"a.txt\"; Icon: one\n",
     6, "bad number one for Icon"},
    {"dangling help file", "[Setup]\nHelpFile=help.txt\n[Files]\nSource: \"a.txt\"\n", 2,
     "unknown help file help.txt (not in [Files])"},
    {"uninstaller without a name", "[Setup]\nCreateUninstaller=yes\n", 2,
     "CreateUninstaller needs an Uninstaller file name"},
    {"uninstaller name with a directory", "[Setup]\nUninstaller=sub\\uninst.exe\n", 2,
     "Uninstaller must be a plain file name"},
    {"uninstaller named like an installed file",
     "[Setup]\nCreateUninstaller=yes\nUninstaller=A.TXT\n[Files]\nSource: \"a.txt\"\n", 3,
     "the uninstaller A.TXT has the name of an installed file"},
    {"bad key root", "[RegKeys]\nKey: \"HKEY_LOCAL\\Software\"\n", 2,
     "bad key HKEY_LOCAL\\Software (expected ROOT\\subkey, ROOT like HKLM or HKEY_CURRENT_USER)"},
    {"duplicate key", "[RegKeys]\nKey: \"HKLM\\Software\\X\"\nKey: \"HKEY_LOCAL_MACHINE\\software\\x\"\n",
     3, "duplicate key HKEY_LOCAL_MACHINE\\software\\x"},
    {"dangling key of a value",
     "[RegKeys]\nKey: \"HKLM\\Software\\X\"\n[RegValues]\nKey: \"HKLM\\Software\\Y\"; Data: \"1\"\n", 4,
     "unknown key HKLM\\Software\\Y (not in [RegKeys])"},
    {"unknown value type",
     "[RegKeys]\nKey: \"HKCU\\X\"\n[RegValues]\nKey: \"HKCU\\X\"; Type: qword; Data: 1\n", 4,
     "unknown value type qword (string, expand, binary, dword)"},
    {"bad dword", "[RegKeys]\nKey: \"HKCU\\X\"\n[RegValues]\nKey: \"HKCU\\X\"; Type: dword; Data: 0x1g\n",
     4, "bad number 0x1g for dword data"},
    {"dword over 32 bits",
     "[RegKeys]\nKey: \"HKCU\\X\"\n[RegValues]\nKey: \"HKCU\\X\"; Type: dword; Data: 4294967296\n", 4,
     "bad number 4294967296 for dword data"},
    {"bad binary", "[RegKeys]\nKey: \"HKCU\\X\"\n[RegValues]\nKey: \"HKCU\\X\"; Type: binary; Data: 0 1\n",
     4, "binary data must be hexadecimal bytes like 01 ff"},
    {"value data over 128 bytes",
     "[RegKeys]\nKey: \"HKCU\\X\"\n[RegValues]\nKey: \"HKCU\\X\"; Data: "
     "\"0123456789012345678901234567890123456789012345678901234567890123"
     "0123456789012345678901234567890123456789012345678901234567890123\"\n",
     4, "value data of 129 bytes is over 128"},
    {"value set where its key is passed over",
     "[RegKeys]\nKey: \"HKCU\\X\"; Flags: NotOnWindowsNT\n[RegValues]\nKey: \"HKCU\\X\"; Data: \"v\"\n", 4,
     "value is set where its key HKCU\\X is passed over (give the value the key's flags)"},
};

void PrintTo(const Mistake& m, std::ostream* os) { *os << m.what; }

class ScriptMistake : public ::testing::TestWithParam<Mistake> {};

TEST_P(ScriptMistake, IsRefusedWithItsLineAndNoPackage) {
    const Mistake& m = GetParam();
    Scratch s;
    s.Write("a.txt", "alpha\n");
    s.Write("b.txt", "beta\n");
    s.Write("under_", "underscore\n");
    s.Write("docs/one.txt", "one\n");
    s.Write("docs/two.txt", "two\n");
    std::string stub = s.Write("stub.exe", "MZ stub");
    std::string script = s.Write("product.setup", m.script);
    std::string out, err;
    int code = pkgbuild::RunPkgbuild({script, "-o", s.Dir() + "/setup.exe", "--stub", stub}, out, err);
    EXPECT_EQ(code, 2) << m.what;
    EXPECT_EQ(err, script + ":" + std::to_string(m.line) + ": " + m.message + "\n") << m.what;
    EXPECT_FALSE(s.Exists("setup.exe")) << m.what;
    EXPECT_FALSE(s.Exists("setup.exe.partial")) << m.what;
}

std::string MistakeName(const ::testing::TestParamInfo<Mistake>& info) {
    std::string name;
    bool upper = true;
    for (const char* c = info.param.what; *c; ++c) {
        bool alnum = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9');
        if (!alnum) {
            upper = true;
            continue;
        }
        name += upper && *c >= 'a' && *c <= 'z' ? static_cast<char>(*c - 'a' + 'A') : *c;
        upper = false;
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(PkgbuildScript, ScriptMistake, ::testing::ValuesIn(Mistakes), MistakeName);

TEST(PkgbuildCommandLine, RefusesAStubThatHoldsTheMarkerItself) {
    Scratch s;
    std::string stub = s.Write("stub.exe", std::string("MZ..iNStiNSt..", 14));
    std::string script = s.Write("p.setup", "[Setup]\nTitle=x\n");
    std::string out, err;
    EXPECT_EQ(pkgbuild::RunPkgbuild({script, "-o", s.Dir() + "/setup.exe", "--stub", stub}, out, err), 1);
    EXPECT_EQ(err, "pkgbuild: the stub " + stub + " contains the marker iNStiNSt\n");
    EXPECT_FALSE(s.Exists("setup.exe"));
}

TEST(PkgbuildCommandLine, AcceptsAScriptWithAByteOrderMarkAndWindowsLineEnds) {
    Scratch s;
    std::string stub = s.Write("stub.exe", "MZ");
    std::string script = s.Write("p.setup", "\xEF\xBB\xBF[Setup]\r\nTitle=Marked\r\n[Groups]\r\nName: \"G\"\r\n");
    std::string out, err;
    EXPECT_EQ(pkgbuild::RunPkgbuild({script, "-o", s.Dir() + "/setup.exe", "--stub", stub}, out, err), 0) << err;
    EXPECT_EQ(out, "pkgbuild: wrote " + s.Dir() + "/setup.exe: 3852 bytes, 0 files, 0 directories, 1 groups, 0 items, 0 keys, 0 values\n");
    std::ifstream in(s.Dir() + "/setup.exe", std::ios::binary);
    pkg::Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    pkg::PackageContents back;
    std::size_t infoOffset = 0;
    std::string error;
    ASSERT_TRUE(pkg::ReadPackage(file, back, infoOffset, error)) << error;
    EXPECT_EQ(std::string(back.header.InstallTitle), "Marked");
    ASSERT_EQ(back.groups.size(), 1u);
    EXPECT_EQ(std::string(back.groups[0].Name), "G");
}

TEST(PkgbuildCommandLine, WithoutAnOutputPrintsUsageAndExitsWith2) {
    std::string out, err;
    EXPECT_EQ(pkgbuild::RunPkgbuild({"x.setup"}, out, err), 2);
    EXPECT_EQ(err, "usage: pkgbuild SCRIPT -o SETUP.EXE [--stub STUB]\n");
}

TEST(PkgbuildCommandLine, AMissingStubIsNamedWithExitCode1) {
    Scratch s;
    std::string script = s.Write("p.setup", "[Setup]\nTitle=x\n");
    std::string out, err;
    EXPECT_EQ(pkgbuild::RunPkgbuild({script, "-o", s.Dir() + "/o.exe", "--stub", s.Dir() + "/none.exe"},
                                    out, err),
              1);
    EXPECT_EQ(err, "pkgbuild: cannot read stub " + s.Dir() + "/none.exe (build it, or give --stub)\n");
}

}  // namespace
