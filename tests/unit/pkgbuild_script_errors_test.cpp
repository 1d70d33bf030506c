// Every kind of script mistake is refused with "file:line: message" and exit
// code 2, and no package is written.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "pkgbuild/pkgbuild.h"
#include "pkginfo/pkginfo.h"
#include "tools_version.h"
#include "support/scratch_dir.h"

namespace {

struct Mistake {
    const char* what;
    const char* script;
    int line;
    const char* message;
};

// Names and paths at the stub's limit: below the shortest destination
// there can be (C:\A, 4 characters) a path has 254 characters left.
const std::string Name255(255, 'n');
const std::string LongFileScript =
    "[Dirs]\nName: \"DIR\"\n[Files]\nSource: \"a.txt\"; Dir: \"DIR\"; Name: \"" + std::string(251, 'n') + "\"\n";
const std::string LongFileMessage = "file name DIR\\" + std::string(251, 'n') +
                                    " is too long: below the shortest base directory (like C:\\A) its path "
                                    "would pass 259 characters";
const std::string LongDirScript = "[Dirs]\nName: \"" + Name255 + "\"; Base: system\n";
const std::string LongDirMessage = "directory name " + Name255 +
                                   " is too long: below the shortest base directory (like C:\\A) its path "
                                   "would pass 259 characters";
const std::string LongUninstallerScript = "[Setup]\nUninstaller=" + Name255 + "\n";
const std::string LongUninstallerMessage = "Uninstaller " + Name255 +
                                           " is too long: below the shortest base directory (like C:\\A) "
                                           "its path would pass 259 characters";
const std::string LongRunScript = "[Setup]\nRunAfterInstall=" + Name255 + "\n";
const std::string LongRunMessage = "RunAfterInstall " + Name255 +
                                   " is too long: below the shortest base directory (like C:\\A) its path "
                                   "would pass 259 characters";
const std::string LongUrlScript = "[Setup]\nURLInfoAbout=http://" + std::string(121, 'u') + "\n";
const char* const KnownVersions = "(known: 3.10 3.51 4.0 4.10 4.90 5.0 5.1 5.2 6.0 6.1 6.2 6.3 10.0)";
const std::string Version95Message = std::string("no Windows has the version 95.0 ") + KnownVersions;
const std::string Version31Message = std::string("no Windows has the version 3.1 ") + KnownVersions;

// Sources available to every script: a.txt, b.txt, under_, docs/one.txt,
// docs/two.txt, intl/\xC5\x81.txt (a name with a character code page 1252 lacks).
const Mistake Mistakes[] = {
    {"empty script", "; only a comment\n\n", 1, "the script is empty"},
    {"script without a title", "[Files]\nSource: \"a.txt\"\n[Setup]\nMainText=M\nFinishedText=F\n", 3,
     "[Setup] needs a Title (the caption of every dialog)"},
    {"script without a main text", "[Setup]\nTitle=T\nFinishedText=F\n", 1,
     "[Setup] needs a MainText (the text of the main dialog)"},
    {"script without a closing text", "[Setup]\nTitle=T\nMainText=M\n", 1,
     "[Setup] needs a FinishedText (the closing message)"},
    {"Windows version no Windows has", "[Setup]\nMinWindows=95\n", 2, Version95Message.c_str()},
    {"Windows 3.1 written as 3.1", "[Setup]\nMinWindows=3.1\n", 2, Version31Message.c_str()},
    {"file path too long for the shortest destination", LongFileScript.c_str(), 4, LongFileMessage.c_str()},
    {"directory too long for the shortest system directory", LongDirScript.c_str(), 2, LongDirMessage.c_str()},
    {"uninstaller name too long for the shortest destination", LongUninstallerScript.c_str(), 2,
     LongUninstallerMessage.c_str()},
    {"program to open too long for the shortest destination", LongRunScript.c_str(), 2, LongRunMessage.c_str()},
    {"duplicate item name in a group",
     "[Files]\nSource: \"a.txt\"\nSource: \"b.txt\"\n[Groups]\nName: \"G\"\n[Items]\n"
     "Name: \"Read Me\"; Group: \"G\"; File: \"a.txt\"; Flags: NotOnWindowsNT\n"
     "Name: \"read me\"; File: \"b.txt\"\n",
     8, "duplicate item name read me in group G"},
    {"unsupported code page", "[Setup]\nCodePage=65001\n", 2, "unsupported CodePage 65001 (874, 1250 to 1258)"},
    {"character the code page lacks", "[Setup]\nTitle=Caf\xC3\xA9\nCodePage=1250\nMainText=\xC3\x85land\n", 4,
     "the character \xC3\x85 is not in code page 1250"},
    {"text that is not UTF-8", "[Groups]\nName: \"Caf\xE9\"\n", 2, "the text is not UTF-8"},
    {"source file name the code page lacks", "[Files]\nSource: \"intl/*.txt\"\n", 2,
     "the source file name \xC5\x81.txt holds the character \xC5\x81, which code page 1252 cannot hold "
     "(give a Name)"},
    {"entry value without an entry", "[Setup]\nTitle=T\nPublisher=Example Co\n", 3,
     "Publisher needs the uninstall entry: CreateUninstaller=yes and an UninstallDisplayName"},
    {"entry value longer than a value holds", LongUrlScript.c_str(), 2,
     "URLInfoAbout is longer than 127 characters"},
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
    {"file named after a device", "[Files]\nSource: \"a.txt\"; Name: \"Nul .txt\"\n", 2,
     "file name Nul .txt is a device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$)"},
    {"file name of dots alone", "[Files]\nSource: \"a.txt\"; Name: \"...\"\n", 2,
     "file name ... must be a relative name with \\"},
    {"directory named after a device", "[Dirs]\nName: \"com1\"\n", 2, "directory name com1 is a device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$)"},
    {"directory name meaning its base", "[Dirs]\nName: \".\"\n", 2,
     "directory name . must be a relative path with \\"},
    {"program to open named after a device", "[Setup]\nRunAfterInstall=SUB\\LPT1\n", 2,
     "RunAfterInstall is a device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$)"},
    {"program to open on a drive", "[Setup]\nRunAfterInstall=C:\\x.exe\n", 2,
     "RunAfterInstall must be a relative path with \\"},
    {"uninstaller named after a device", "[Setup]\nUninstaller=CONOUT$.EXE\n", 2, "Uninstaller is a device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$)"},
    {"uninstaller named by dots", "[Setup]\nUninstaller=..\n", 2,
     "Uninstaller must be a plain file name"},
    {"uninstall entry name with a backslash", "[Setup]\nUninstallDisplayName=App\\Tools\n", 2,
     "UninstallDisplayName must hold no backslash and more than blanks"},
    {"uninstall entry name of blanks", "[Setup]\nUninstallDisplayName=\"   \"\n", 2,
     "UninstallDisplayName must hold no backslash and more than blanks"},
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
    s.Write("intl/\xC5\x81.txt", "Polish L\n");
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

// What would hurt users without being wrong: a warning with its line, and
// under --strict a refusal. The scripts follow four lines of [Setup] texts.
const char* const Texts = "[Setup]\nTitle=T\nMainText=M\nFinishedText=F\n";

struct Hazard {
    const char* what;
    const char* script;
    int line;
    const char* message;
};

const Hazard Hazards[] = {
    {"directory in the Windows directory", "[Dirs]\nName: \"INF\"; Base: windows\n", 6,
     "directory INF is in the Windows directory: the uninstallation deletes every file in it (give it "
     "KeepAtUninstall)"},
    {"directory in the system directory", "[Dirs]\nName: \"DRIVERS\\X\"; Base: system\n", 6,
     "directory DRIVERS\\X is in the system directory: the uninstallation deletes every file in it (give "
     "it KeepAtUninstall)"},
    {"kept existing file in the system directory", "[Files]\nSource: \"a.txt\"; Base: system; Overwrite: never\n",
     6,
     "file a.txt outside the destination may keep a copy that was there before, which the uninstallation "
     "then deletes (make it Shared or KeepAtUninstall)"},
    {"older-kept file in a directory of the Windows directory",
     "[Dirs]\nName: \"INF\"; Base: windows; Flags: KeepAtUninstall\n[Files]\nSource: \"a.txt\"; Dir: \"INF\"; "
     "Overwrite: older\n",
     8,
     "file a.txt outside the destination may keep a copy that was there before, which the uninstallation "
     "then deletes (make it Shared or KeepAtUninstall)"},
    {"the Software key itself", "[RegKeys]\nKey: \"HKCU\\Software\"\n", 6,
     "key HKEY_CURRENT_USER\\Software is shared by other programs: the uninstallation deletes it (give it "
     "KeepAtUninstall)"},
    {"a key below Software Microsoft", "[RegKeys]\nKey: \"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\"\n",
     6,
     "key HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run is shared by other programs: "
     "the uninstallation deletes it (give it KeepAtUninstall)"},
    {"the Environment key", "[RegKeys]\nKey: \"HKCU\\Environment\"\n", 6,
     "key HKEY_CURRENT_USER\\Environment is shared by other programs: the uninstallation deletes it (give "
     "it KeepAtUninstall)"},
    {"a key below Control Panel", "[RegKeys]\nKey: \"HKCU\\Control Panel\\Desktop\"\n", 6,
     "key HKEY_CURRENT_USER\\Control Panel\\Desktop is shared by other programs: the uninstallation deletes "
     "it (give it KeepAtUninstall)"},
    {"the Accessories group", "[Groups]\nName: \"Accessories\"\n", 6,
     "group Accessories belongs to Windows: the uninstallation deletes it with the other programs' items in "
     "it"},
    {"the StartUp group in another case", "[Groups]\nName: \"Mine\"\nName: \"startup\"\n", 7,
     "group startup belongs to Windows: the uninstallation deletes it with the other programs' items in it"},
    {"the Administrative Tools group", "[Groups]\nName: \"Administrative Tools\"\n", 6,
     "group Administrative Tools belongs to Windows: the uninstallation deletes it with the other "
     "programs' items in it"},
    {"a service of Windows", "[Files]\nSource: \"a.txt\"; Name: \"SPOOL.EXE\"; Service: \"Spooler\"\n", 6,
     "service Spooler is a service of Windows itself"},
    {"a ; in a setting", "[Setup]\nRestartText=Restart now; or later\n", 6,
     "the ; in the value of RestartText is part of the text, not a comment (quote the value to say so)"},
};

void PrintTo(const Hazard& h, std::ostream* os) { *os << h.what; }

class ScriptHazard : public ::testing::TestWithParam<Hazard> {};

TEST_P(ScriptHazard, IsAWarningWithItsLineAndARefusalUnderStrict) {
    const Hazard& h = GetParam();
    Scratch s;
    s.Write("a.txt", "alpha\n");
    std::string stub = s.Write("stub.exe", "MZ stub");
    std::string script = s.Write("product.setup", std::string(Texts) + h.script);
    std::string out, err;
    EXPECT_EQ(pkgbuild::RunPkgbuild({script, "-o", s.Dir() + "/setup.exe", "--stub", stub}, out, err), 0)
        << h.what;
    EXPECT_EQ(err, script + ":" + std::to_string(h.line) + ": warning: " + h.message + "\n") << h.what;
    EXPECT_TRUE(s.Exists("setup.exe")) << h.what;
    out.clear();
    err.clear();
    EXPECT_EQ(pkgbuild::RunPkgbuild({script, "-o", s.Dir() + "/strict.exe", "--stub", stub, "--strict"}, out,
                                    err),
              2)
        << h.what;
    EXPECT_EQ(err, script + ":" + std::to_string(h.line) + ": " + h.message + "\n") << h.what;
    EXPECT_FALSE(s.Exists("strict.exe")) << h.what;
}

std::string HazardName(const ::testing::TestParamInfo<Hazard>& info) {
    return MistakeName(::testing::TestParamInfo<Mistake>({info.param.what, "", 0, ""}, info.index));
}

INSTANTIATE_TEST_SUITE_P(PkgbuildScript, ScriptHazard, ::testing::ValuesIn(Hazards), HazardName);

// The same things made safe draw no warning, even under --strict.
const char* const SafeScripts[] = {
    "[Dirs]\nName: \"INF\"; Base: windows; Flags: KeepAtUninstall\n",
    "[Files]\nSource: \"a.txt\"; Base: system; Overwrite: never; Flags: Shared\n",
    "[Files]\nSource: \"a.txt\"; Base: windows; Overwrite: older; Flags: KeepAtUninstall\n",
    "[Files]\nSource: \"a.txt\"; Overwrite: never\n",
    "[RegKeys]\nKey: \"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\"; Flags: KeepAtUninstall\n",
    "[RegKeys]\nKey: \"HKCU\\Software\\Example Co\"\nKey: \"HKCU\\EnvironmentSettings\"\n",
    "[Groups]\nName: \"Accessories Plus\"\n",
    "[Files]\nSource: \"a.txt\"; Service: \"ExampleSpooler\"\n",
    "[Setup]\nRestartText=\"Restart now; or later\"\n",
    // The installation's own uninstall entry is its to delete.
    "[Setup]\nCreateUninstaller=yes\nUninstaller=UNINST.EXE\nUninstallDisplayName=Example\n[RegKeys]\n"
    "Key: \"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Example\"\n",
};

TEST(PkgbuildStrict, AcceptsWhatWasMadeSafeWithoutAWarning) {
    for (const char* safe : SafeScripts) {
        Scratch s;
        s.Write("a.txt", "alpha\n");
        std::string stub = s.Write("stub.exe", "MZ stub");
        std::string script = s.Write("product.setup", std::string(Texts) + safe);
        std::string out, err;
        EXPECT_EQ(pkgbuild::RunPkgbuild({script, "-o", s.Dir() + "/setup.exe", "--stub", stub, "--strict"}, out,
                                        err),
                  0)
            << safe;
        EXPECT_EQ(err, "") << safe;
    }
}

// The output is never one of the inputs, however it is spelled: nothing is
// written and the input keeps its bytes.
TEST(PkgbuildCommandLine, RefusesAnOutputThatIsOneOfItsInputs) {
    Scratch s;
    const std::string script = s.Write("p.setup", std::string(Texts) + "[Files]\nSource: \"data/a.txt\"\n");
    const std::string stub = s.Write("stub.exe", "MZ stub");
    const std::string source = s.Write("data/a.txt", "alpha\n");
    std::filesystem::create_hard_link(source, s.Dir() + "/a-link.txt");
    struct Case {
        std::string output;
        std::string message;
    };
    const Case cases[] = {
        {script, "the output " + script + " is the input " + script},
        {s.Dir() + "/./p.setup", "the output " + s.Dir() + "/./p.setup is the input " + script},
        {stub, "the output " + stub + " is the input " + stub},
        {s.Dir() + "/data/../data/a.txt", "the output " + s.Dir() + "/data/../data/a.txt is the source " + source},
        {s.Dir() + "/a-link.txt", "the output " + s.Dir() + "/a-link.txt is the source " + source},
    };
    for (const Case& c : cases) {
        std::string out, err;
        EXPECT_EQ(pkgbuild::RunPkgbuild({script, "-o", c.output, "--stub", stub}, out, err), 2) << c.output;
        EXPECT_EQ(err, "pkgbuild: " + c.message + "\n");
    }
    EXPECT_EQ(s.Read("p.setup"), std::string(Texts) + "[Files]\nSource: \"data/a.txt\"\n");
    EXPECT_EQ(s.Read("stub.exe"), "MZ stub");
    EXPECT_EQ(s.Read("data/a.txt"), "alpha\n");
}

TEST(PkgbuildCommandLine, HelpAndVersionGoToStandardOutputWithExitCode0) {
    for (const char* option : {"--help", "-h"}) {
        std::string out, err;
        EXPECT_EQ(pkgbuild::RunPkgbuild({option}, out, err), 0);
        EXPECT_EQ(out.rfind("usage: pkgbuild SCRIPT -o SETUP.EXE [--stub STUB] [--strict] [--source-dir DIR]\n", 0), 0u);
        EXPECT_NE(out.find("--strict"), std::string::npos);
        EXPECT_EQ(err, "");
    }
    std::string out, err;
    EXPECT_EQ(pkgbuild::RunPkgbuild({"--version"}, out, err), 0);
    EXPECT_EQ(out, std::string("pkgbuild ") + ToolsVersion + "\n");
    out.clear();
    EXPECT_EQ(pkginfo::RunPkginfo({"--help"}, out, err), 0);
    EXPECT_EQ(out.rfind("usage: pkginfo PACKAGE [--json] [--extract DIR]\n", 0), 0u);
    out.clear();
    EXPECT_EQ(pkginfo::RunPkginfo({"--version"}, out, err), 0);
    EXPECT_EQ(out, std::string("pkginfo ") + ToolsVersion + "\n");
    EXPECT_EQ(err, "");
}

// Progress goes to the stream given (the terminal), only once a few MB were
// read, and ends its line; a small package shows none.
TEST(PkgbuildCommandLine, ShowsProgressForLargePackagesOnly) {
    Scratch s;
    const std::string stub = s.Write("stub.exe", "MZ stub");
    s.Write("small.txt", "small");
    s.Write("big.bin", std::string(5u << 20, 'b'));
    const std::string small = s.Write("small.setup", std::string(Texts) + "[Setup]\nCompress=no\n[Files]\nSource: \"small.txt\"\n");
    const std::string large = s.Write("large.setup", std::string(Texts) +
                                                         "[Setup]\nCompress=no\n[Files]\nSource: \"small.txt\"\nSource: \"big.bin\"\n");
    for (const std::string& script : {small, large}) {
        std::FILE* progress = std::tmpfile();
        ASSERT_NE(progress, nullptr);
        std::string out, err;
        EXPECT_EQ(pkgbuild::RunPkgbuild({script, "-o", s.Dir() + "/setup.exe", "--stub", stub}, out, err, progress), 0)
            << err;
        std::rewind(progress);
        std::string shown;
        for (int c; (c = std::fgetc(progress)) != EOF;) shown += static_cast<char>(c);
        std::fclose(progress);
        EXPECT_EQ(shown, script == large ? "\rpkgbuild: 2 files, 5 MB read\n" : "") << script;
    }
}

// Without --stub the stub is looked for beside the program, in the installed
// prefix, then in the win32 build beside the host build.
TEST(PkgbuildCommandLine, FindsTheDefaultStubRelativeToTheProgram) {
    Scratch s;
    const std::string bin = s.Dir() + "/prefix/bin";
    std::filesystem::create_directories(bin);
    EXPECT_EQ(pkgbuild::DefaultStub(bin), bin + "/setup.exe");  // nothing there: the first place
    s.Write("prefix/win32/setup.exe", "MZ build tree");
    EXPECT_EQ(pkgbuild::DefaultStub(bin), bin + "/../win32/setup.exe");
    s.Write("prefix/share/installer/setup.exe", "MZ installed");
    EXPECT_EQ(pkgbuild::DefaultStub(bin), bin + "/../share/installer/setup.exe");
    s.Write("prefix/bin/setup.exe", "MZ beside");
    EXPECT_EQ(pkgbuild::DefaultStub(bin), bin + "/setup.exe");
}

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
    std::string script = s.Write("p.setup", "\xEF\xBB\xBF[Setup]\r\nTitle=Marked\r\nMainText=M\r\nFinishedText=F\r\n[Groups]\r\nName: \"G\"\r\n");
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
