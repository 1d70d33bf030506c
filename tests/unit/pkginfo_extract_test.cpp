// --extract writes the stored files out as the installation would place
// them, expands compressed ones, checks sizes, and never writes outside the
// directory it was given.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "pkgbuild/pkgbuild.h"
#include "pkginfo/pkginfo.h"
#include "szdd/szdd.h"
#include "support/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

// A package written straight from records, for contents no script makes.
std::string WriteRaw(const Scratch& s, pkg::PackageContents c) {
    c.stub = {'M', 'Z', 0, 0, 0, 0, 0, 0};
    c.header = pkg::NewHeader();
    pkg::Bytes bytes = pkg::WritePackage(c);
    return s.Write("raw.exe", std::string(bytes.begin(), bytes.end()));
}

FileRecord File(const std::string& name, std::uint32_t installedSize) {
    FileRecord f = pkg::NewFileRecord();
    pkg::SetText(f.FileName, name);
    f.InstalledSize = installedSize;
    return f;
}

TEST(PkginfoExtract, WritesEachFileBelowItsBaseWithCompressedDataExpanded) {
    Scratch s;
    std::string big(4000, 'b');
    s.Write("src/readme.txt", "Read me.\r\n");
    s.Write("src/big.dat", big);
    s.Write("src/font.fon", "font data");
    s.Write("stub.exe", "MZ");
    std::string script = s.Write("src/p.setup",
                                 "[Setup]\nTitle=T\nMainText=M\nFinishedText=F\n"
                                 "[Dirs]\nName: \"DATA\"\nName: \"DATA\\MORE\"\n"
                                 "[Files]\nSource: \"readme.txt\"; Flags: Uncompressed\n"
                                 "Source: \"big.dat\"; Dir: \"DATA\\MORE\"; Flags: Compressed\n"
                                 "Source: \"font.fon\"; Base: windows\n");
    std::string out, err;
    ASSERT_EQ(pkgbuild::RunPkgbuild({script, "-o", s.Dir() + "/setup.exe", "--stub", s.Dir() + "/stub.exe"}, out, err), 0)
        << err;
    out.clear();
    ASSERT_EQ(pkginfo::RunPkginfo({s.Dir() + "/setup.exe", "--extract", s.Dir() + "/out"}, out, err), 0) << err;
    EXPECT_EQ(err, "");
    EXPECT_EQ(s.Read("out/destination/readme.txt"), "Read me.\r\n");
    EXPECT_EQ(s.Read("out/destination/DATA/MORE/big.dat"), big);
    EXPECT_EQ(s.Read("out/windows/font.fon"), "font data");
    EXPECT_NE(out.find("file 2 big.dat: wrote " + s.Dir() + "/out/destination/DATA/MORE/big.dat (4000 bytes, expanded from "),
              std::string::npos)
        << out;
}

TEST(PkginfoExtract, AppendsTheTrailerAsTheInstallationWould) {
    Scratch s;
    pkg::PackageContents c;
    FileRecord f = File("T.BIN", 3);
    f.AppendTrailer = 1;
    for (int i = 0; i < 16; ++i) f.Trailer[i] = static_cast<std::uint8_t>('A' + i);
    c.files.push_back(f);
    c.fileData.push_back({'x', 'y', 'z'});
    std::string path = WriteRaw(s, c);
    std::string out, err;
    ASSERT_EQ(pkginfo::RunPkginfo({path, "--extract", s.Dir() + "/out"}, out, err), 0) << err;
    EXPECT_EQ(s.Read("out/destination/T.BIN"), "xyzABCDEFGHIJKLMNOP");
}

TEST(PkginfoExtract, RefusesNamesThatWouldLeaveTheDirectory) {
    Scratch s;
    pkg::PackageContents c;
    c.files.push_back(File("..\\..\\escaped.txt", 4));
    c.fileData.push_back({'e', 'v', 'i', 'l'});
    c.files.push_back(File("good.txt", 4));
    c.fileData.push_back({'g', 'o', 'o', 'd'});
    DirRecord d = pkg::NewDirRecord();
    pkg::SetText(d.Name, "..");
    c.dirs.push_back(d);
    FileRecord inBadDir = File("x.txt", 1);
    inBadDir.DirNumber = 1;
    c.files.push_back(inBadDir);
    c.fileData.push_back({'x'});
    std::string path = WriteRaw(s, c);
    std::string out, err;
    EXPECT_EQ(pkginfo::RunPkginfo({path, "--extract", s.Dir() + "/out/inner"}, out, err), 1);
    EXPECT_NE(err.find("file 1 ..\\..\\escaped.txt: unsafe file name ..\\..\\escaped.txt\n"), std::string::npos) << err;
    EXPECT_NE(err.find("file 3 x.txt: unsafe directory name ..\n"), std::string::npos) << err;
    EXPECT_FALSE(s.Exists("escaped.txt"));
    EXPECT_FALSE(s.Exists("out/escaped.txt"));
    EXPECT_FALSE(s.Exists("out/inner/x.txt"));
    EXPECT_FALSE(s.Exists("out/x.txt"));
    // The good file is still written.
    EXPECT_EQ(s.Read("out/inner/destination/good.txt"), "good");
}

TEST(PkginfoExtract, ReportsAFileWhoseSizeIsNotItsInstalledSize) {
    Scratch s;
    pkg::PackageContents c;
    c.files.push_back(File("SHORT.TXT", 99));
    c.fileData.push_back({'a', 'b', 'c', 'd', 'e'});
    std::string path = WriteRaw(s, c);
    std::string out, err;
    EXPECT_EQ(pkginfo::RunPkginfo({path, "--extract", s.Dir() + "/out"}, out, err), 1);
    EXPECT_EQ(err, "file 1 SHORT.TXT: wrote " + s.Dir() + "/out/destination/SHORT.TXT with 5 bytes, but InstalledSize is 99\n");
}

TEST(PkginfoExtract, ReportsCompressedDataThatDoNotExpand) {
    Scratch s;
    pkg::PackageContents c;
    FileRecord f = File("PLAIN.TXT", 5);
    f.Compressed = 1;
    c.files.push_back(f);
    c.fileData.push_back({'p', 'l', 'a', 'i', 'n'});
    std::vector<std::uint8_t> truncated = szdd::Compress(reinterpret_cast<const std::uint8_t*>("0123456789"), 10, 'T');
    truncated.resize(truncated.size() - 3);
    FileRecord g = File("CUT.TXT", 10);
    g.Compressed = 1;
    c.files.push_back(g);
    c.fileData.push_back(truncated);
    std::string path = WriteRaw(s, c);
    std::string out, err;
    EXPECT_EQ(pkginfo::RunPkginfo({path, "--extract", s.Dir() + "/out"}, out, err), 1);
    EXPECT_EQ(err,
              "file 1 PLAIN.TXT: compressed data do not expand\n"
              "file 2 CUT.TXT: compressed data do not expand\n");
    EXPECT_FALSE(s.Exists("out/destination/PLAIN.TXT"));
}

TEST(PkginfoExtract, ReportsAFileThatNamesADirectoryThePackageLacks) {
    Scratch s;
    pkg::PackageContents c;
    FileRecord f = File("LOST.TXT", 1);
    f.DirNumber = 3;
    c.files.push_back(f);
    c.fileData.push_back({'l'});
    std::string path = WriteRaw(s, c);
    std::string out, err;
    EXPECT_EQ(pkginfo::RunPkginfo({path, "--extract", s.Dir() + "/out"}, out, err), 1);
    EXPECT_EQ(err, "file 1 LOST.TXT: names directory 3 of 0\n");
}

}  // namespace

namespace {

struct ChecksumCase {
    const char* name;
    void (*change)(std::string& package);  // the built package, 8 bytes of data "abcdefgh" last
    const char* state;
    int describeCode;
    int extractCode;  // without --force
};

const ChecksumCase ChecksumCases[] = {
    {"Sound", [](std::string&) {}, "ok", 0, 0},
    {"FlippedDataByte", [](std::string& p) { p[p.size() - 16 - 3] ^= 1; }, "damaged", 1, 1},
    {"FlippedTitleByte", [](std::string& p) { p[8 + 2092] ^= 1; }, "damaged", 1, 1},
    {"NoTrailer", [](std::string& p) { p.resize(p.size() - 16); }, "none", 0, 0},
    {"SignatureAppended", [](std::string& p) { p += std::string(64, 's'); }, "ok", 0, 0},
};

class PkginfoChecksum : public ::testing::TestWithParam<ChecksumCase> {};

TEST_P(PkginfoChecksum, IsReportedAndADamagedPackageIsExtractedOnlyWhenForced) {
    Scratch s;
    s.Write("data.bin", "abcdefgh");
    s.Write("stub.exe", "MZ");
    std::string script = s.Write(
        "p.setup", "[Setup]\nTitle=T\nMainText=M\nFinishedText=F\n[Files]\nSource: \"data.bin\"; Flags: Uncompressed\n");
    std::string out, err;
    ASSERT_EQ(pkgbuild::RunPkgbuild({script, "-o", s.Dir() + "/setup.exe", "--stub", s.Dir() + "/stub.exe"}, out, err), 0)
        << err;
    std::string package = s.Read("setup.exe");
    ASSERT_EQ(package.substr(package.size() - 24, 8), "abcdefgh");
    GetParam().change(package);
    const std::string path = s.Write("changed.exe", package);

    out.clear();
    err.clear();
    EXPECT_EQ(pkginfo::RunPkginfo({path}, out, err), GetParam().describeCode);
    EXPECT_NE(out.find(std::string("\nchecksum: ") + GetParam().state + "\n"), std::string::npos) << out;
    const bool damaged = std::string(GetParam().state) == "damaged";
    EXPECT_EQ(err.find("damaged") != std::string::npos, damaged) << err;
    out.clear();
    EXPECT_EQ(pkginfo::RunPkginfo({path, "--json"}, out, err), GetParam().describeCode);
    EXPECT_NE(out.find(std::string("\"Checksum\": \"") + GetParam().state + "\""), std::string::npos) << out;

    EXPECT_EQ(pkginfo::RunPkginfo({path, "--extract", s.Dir() + "/out"}, out, err), GetParam().extractCode);
    EXPECT_EQ(fs::exists(s.Dir() + "/out/destination/data.bin"), !damaged);
    if (damaged) {
        EXPECT_EQ(pkginfo::RunPkginfo({path, "--extract", s.Dir() + "/forced", "--force"}, out, err), 1);
        EXPECT_TRUE(fs::exists(s.Dir() + "/forced/destination/data.bin"));
    }
}

INSTANTIATE_TEST_SUITE_P(States, PkginfoChecksum, ::testing::ValuesIn(ChecksumCases),
                         [](const ::testing::TestParamInfo<ChecksumCase>& param) { return std::string(param.param.name); });

}  // namespace
