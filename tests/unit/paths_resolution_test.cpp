// Path resolution of directory and file records, and the small path
// utilities: TrimTrailingBackslash and SplitPath.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "package/package.h"
#include "platform/sim/machine.h"
#include "pkgwrite/package_writer.h"

namespace {

// A run whose tables are set by hand: the records live in the test.
class PathResolution : public ::testing::Test {
protected:
    PathResolution() {
        header = pkg::NewHeader();
        run.Header = &header;
        run.DestinationDir = destination;
        run.WindowsDir = windows;
        run.SystemDir = system;
    }

    void AddDir(const std::string& name, bool inSystem = false, bool inWindows = false) {
        DirRecord d = pkg::NewDirRecord();
        pkg::SetText(d.Name, name);
        d.InSystemDir = inSystem;
        d.InWindowsDir = inWindows;
        dirs.push_back(d);
        Bind();
    }
    void AddFile(const std::string& name, std::uint32_t dirNumber = 0, bool inSystem = false,
                 bool inWindows = false) {
        FileRecord f = pkg::NewFileRecord();
        pkg::SetText(f.FileName, name);
        f.DirNumber = dirNumber;
        f.InSystemDir = inSystem;
        f.InWindowsDir = inWindows;
        files.push_back(f);
        Bind();
    }
    void Bind() {
        run.Dirs = dirs.empty() ? nullptr : dirs.data();
        run.Files = files.empty() ? nullptr : files.data();
        header.DirCount = static_cast<std::uint32_t>(dirs.size());
        header.FileCount = static_cast<std::uint32_t>(files.size());
    }

    std::string Dir(std::size_t index) {
        char out[PathSize];
        std::memset(out, 'z', sizeof out);
        const std::size_t length = DirPath(run, index, out);
        EXPECT_EQ(length, std::strlen(out));
        return out;
    }
    std::string File(std::size_t index) {
        char out[PathSize];
        std::memset(out, 'z', sizeof out);
        const std::size_t length = FilePath(run, index, out);
        EXPECT_EQ(length, std::strlen(out));
        return out;
    }

    sim::Machine m = sim::Machine::NT40();
    ::Run run{m};
    InstallHeader header;
    std::vector<DirRecord> dirs;
    std::vector<FileRecord> files;
    char destination[PathSize] = "C:\\APP";
    char windows[PathSize] = "C:\\WINDOWS";
    char system[PathSize] = "C:\\WINDOWS\\SYSTEM";
};

TEST_F(PathResolution, PutsADirectoryBelowTheDestinationByDefault) {
    AddDir("SUB");
    EXPECT_EQ(Dir(0), "C:\\APP\\SUB");
}

TEST_F(PathResolution, PrefersTheSystemDirectoryWhenBothFlagsAreSet) {
    AddDir("A", true, true);
    AddDir("B", false, true);
    EXPECT_EQ(Dir(0), "C:\\WINDOWS\\SYSTEM\\A");
    EXPECT_EQ(Dir(1), "C:\\WINDOWS\\B");
}

TEST_F(PathResolution, NestsARelativeNameBelowItsBase) {
    AddDir("SUB\\DATA");
    EXPECT_EQ(Dir(0), "C:\\APP\\SUB\\DATA");
    EXPECT_FALSE(m.Exists("C:\\APP\\SUB"));  // resolving creates nothing
}

TEST_F(PathResolution, PutsAFileWithoutDirectoryOrFlagsInTheDestination) {
    AddFile("A.EXE");
    EXPECT_EQ(File(0), "C:\\APP\\A.EXE");
}

TEST_F(PathResolution, PutsAFileBelowItsDirectoryRecordIgnoringItsOwnFlags) {
    AddDir("ONE");
    AddDir("TWO", true, false);
    AddFile("T.DLL", 2, false, true);
    AddFile("O.DLL", 1, true, true);
    EXPECT_EQ(File(0), "C:\\WINDOWS\\SYSTEM\\TWO\\T.DLL");
    EXPECT_EQ(File(1), "C:\\APP\\ONE\\O.DLL");
}

TEST_F(PathResolution, UsesTheFileFlagsWithoutADirectoryRecord) {
    AddFile("S.DLL", 0, true, true);
    AddFile("W.INI", 0, false, true);
    EXPECT_EQ(File(0), "C:\\WINDOWS\\SYSTEM\\S.DLL");
    EXPECT_EQ(File(1), "C:\\WINDOWS\\W.INI");
}

TEST_F(PathResolution, ResolvesAPathOf259CharactersInFull) {
    std::string name(259 - 7, 'N');  // "C:\APP\" is 7 characters
    AddFile(name);
    EXPECT_EQ(File(0), "C:\\APP\\" + name);
    EXPECT_EQ(File(0).size(), 259u);
}

TEST_F(PathResolution, GivesAnEmptyPathInsteadOfACutOne) {
    AddFile(std::string(259 - 6, 'N'));
    AddDir(std::string(255, 'D'));
    AddFile("X", 1);
    EXPECT_EQ(File(0), "");
    EXPECT_EQ(Dir(0), "");
    EXPECT_EQ(File(1), "");
}

TEST_F(PathResolution, ReadsANameWithoutNulOnlyWithinItsArray) {
    AddDir("");
    std::memset(dirs[0].Name, 'Q', sizeof dirs[0].Name);  // 256 characters, no NUL
    dirs[0].Attributes = 0x41414141;                       // "AAAA" right behind the name
    destination[0] = '\0';
    EXPECT_EQ(Dir(0), "\\" + std::string(256, 'Q'));
}

TEST_F(PathResolution, GivesAnEmptyPathForARecordNumberOutsideTheTables) {
    AddDir("D");
    AddFile("F", 2);
    EXPECT_EQ(Dir(1), "");
    EXPECT_EQ(File(0), "");
    EXPECT_EQ(File(5), "");
}

// ---- TrimTrailingBackslash ----------------------------------------------------

struct TrimCase {
    unsigned codePage;
    const char* in;
    const char* out;
};

class TrimTrailingBackslashCases : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimTrailingBackslashCases, RemovesOneTrailingBackslash) {
    sim::Machine m = sim::Machine::NT40();
    m.SetCodePage(GetParam().codePage);
    char text[32];
    std::strcpy(text, GetParam().in);
    TrimTrailingBackslash(m, text);
    EXPECT_STREQ(text, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Examples, TrimTrailingBackslashCases,
                         ::testing::Values(TrimCase{1252, "C:\\WINDOWS\\", "C:\\WINDOWS"}, TrimCase{1252, "C:\\", "C:"},
                                           TrimCase{1252, "", ""}, TrimCase{1252, "C:\\A\\\\", "C:\\A\\"},
                                           TrimCase{1252, "C:\\A", "C:\\A"}, TrimCase{1252, "C:\\A/", "C:\\A/"},
                                           // Code page 932: a last character whose trail byte is 0x5C
                                           // stays whole; a backslash after it goes.
                                           TrimCase{932, "C:\\\x95\x5C", "C:\\\x95\x5C"},
                                           TrimCase{932, "C:\\\x95\x5C\\", "C:\\\x95\x5C"},
                                           TrimCase{1252, "C:\\\x95\x5C", "C:\\\x95"}));

// ---- SplitPath ------------------------------------------------------------------

struct SplitCase {
    unsigned codePage;
    const char* path;
    const char* drive;
    const char* directory;
    const char* base;
    const char* extension;
};

class SplitPathCases : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitPathCases, SplitsIntoDriveDirectoryBaseAndExtension) {
    sim::Machine m = sim::Machine::NT40();
    m.SetCodePage(GetParam().codePage);
    char drive[3], directory[256], base[256], extension[256];
    SplitPath(m, GetParam().path, drive, directory, base, extension);
    EXPECT_STREQ(drive, GetParam().drive);
    EXPECT_STREQ(directory, GetParam().directory);
    EXPECT_STREQ(base, GetParam().base);
    EXPECT_STREQ(extension, GetParam().extension);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, SplitPathCases,
    ::testing::Values(SplitCase{1252, "C:\\PROGRAM FILES\\APP\\UNINST.EXE", "C:", "\\PROGRAM FILES\\APP\\", "UNINST", ".EXE"},
                      SplitCase{1252, "UNINST", "", "", "UNINST", ""},
                      SplitCase{1252, "C:\\DIR.X\\FILE", "C:", "\\DIR.X\\", "FILE", ""},
                      SplitCase{1252, "\\\\SERVER\\SHARE\\A.B.C", "", "\\\\SERVER\\SHARE\\", "A.B", ".C"},
                      SplitCase{1252, "C:/DIR/FILE.TXT", "C:", "/DIR/", "FILE", ".TXT"},
                      SplitCase{1252, "C:FILE.TXT", "C:", "", "FILE", ".TXT"},
                      SplitCase{1252, "C:", "C:", "", "", ""}, SplitCase{1252, "", "", "", "", ""},
                      SplitCase{1252, "DIR\\", "", "DIR\\", "", ""}, SplitCase{1252, ".PROFILE", "", "", "", ".PROFILE"},
                      SplitCase{1252, "\"C:\\SETUP.EXE\"", "", "\"C:\\", "SETUP", ".EXE\""},
                      // Code page 932: a trail byte 0x5C of a two-byte character is no
                      // separator (a lead byte just before the end stands alone); under
                      // 1252 the same byte is.
                      SplitCase{932, "C:\\APP\\\x83\x5C.EXE", "C:", "\\APP\\", "\x83\x5C", ".EXE"},
                      SplitCase{932, "C:\\\x95\x5C\\\x94\x5C\x81\x45X", "C:", "\\\x95\x5C\\", "\x94\x5C\x81\x45X", ""},
                      SplitCase{932, "A\\\x83\x5C\x83", "", "A\\", "\x83\x5C\x83", ""},
                      SplitCase{1252, "C:\\APP\\\x83\x5C.EXE", "C:", "\\APP\\\x83\\", "", ".EXE"}));

TEST(SplitPath, LeavesOutTheOutputsThatAreNotAskedFor) {
    sim::Machine m = sim::Machine::NT40();
    char base[256] = "old";
    SplitPath(m, "C:\\APP\\SETUP.EXE", nullptr, nullptr, base, nullptr);
    EXPECT_STREQ(base, "SETUP");
}

TEST(SplitPath, CutsEachPartAt255Characters) {
    const std::string longDir = "C:\\" + std::string(300, 'D') + "\\";
    const std::string path = longDir + std::string(300, 'B') + "." + std::string(300, 'E');
    char drive[3], directory[256], base[256], extension[256];
    std::memset(directory, 'z', sizeof directory);
    sim::Machine m = sim::Machine::NT40();
    SplitPath(m, path.c_str(), drive, directory, base, extension);
    EXPECT_EQ(std::strlen(directory), 255u);
    EXPECT_EQ(std::strlen(base), 255u);
    EXPECT_EQ(std::strlen(extension), 255u);
    EXPECT_EQ(directory[0], '\\');
    EXPECT_EQ(extension[0], '.');
}

}  // namespace
