// File placement: the overwrite rules, the data written and expanded, the
// failures of vital and other files, times, attributes and trailer.
#include "scenario/install_fixture.h"

using namespace installtest;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

constexpr std::uint64_t PackagedTime = 0x01BC00001234ABCDull;

// A machine whose C:\APP\TOOL.TXT holds "old" with the given write time.
sim::Machine WithExistingFile(std::uint64_t writeTime) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile(At("TOOL.TXT"), "old");
    sim::FileTimes t;
    t.write = Time(writeTime);
    m.SetTimes(At("TOOL.TXT"), t);
    return m;
}

InstallPackage NewerFileRule() {
    InstallPackage p;
    FileRecord& f = p.File("TOOL.TXT", "new");
    f.OverwriteMode = 4;
    f.LastWriteTime = Time(PackagedTime);
    p.File("NEXT.TXT", "next file");
    return p;
}

InstallPackage VersionRule(std::uint32_t ms, std::uint32_t ls) {
    InstallPackage p;
    FileRecord& f = p.File("TOOL.DLL", pe::MakeDllWithVersion(2, 0, 0, 8));
    f.CompareVersion = 1;
    f.FileVersionMS = ms;
    f.FileVersionLS = ls;
    return p;
}

}  // namespace

TEST(PlaceFileKeepMode, KeepsAnExistingFileAndPassesItsData) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile(At("TOOL.TXT"), "old");
    InstallPackage p;
    p.File("TOOL.TXT", "new").OverwriteMode = 2;
    p.File("NEXT.TXT", "next file");
    scenario::RunResult r = Install(m, p);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.ReadText(At("TOOL.TXT")), "old");
    EXPECT_EQ(m.ReadText(At("NEXT.TXT")), "next file");
    EXPECT_THAT(r.logLines, Contains("Skipping file. File already exists: C:\\APP\\TOOL.TXT"));
    // The kept file's 3 bytes of 12 count.
    EXPECT_THAT(m.ProgressHistory(), ElementsAre("0%", "25%", "100%"));
}

TEST(PlaceFileKeepMode, InstallsAMissingFile) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p;
    p.File("TOOL.TXT", "new").OverwriteMode = 2;
    ASSERT_EQ(Install(m, p).exitCode, 0);
    EXPECT_EQ(m.ReadText(At("TOOL.TXT")), "new");
}

TEST(PlaceFileNewerMode, KeepsAnExistingFileWithTheSameWriteTime) {
    sim::Machine m = WithExistingFile(PackagedTime);
    scenario::RunResult r = Install(m, NewerFileRule());
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.ReadText(At("TOOL.TXT")), "old");
    EXPECT_EQ(m.ReadText(At("NEXT.TXT")), "next file");
    EXPECT_THAT(r.logLines,
                Contains("Skipping file. Existing file has same last write date or is newer: "
                         "C:\\APP\\TOOL.TXT"));
}

TEST(PlaceFileNewerMode, KeepsAnExistingFileNewerInTheHighHalfOnly) {
    sim::Machine m = WithExistingFile((PackagedTime + 0x100000000ull) & ~0xFFFFFFFFull);
    ASSERT_EQ(Install(m, NewerFileRule()).exitCode, 0);
    EXPECT_EQ(m.ReadText(At("TOOL.TXT")), "old");
}

TEST(PlaceFileNewerMode, ReplacesAnExistingFileOlderByOne) {
    sim::Machine m = WithExistingFile(PackagedTime - 1);
    scenario::RunResult r = Install(m, NewerFileRule());
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.ReadText(At("TOOL.TXT")), "new");
    EXPECT_EQ(m.Times(At("TOOL.TXT")).write.Low, Time(PackagedTime).Low);
}

TEST(PlaceFileNewerMode, InstallsAFileThatIsNotThere) {
    sim::Machine m = sim::Machine::NT40();
    scenario::RunResult r = Install(m, NewerFileRule());
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_THAT(Errors(r), IsEmpty());
    EXPECT_EQ(m.ReadText(At("TOOL.TXT")), "new");
}

TEST(PlaceFileNewerMode, AnExistingFileThatCannotBeOpenedEndsTheInstallation) {
    sim::Machine m = WithExistingFile(PackagedTime - 1);
    m.FailCall("CreateFile", 1, os::ERROR_SHARING_VIOLATION);
    scenario::RunResult r = Install(m, NewerFileRule());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r), Contains("Couldn't open 'C:\\APP\\TOOL.TXT'."));
    EXPECT_EQ(m.ReadText(At("TOOL.TXT")), "old");
}

TEST(PlaceFileVersionRule, KeepsAnExistingFileOfTheSameVersion) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile(At("TOOL.DLL"), pe::MakeDllWithVersion(2, 0, 0, 7));
    scenario::RunResult r = Install(m, VersionRule(0x00020000, 0x00000007));
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.ReadFile(At("TOOL.DLL")), pe::MakeDllWithVersion(2, 0, 0, 7));
    EXPECT_THAT(r.logLines, Contains("Skipping file. Existing file is the same version or "
                                     "higher: C:\\APP\\TOOL.DLL"));
}

TEST(PlaceFileVersionRule, ReplacesAFileOlderOnlyInTheLowHalf) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile(At("TOOL.DLL"), pe::MakeDllWithVersion(2, 0, 0, 7));
    ASSERT_EQ(Install(m, VersionRule(0x00020000, 0x00000008)).exitCode, 0);
    EXPECT_EQ(m.ReadFile(At("TOOL.DLL")), pe::MakeDllWithVersion(2, 0, 0, 8));
}

TEST(PlaceFileVersionRule, KeepsANewerFileWhateverItsLowHalf) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile(At("TOOL.DLL"), pe::MakeDllWithVersion(3, 0, 0, 0));
    ASSERT_EQ(Install(m, VersionRule(0x00020000, 0xFFFFFFFF)).exitCode, 0);
    EXPECT_EQ(m.ReadFile(At("TOOL.DLL")), pe::MakeDllWithVersion(3, 0, 0, 0));
}

TEST(PlaceFileVersionRule, ReplacesAFileWithoutVersionInformation) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile(At("TOOL.DLL"), "no version here");
    scenario::RunResult r = Install(m, VersionRule(0x00010000, 0));
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.ReadFile(At("TOOL.DLL")), pe::MakeDllWithVersion(2, 0, 0, 8));
    EXPECT_THAT(r.logLines, Contains("Couldn't get the version info size of C:\\APP\\TOOL.DLL"));
}

TEST(PlaceFileVersionRule, UnreadableVersionInformationEndsTheInstallation) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile(At("TOOL.DLL"), pe::MakeDllWithVersion(2, 0, 0, 7));
    m.FailCall("GetFileVersionInfo", 1, os::ERROR_ACCESS_DENIED);
    scenario::RunResult r = Install(m, VersionRule(0x00030000, 0));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r), Contains("Couldn't get the version info of 'C:\\APP\\TOOL.DLL'."));
}

TEST(PlaceFileVersionRule, AMissingRootBlockEndsTheInstallation) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile(At("TOOL.DLL"), pe::MakeDllWithVersion(2, 0, 0, 7));
    m.FailCall("QueryFileVersion", 1, os::ERROR_RESOURCE_TYPE_NOT_FOUND);
    scenario::RunResult r = Install(m, VersionRule(0x00030000, 0));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r),
                Contains("Couldn't get the fixed file version info of 'C:\\APP\\TOOL.DLL'."));
}

TEST(PlaceFileExistingFile, ThatIsReadOnlyAndNotSharedIsCurrentlyUsed) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile(At("TOOL.TXT"), "old");
    m.SetAttributes(At("TOOL.TXT"), os::FILE_ATTRIBUTE_READONLY | os::FILE_ATTRIBUTE_HIDDEN |
                                        os::FILE_ATTRIBUTE_SYSTEM);
    InstallPackage p;
    p.File("TOOL.TXT", "new");
    scenario::RunResult r = Install(m, p);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r), Contains("The file 'C:\\APP\\TOOL.TXT' is currently used by another "
                                    "application or by Windows.\r\nMake sure the file isn't in "
                                    "use before starting the installation again."));
    EXPECT_EQ(m.ReadText(At("TOOL.TXT")), "old");
    // The hidden bit was cleared before the delete was tried, the others kept.
    EXPECT_EQ(m.Attributes(At("TOOL.TXT")), os::FILE_ATTRIBUTE_READONLY | os::FILE_ATTRIBUTE_SYSTEM);
}

TEST(PlaceFileExistingFile, ThatIsInUseAndNotSharedEndsTheInstallationBeforeReading) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile(At("TOOL.EXE"), "running");
    m.LockFile(At("TOOL.EXE"));
    InstallPackage p;
    p.Compressed("TOOL.EXE", "new program");
    scenario::RunResult r = Install(m, p);
    m.UnlockFile(At("TOOL.EXE"));
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_FALSE(Errors(r).empty());
    EXPECT_EQ(Errors(r)[0].substr(0, 35), "The file 'C:\\APP\\TOOL.EXE' is curre");
    EXPECT_FALSE(m.Exists(At("TOOL.EX_")));
    EXPECT_EQ(m.ReadText(At("TOOL.EXE")), "running");
}

TEST(PlaceFileExistingFile, ThatIsNotSharedIsReplaced) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile(At("TOOL.TXT"), "an old and longer content");
    m.SetAttributes(At("TOOL.TXT"), os::FILE_ATTRIBUTE_HIDDEN);
    InstallPackage p;
    p.File("TOOL.TXT", "new");
    ASSERT_EQ(Install(m, p).exitCode, 0);
    EXPECT_EQ(m.ReadText(At("TOOL.TXT")), "new");
    EXPECT_EQ(m.Attributes(At("TOOL.TXT")), os::FILE_ATTRIBUTE_ARCHIVE);
}

TEST(PlaceFileCompressed, IsWrittenAsTheUnderscoreFormAndExpandedIntoTheTarget) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p;
    const std::string text(3000, 'z');
    p.Compressed("TOOL.EXE", text + "end");
    scenario::RunResult r = Install(m, p);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.ReadText(At("TOOL.EXE")), text + "end");
    EXPECT_FALSE(m.Exists(At("TOOL.EX_")));
    EXPECT_TRUE(InOrder(r.logLines,
                        {"Creating file: C:\\APP\\TOOL.EX_", "Decompressing: C:\\APP\\TOOL.EXE"}));
}

TEST(PlaceFileCompressed, WhoseTargetEndsInAnUnderscoreDoesNotExpandOntoItself) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p;
    p.Compressed("DATA.BI_", "expanded contents of the data file");
    scenario::RunResult r = Install(m, p);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_THAT(Errors(r), IsEmpty());
    EXPECT_EQ(m.ReadText(At("DATA.BI_")), "expanded contents of the data file");
    EXPECT_FALSE(m.Exists(At("DATA.BI~")));
}

namespace {

// A call that fails while a file is placed: a vital file ends the
// installation with its box and nothing after it is placed; any other file
// is logged by name and the installation goes on. No compressed copy stays
// behind either way.
struct FileFailure {
    const char* name;
    const char* call;       // the failing call
    int nth;                // which of its calls; 0: the write of the file's data
    std::uint32_t error;
    const char* file;       // the file record that meets the failure
    bool compressed;
    bool vital;             // a box (the text expected), else a log line
    const char* expected;
    int exitCode;
};

const FileFailure FileFailures[] = {
    // LZOpenFile: the first opens the compressed copy, the second creates the target.
    {"VitalExpansionTargetNotCreated", "LZOpenFile", 2, os::ERROR_ACCESS_DENIED, "TOOL.EXE", true, true,
     "Couldn't create the file 'C:\\APP\\TOOL.EXE' during decompression.", 1},
    {"OtherExpansionTargetNotCreated", "LZOpenFile", 2, os::ERROR_ACCESS_DENIED, "TOOL.EXE", true, false,
     "Error while decompressing nonvital file: C:\\APP\\TOOL.EXE", 0},
    {"VitalExpansionFailed", "LZCopy", 1, os::ERROR_HANDLE_DISK_FULL, "TOOL.EXE", true, true,
     "An error occured during decompression of 'C:\\APP\\TOOL.EXE'.", 1},
    {"OtherExpansionFailed", "LZCopy", 1, os::ERROR_HANDLE_DISK_FULL, "TOOL.EXE", true, false,
     "Error while decompressing nonvital file: C:\\APP\\TOOL.EXE", 0},
    // Without the log the file is the first one created; with it, the second.
    {"VitalFileNotCreated", "LCreat", 1, os::ERROR_ACCESS_DENIED, "TOOL.TXT", false, true,
     "Couldn't create file 'C:\\APP\\TOOL.TXT'. Error code 5.", 1},
    {"OtherFileNotCreated", "LCreat", 2, os::ERROR_ACCESS_DENIED, "TOOL.TXT", false, false,
     "Error while creating nonvital file: C:\\APP\\TOOL.TXT", 0},
    {"VitalFileNotWritten", "HWrite", 1, os::ERROR_HANDLE_DISK_FULL, "TOOL.TXT", false, true,
     "Couldn't write data to 'C:\\APP\\TOOL.TXT'.", 1},
    {"OtherFileNotWritten", "HWrite", 0, os::ERROR_HANDLE_DISK_FULL, "TOOL.TXT", false, false,
     "Error while writing nonvital file: C:\\APP\\TOOL.TXT", 0},
    {"OtherCompressedFileNotWritten", "HWrite", 0, os::ERROR_HANDLE_DISK_FULL, "TOOL.TXT", true, false,
     "Error while writing nonvital file: C:\\APP\\TOOL.TX_", 0},
};

void PrintTo(const FileFailure& c, std::ostream* os) { *os << c.name; }

class PlaceFileFailure : public ::testing::TestWithParam<FileFailure> {};

}  // namespace

TEST_P(PlaceFileFailure, EndsTheInstallationForAVitalFileAndIsLoggedForAnother) {
    const FileFailure& c = GetParam();
    InstallPackage p;
    // The log only where its line is looked for: a vital file's failure is its box.
    p.Header().CreateLog = c.vital ? 0 : 1;
    p.Header().CreateUninstaller = 0;
    FileRecord& f = c.compressed ? p.Compressed(c.file, "data") : p.File(c.file, "data");
    f.Vital = c.vital ? 1 : 0;
    p.File("NEXT.TXT", "next");
    std::string copy = c.file;  // the compressed copy's name
    copy.back() = '_';
    const std::string storedAs = c.compressed ? copy : c.file;  // where the data are written
    const int nth = c.nth != 0 ? c.nth : DataWriteCall(p, At(storedAs));
    ASSERT_NE(nth, 0);

    sim::Machine m = sim::Machine::NT40();
    m.FailCall(c.call, nth, c.error);
    scenario::RunResult r = Install(m, p);
    EXPECT_EQ(r.exitCode, c.exitCode);
    if (c.vital) {
        ASSERT_FALSE(Errors(r).empty());
        EXPECT_EQ(Errors(r)[0], c.expected);
        EXPECT_FALSE(m.Exists(At("NEXT.TXT")));
    } else {
        EXPECT_THAT(Errors(r), IsEmpty());
        EXPECT_THAT(r.logLines, Contains(c.expected));
        EXPECT_EQ(m.ReadText(At("NEXT.TXT")), "next");
    }
    EXPECT_FALSE(m.Exists(At(copy)));
    if (std::string(c.call) == "LCreat") {
        EXPECT_FALSE(m.Exists(At(c.file)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Calls, PlaceFileFailure, ::testing::ValuesIn(FileFailures),
    [](const ::testing::TestParamInfo<FileFailure>& row) { return std::string(row.param.name); });

TEST(PlaceFileFailures, AFailedReadOfTheStoredDataEndsTheInstallation) {
    // The read of the last file's data is the last read of the package.
    InstallPackage p;
    p.File("TOOL.TXT", "some data");
    sim::Machine clean = sim::Machine::NT40();
    ASSERT_EQ(Install(clean, p).exitCode, 0);
    const int reads = clean.CallCount("HRead");

    // The message names the running program, not the package the command
    // line named.
    sim::Machine m = sim::Machine::NT40();
    m.FailCall("HRead", reads, os::ERROR_ACCESS_DENIED);
    m.WriteFile("C:\\DISK\\SETUP.EXE", p.Build());
    m.SetModuleFileName("C:\\BIN\\STUB.EXE");
    m.TypeDestination(Destination);
    m.PressInstall();
    scenario::RunResult r = scenario::RunAsIs(m, "C:\\DISK\\SETUP.EXE");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r), Contains("Couldn't read data from 'C:\\BIN\\STUB.EXE'."));
    EXPECT_FALSE(m.Exists(At("TOOL.TXT")));
}

// Data that do not give the file they claim: a compressed stream cut short
// or longer than InstalledSize, compressed data without the signature, a
// plain copy of another size. Each is a failed write of its record: a vital
// file ends the installation with an error, any other is logged by name and
// cause, and no compressed copy is left either way.
TEST(PlaceFileDamagedData, IsAFailedWriteOfItsRecord) {
    enum Damage { CutStream, CutByOneByte, LongerStream, NoSignature, PlainShort, PlainLong };
    struct Case {
        const char* what;
        Damage damage;
        bool vital;
        const char* expected;  // the error of a vital file, the log line of another
    };
    const char* const writeError = "Couldn't write data to 'C:\\APP\\TOOL.EXE'.";
    const char* const sizeLine = "Wrong size of nonvital file: C:\\APP\\TOOL.EXE";
    const std::vector<Case> cases = {
        {"stream cut short", CutStream, true, writeError},
        {"stream cut short", CutStream, false, sizeLine},
        {"stream without its last byte", CutByOneByte, true, writeError},
        {"stream longer than the size", LongerStream, true, writeError},
        {"stream longer than the size", LongerStream, false, sizeLine},
        {"no signature", NoSignature, true, "An error occured during decompression of 'C:\\APP\\TOOL.EXE'."},
        {"no signature", NoSignature, false, "Error while decompressing nonvital file: C:\\APP\\TOOL.EXE"},
        {"plain data shorter than the size", PlainShort, true, writeError},
        {"plain data shorter than the size", PlainShort, false, sizeLine},
        {"plain data longer than the size", PlainLong, false, sizeLine},
    };
    Bytes content(9600);
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<std::uint8_t>((i * 7 + i / 13) % 251);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + (c.vital ? ", vital" : ""));
        InstallPackage p;
        const bool plain = c.damage == PlainShort || c.damage == PlainLong || c.damage == NoSignature;
        FileRecord& f = plain ? p.File("TOOL.EXE", content) : p.Compressed("TOOL.EXE", content);
        Bytes& stored = p.Contents().fileData.back();
        f.Vital = c.vital ? 1 : 0;
        if (c.damage == CutStream) stored.resize(stored.size() / 3);
        if (c.damage == CutByOneByte) stored.pop_back();
        if (c.damage == LongerStream || c.damage == PlainLong) f.InstalledSize -= 1;
        if (c.damage == PlainShort) f.InstalledSize += 1;
        if (c.damage == NoSignature) f.Compressed = 1;
        p.File("NEXT.TXT", "next file");
        sim::Machine m = sim::Machine::NT40();
        scenario::RunResult r = Install(m, p);
        if (c.vital) {
            EXPECT_EQ(r.exitCode, 1);
            ASSERT_FALSE(Errors(r).empty());
            EXPECT_EQ(Errors(r)[0], c.expected);
            EXPECT_FALSE(m.Exists(At("NEXT.TXT")));
        } else {
            EXPECT_EQ(r.exitCode, 0);
            EXPECT_THAT(Errors(r), IsEmpty());
            EXPECT_THAT(r.logLines, Contains(c.expected));
            EXPECT_EQ(m.ReadText(At("NEXT.TXT")), "next file");
        }
        EXPECT_FALSE(m.Exists(At("TOOL.EX_")));
    }
}

TEST(PlaceFileFinish, GivesTheFileItsTimesAttributesAndTrailer) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p;
    FileRecord& f = p.Compressed("TOOL.EXE", "program body");
    f.CreationTime = Time(0x01BC000000000001ull);
    f.LastAccessTime = Time(0x01BC000000000002ull);
    f.LastWriteTime = Time(0x01BC000000000003ull);
    f.Attributes = os::FILE_ATTRIBUTE_READONLY | os::FILE_ATTRIBUTE_ARCHIVE;
    f.AppendTrailer = 1;
    for (int i = 0; i < 16; ++i) f.Trailer[i] = static_cast<std::uint8_t>('A' + i);
    ASSERT_EQ(Install(m, p).exitCode, 0);
    EXPECT_EQ(m.ReadText(At("TOOL.EXE")), "program bodyABCDEFGHIJKLMNOP");
    const sim::FileTimes t = m.Times(At("TOOL.EXE"));
    EXPECT_EQ(t.creation.Low, 1u);
    EXPECT_EQ(t.access.Low, 2u);
    EXPECT_EQ(t.write.Low, 3u);
    EXPECT_EQ(t.write.High, 0x01BC0000u);
    EXPECT_EQ(m.Attributes(At("TOOL.EXE")), os::FILE_ATTRIBUTE_READONLY | os::FILE_ATTRIBUTE_ARCHIVE);
}

TEST(PlaceFileRestart, NeedsRestartOnAnInstalledFileAsksForTheRestart) {
    sim::Machine m = sim::Machine::NT40();
    m.AnswerQuestions({os::IDNO});
    InstallPackage p;
    p.File("DRIVER.SYS", "driver").NeedsRestart = 1;
    scenario::RunResult r = Install(m, p);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(Asked(r, RestartQuestion));
}

TEST(PlaceFileRestart, NeedsRestartOnAKeptFileDoesNotAskForTheRestart) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile(At("DRIVER.SYS"), "old driver");
    InstallPackage p;
    FileRecord& f = p.File("DRIVER.SYS", "driver");
    f.NeedsRestart = 1;
    f.OverwriteMode = 2;
    scenario::RunResult r = Install(m, p);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(Asked(r, RestartQuestion));
    EXPECT_FALSE(m.ExitWindowsCalled());
}
