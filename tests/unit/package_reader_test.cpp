// The package reader on the simulated Windows: finding the marker, reading
// and checking the installation information, and the refusals of damaged
// packages.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "package/package.h"
#include "platform/sim/machine.h"
#include "support/package_builder.h"

namespace {

constexpr const char* PackagePath = "C:\\SETUP.EXE";

class PackageReader : public ::testing::Test {
protected:
    void TearDown() override { Release(); }

    bool Open(const Bytes& file) {
        m.WriteFile(PackagePath, file);
        return OpenPackage(run, PackagePath);
    }
    bool Find(const Bytes& file) { return Open(file) && FindInfoMarker(run); }
    bool Read(const Bytes& file) { return Find(file) && ReadInstallInfo(run); }

    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const sim::Box& b : m.Boxes()) texts.push_back(b.text);
        return texts;
    }
    std::vector<std::string> Only(const std::string& text) const { return {text}; }

    // What the end of a run releases.
    void Release() {
        auto free = [this](auto*& block) {
            if (block) m.Free(block);
            block = nullptr;
        };
        free(run.ScanBuffer);
        free(run.Header);
        free(run.Files);
        free(run.Dirs);
        free(run.Groups);
        free(run.Items);
        free(run.RegKeys);
        free(run.RegValues);
        free(run.DestinationDir);
        if (run.Package != os::InvalidFile) m.LClose(run.Package);
        run.Package = os::InvalidFile;
    }

    // Bytes that hold no marker and no part of one.
    static Bytes Filler(std::size_t size) { return Bytes(size, 0xCC); }

    sim::Machine m = sim::Machine::NT40();
    ::Run run{m};
};

// ---- Opening and the marker scan ----------------------------------------------

TEST_F(PackageReader, OpeningAMissingFileShowsCouldntOpenTheProgram) {
    EXPECT_FALSE(OpenPackage(run, "C:\\NOWHERE.EXE"));
    ASSERT_EQ(m.Boxes().size(), 1u);
    EXPECT_EQ(m.Boxes()[0].text, "Couldn't open the program.");
    EXPECT_EQ(m.Boxes()[0].caption, "Error");
    EXPECT_EQ(m.Boxes()[0].type, os::MB_OK | os::MB_ICONERROR | os::MB_SETFOREGROUND);
}

TEST_F(PackageReader, FindsAMarkerThatStartsABlock) {
    ASSERT_TRUE(Find(PackageBuilder().MarkerAt(8192).Build()));
    EXPECT_EQ(run.InfoOffset, 8192u);
    EXPECT_EQ(run.ScanBuffer, nullptr);  // released as soon as it is found
    EXPECT_TRUE(m.Boxes().empty());
}

TEST_F(PackageReader, FindsAMarkerFillingTheLastEightBytesOfABlock) {
    ASSERT_TRUE(Find(PackageBuilder().MarkerAt(8192 - 8).Build()));
    EXPECT_EQ(run.InfoOffset, 8184u);
}

TEST_F(PackageReader, DoesNotFindAMarkerStartingThreeBytesBeforeABlockEnd) {
    EXPECT_FALSE(Find(PackageBuilder().MarkerAt(8192 - 3).Build()));
    EXPECT_EQ(BoxTexts(), Only("Couldn't find the installation information."));
    EXPECT_EQ(m.Boxes()[0].caption, "Error");
}

TEST_F(PackageReader, DoesNotFindAMarkerCutByABlockEndInALaterBlock) {
    EXPECT_FALSE(Find(PackageBuilder().MarkerAt(3 * 8192 - 7).Build()));
    EXPECT_EQ(BoxTexts(), Only("Couldn't find the installation information."));
}

TEST_F(PackageReader, TakesTheFirstOfTwoMarkers) {
    Bytes stub = Filler(5000);
    std::memcpy(stub.data() + 1234, "iNStiNSt", 8);
    ASSERT_TRUE(Find(PackageBuilder().Stub(stub).Build()));
    EXPECT_EQ(run.InfoOffset, 1234u);
}

TEST_F(PackageReader, FindsAMarkerRightAtTheStartOfTheFile) {
    ASSERT_TRUE(Find(PackageBuilder().Stub({}).Build()));
    EXPECT_EQ(run.InfoOffset, 0u);
}

class PackageWithoutMarker : public PackageReader, public ::testing::WithParamInterface<Bytes> {};

TEST_P(PackageWithoutMarker, IsReportedAsHavingNoInstallationInformation) {
    EXPECT_FALSE(Find(GetParam()));
    EXPECT_EQ(BoxTexts(), Only("Couldn't find the installation information."));
}

INSTANTIATE_TEST_SUITE_P(
    Files, PackageWithoutMarker,
    ::testing::Values(Bytes{}, Bytes{'i', 'N', 'S', 't', 'i', 'N', 'S'}, Bytes(8192, 0xCC),
                      Bytes(2 * 8192, 0), Bytes(10000, 0x20)));

TEST_F(PackageReader, DoesNotCompleteAMarkerWithBytesLeftFromThePreviousBlock) {
    // The file ends with 6 bytes of the marker; the buffer still holds the
    // first block's bytes behind them, and those continue the marker.
    Bytes file = Filler(8192 + 50);
    std::memcpy(file.data() + 50, "St", 2);
    std::memcpy(file.data() + 8192 + 44, "iNStiN", 6);
    EXPECT_FALSE(Find(file));
    EXPECT_EQ(BoxTexts(), Only("Couldn't find the installation information."));
}

TEST_F(PackageReader, ReportsAFailedReadDuringTheScanAsNoInstallationInformation) {
    m.FailCall("HRead", 2, os::ERROR_ACCESS_DENIED);
    EXPECT_FALSE(Find(PackageBuilder().MarkerAt(9000).Build()));
    EXPECT_EQ(BoxTexts(), Only("Couldn't find the installation information."));
}

TEST_F(PackageReader, ShowsOutOfMemoryWhenTheScanBufferCannotBeHad) {
    m.FailCall("Alloc", 1, os::ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(Find(PackageBuilder().Build()));
    EXPECT_EQ(BoxTexts(), Only("Out of memory."));
}

// ---- Reading the information --------------------------------------------------

TEST_F(PackageReader, ReadsAPackageWithNoRecordsAsTheHeaderAlone) {
    const std::size_t before = m.OutstandingBlocks();
    ASSERT_TRUE(Read(PackageBuilder().Title("Empty").Build()));
    EXPECT_EQ(run.InfoSize, 3772u);
    EXPECT_STREQ(run.Header->InstallTitle, "Empty");
    EXPECT_EQ(run.Files, nullptr);
    EXPECT_EQ(run.Dirs, nullptr);
    EXPECT_EQ(run.Groups, nullptr);
    EXPECT_EQ(run.Items, nullptr);
    EXPECT_EQ(run.RegKeys, nullptr);
    EXPECT_EQ(run.RegValues, nullptr);
    EXPECT_EQ(m.OutstandingBlocks(), before + 1);  // the header only
    EXPECT_TRUE(m.Boxes().empty());
}

TEST_F(PackageReader, ReadsEveryTableAndEndsAtTheFirstByteOfFileData) {
    Package p = PackageBuilder()
                    .Uninstaller("UNINST.EXE")
                    .Dir("SUB")
                    .File("A.TXT", TextBytes("alpha"))
                    .File("B.TXT", TextBytes("beta"))
                    .InDir("SUB")
                    .Group("App")
                    .Item("A", "A.TXT")
                    .RegKey(os::HKEY_LOCAL_MACHINE, "Software\\App")
                    .Value("V", os::REG_SZ, "x");
    ASSERT_TRUE(Read(p.Build()));
    EXPECT_EQ(run.InfoSize, 3772u + 2 * 756 + 288 + 56 + 164 + 288 + 416);
    EXPECT_EQ(run.InfoSize, p.InfoSize());
    EXPECT_STREQ(run.Files[1].FileName, "B.TXT");
    EXPECT_EQ(run.Files[1].DirNumber, 1u);
    EXPECT_STREQ(run.Dirs[0].Name, "SUB");
    EXPECT_STREQ(run.Groups[0].Name, "App");
    EXPECT_EQ(run.Items[0].FileNumber, 1u);
    EXPECT_EQ(run.RegKeys[0].Root, 0x80000002u);
    EXPECT_STREQ(run.RegValues[0].ValueName, "V");
    char data[6] = {};
    EXPECT_EQ(m.HRead(run.Package, data, 5), 5);
    EXPECT_STREQ(data, "alpha");
}

TEST_F(PackageReader, TakesOneBlockForTheHeaderAndOneForEachTableThatHasRecords) {
    Package p = PackageBuilder().File("A", TextBytes("a")).File("B", TextBytes("b"));
    const std::size_t before = m.OutstandingBlocks();
    ASSERT_TRUE(Read(p.Build()));
    EXPECT_EQ(m.OutstandingBlocks(), before + 2);
    EXPECT_EQ(run.Files[1].RecordSize, 756u);
    EXPECT_EQ(run.Files[1].StoredSize, 1u);
}

// A machine that remembers the size of every block asked for.
class SizeRecordingMachine : public sim::Machine {
public:
    SizeRecordingMachine() : sim::Machine(4, 0, 1381, os::VER_PLATFORM_WIN32_NT) {}
    void* Alloc(std::size_t size) override {
        sizes.push_back(size);
        return sim::Machine::Alloc(size);
    }
    std::vector<std::size_t> sizes;
};

TEST(PackageReaderBlocks, AreTheScanBufferTheHeaderAndEachTableAtExactlyCountTimesRecordSize) {
    SizeRecordingMachine machine;
    ::Run reader(machine);
    machine.WriteFile(PackagePath, PackageBuilder()
                                       .File("A", TextBytes("a"))
                                       .File("B", TextBytes("b"))
                                       .Dir("D")
                                       .RegKey(os::HKEY_CURRENT_USER, "K")
                                       .Value("V", 1)
                                       .Value("W", 2)
                                       .Value("X", 3)
                                       .Build());
    ASSERT_TRUE(OpenPackage(reader, PackagePath));
    ASSERT_TRUE(FindInfoMarker(reader));
    ASSERT_TRUE(ReadInstallInfo(reader));
    EXPECT_EQ(machine.sizes, (std::vector<std::size_t>{8200, 3772, 2 * 756, 288, 288, 3 * 416}));
    for (void* block : {static_cast<void*>(reader.Header), static_cast<void*>(reader.Files),
                        static_cast<void*>(reader.Dirs), static_cast<void*>(reader.RegKeys),
                        static_cast<void*>(reader.RegValues)})
        machine.Free(block);
    machine.LClose(reader.Package);
    EXPECT_EQ(machine.OutstandingBlocks(), 0u);
}

TEST_F(PackageReader, RefusesAWrongHeaderSizeWithError1BeforeAnyTable) {
    PackageBuilder b = PackageBuilder().File("A", TextBytes("a"));
    b.Contents().keepHeaderSize = true;
    b.Header().HeaderSize = 3771;
    EXPECT_FALSE(Read(b.Build()));
    EXPECT_EQ(BoxTexts(), Only("Error 1 in installation info."));
    EXPECT_EQ(run.Files, nullptr);
}

struct TableCase {
    const char* name;
    void (*add)(PackageBuilder&);  // adds two records of the table
    std::uint32_t* (*recordSize)(pkg::PackageContents&, std::size_t);
    std::uint32_t* (*count)(InstallHeader&);
    bool (*held)(const ::Run&);  // the table's block was taken
    int error;
};

const TableCase TableCases[] = {
    {"Files", [](PackageBuilder& b) { b.File("A", TextBytes("a")).File("B", TextBytes("b")); },
     [](pkg::PackageContents& c, std::size_t i) { return &c.files[i].RecordSize; },
     [](InstallHeader& h) { return &h.FileCount; }, [](const ::Run& r) { return r.Files != nullptr; }, 2},
    {"Dirs", [](PackageBuilder& b) { b.Dir("A").Dir("B"); },
     [](pkg::PackageContents& c, std::size_t i) { return &c.dirs[i].RecordSize; },
     [](InstallHeader& h) { return &h.DirCount; }, [](const ::Run& r) { return r.Dirs != nullptr; }, 4},
    {"Groups", [](PackageBuilder& b) { b.Group("A").Group("B"); },
     [](pkg::PackageContents& c, std::size_t i) { return &c.groups[i].RecordSize; },
     [](InstallHeader& h) { return &h.GroupCount; }, [](const ::Run& r) { return r.Groups != nullptr; }, 5},
    {"Items", [](PackageBuilder& b) { b.File("F", TextBytes("f")).Group("G").Item("A", "F").Item("B", "F"); },
     [](pkg::PackageContents& c, std::size_t i) { return &c.items[i].RecordSize; },
     [](InstallHeader& h) { return &h.ItemCount; }, [](const ::Run& r) { return r.Items != nullptr; }, 6},
    {"RegKeys", [](PackageBuilder& b) { b.RegKey(os::HKEY_CURRENT_USER, "A").RegKey(os::HKEY_CURRENT_USER, "B"); },
     [](pkg::PackageContents& c, std::size_t i) { return &c.regKeys[i].RecordSize; },
     [](InstallHeader& h) { return &h.RegKeyCount; }, [](const ::Run& r) { return r.RegKeys != nullptr; }, 8},
    {"RegValues", [](PackageBuilder& b) { b.RegKey(os::HKEY_CURRENT_USER, "K").Value("A", 1).Value("B", 2); },
     [](pkg::PackageContents& c, std::size_t i) { return &c.regValues[i].RecordSize; },
     [](InstallHeader& h) { return &h.RegValueCount; }, [](const ::Run& r) { return r.RegValues != nullptr; }, 9},
};

class PackageTable : public PackageReader, public ::testing::WithParamInterface<TableCase> {};

TEST_P(PackageTable, RefusesAWrongSizeInTheFirstRecordWithItsErrorNumber) {
    PackageBuilder b;
    GetParam().add(b);
    b.Contents().keepRecordSizes = true;
    *GetParam().recordSize(b.Contents(), 0) += 1;
    EXPECT_FALSE(Read(b.Build()));
    EXPECT_EQ(BoxTexts(), Only("Error " + std::to_string(GetParam().error) + " in installation info."));
}

TEST_P(PackageTable, AcceptsAWrongSizeInTheSecondRecord) {
    PackageBuilder b;
    GetParam().add(b);
    b.Contents().keepRecordSizes = true;
    *GetParam().recordSize(b.Contents(), 1) = 0;
    EXPECT_TRUE(Read(b.Build()));
    EXPECT_TRUE(m.Boxes().empty());
}

TEST_P(PackageTable, RefusesACountLargerThanTheFileWithError13BeforeAllocating) {
    PackageBuilder b;
    GetParam().add(b);
    b.Contents().keepCounts = true;
    *GetParam().count(b.Header()) = 100000;
    EXPECT_FALSE(Read(b.Build()));
    EXPECT_EQ(BoxTexts(), Only("Error 13 in installation info."));
    EXPECT_FALSE(GetParam().held(run));
}

INSTANTIATE_TEST_SUITE_P(Tables, PackageTable, ::testing::ValuesIn(TableCases),
                         [](const ::testing::TestParamInfo<TableCase>& param) {
                             return std::string(param.param.name);
                         });

TEST_F(PackageReader, RefusesACountWhoseTableSizeOverflowsWithError13) {
    PackageBuilder b = PackageBuilder().Dir("D");
    b.Contents().keepCounts = true;
    b.Header().DirCount = 0x0E38E38Fu;  // * 288 wraps to a small number in 32 bits
    EXPECT_FALSE(Read(b.Build()));
    EXPECT_EQ(BoxTexts(), Only("Error 13 in installation info."));
    EXPECT_EQ(run.Dirs, nullptr);
}

TEST_F(PackageReader, RefusesAHeaderCutShortWithCouldntReadInstallationInfo) {
    Bytes file = PackageBuilder().Build();
    file.resize(file.size() - 100);
    EXPECT_FALSE(Read(file));
    EXPECT_EQ(BoxTexts(), Only("Couldn't read installation info."));
}

TEST_F(PackageReader, ShowsCouldntPositionWhenTheSeekToTheInformationFails) {
    ASSERT_TRUE(Find(PackageBuilder().Build()));
    m.FailCall("LSeek", 0, os::ERROR_ACCESS_DENIED);
    EXPECT_FALSE(ReadInstallInfo(run));
    EXPECT_EQ(BoxTexts(), Only("Couldn't position to installation info."));
}

TEST_F(PackageReader, ShowsCouldntReadWhenATableReadFails) {
    ASSERT_TRUE(Find(PackageBuilder().Dir("D").Build()));
    const int reads = m.CallCount("HRead");
    m.FailCall("HRead", reads + 2, os::ERROR_ACCESS_DENIED);  // the header, then the table
    EXPECT_FALSE(ReadInstallInfo(run));
    EXPECT_EQ(BoxTexts(), Only("Couldn't read installation info."));
}

TEST_F(PackageReader, ShowsOutOfMemoryWhenATableCannotBeHad) {
    ASSERT_TRUE(Find(PackageBuilder().Dir("D").Build()));
    run.Header = static_cast<InstallHeader*>(m.Alloc(sizeof(InstallHeader)));
    m.FailCall("Alloc", m.CallCount("Alloc") + 1, os::ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(ReadInstallInfo(run));
    EXPECT_EQ(BoxTexts(), Only("Out of memory."));
}

struct IniCase {
    std::uint32_t count;
    std::uint32_t options;
    bool accepted;
};

class PackageIniStrings : public PackageReader, public ::testing::WithParamInterface<IniCase> {};

TEST_P(PackageIniStrings, AreRefusedOnlyWithACountAndOptionBits1Or2) {
    Bytes file = PackageBuilder()
                     .IniStrings(GetParam().count, GetParam().options)
                     .File("F", TextBytes("f"))
                     .Dir("D")
                     .Build();
    EXPECT_EQ(Read(file), GetParam().accepted);
    if (GetParam().accepted) {
        EXPECT_TRUE(m.Boxes().empty());
        EXPECT_EQ(run.InfoSize, 3772u + FileRecordSize + 288);  // no INI-string table is read
    } else {
        EXPECT_EQ(BoxTexts(), Only("Ini-strings are not enabled in the installer."));
        // The file table is read before the refusal, the directory table not.
        EXPECT_NE(run.Files, nullptr);
        EXPECT_EQ(run.Dirs, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PackageIniStrings,
                         ::testing::Values(IniCase{5, 0, true}, IniCase{5, 2, false}, IniCase{5, 4, false},
                                           IniCase{0, 6, true}, IniCase{5, 1, true}, IniCase{5, 0x100, true},
                                           IniCase{1, 0x106, false}));

TEST(PackageUnscramble, SubtractsTheLowByteOfTheIndexOverA300ByteBlock) {
    unsigned char block[300];
    for (int i = 0; i < 300; ++i) block[i] = 0x80;
    Unscramble(block, 300);
    EXPECT_EQ(block[0], 0x80);
    EXPECT_EQ(block[1], 0x7F);
    EXPECT_EQ(block[255], static_cast<unsigned char>(0x80 - 255));
    EXPECT_EQ(block[256], 0x80);
    EXPECT_EQ(block[299], 0x80 - 43);
}

TEST(PackageUnscramble, LeavesTheBlockAloneForALengthOfZeroOrLess) {
    unsigned char block[2] = {7, 7};
    Unscramble(block, 0);
    Unscramble(block, -5);
    EXPECT_EQ(block[0], 7);
    EXPECT_EQ(block[1], 7);
}

// ---- The length of the package --------------------------------------------------

TEST_F(PackageReader, AcceptsAPackageHoldingAllItsFileDataAndKeepsThePosition) {
    ASSERT_TRUE(Read(PackageBuilder().File("A", TextBytes("alpha")).File("B", TextBytes("b")).Build()));
    EXPECT_TRUE(CheckPackageLength(run));
    char data[6] = {};
    EXPECT_EQ(m.HRead(run.Package, data, 5), 5);
    EXPECT_STREQ(data, "alpha");
    EXPECT_TRUE(m.Boxes().empty());
}

TEST_F(PackageReader, RefusesAPackageMissingTheLastByteOfItsFileData) {
    Bytes file = PackageBuilder().File("A", TextBytes("alpha")).File("B", TextBytes("beta")).Build();
    file.resize(file.size() - 16 - 1);  // the checksum trailer and the last data byte
    ASSERT_TRUE(Read(file));
    EXPECT_FALSE(CheckPackageLength(run));
    EXPECT_EQ(BoxTexts(), Only("Couldn't read installation info."));
}

TEST_F(PackageReader, RefusesStoredSizesWhoseSumWrapsAround) {
    PackageBuilder b = PackageBuilder().File("A", TextBytes("a")).File("B", TextBytes("b"));
    b.Contents().keepStoredSizes = true;
    b.Contents().files[0].StoredSize = 0xFFFFFFFFu;
    b.Contents().files[1].StoredSize = 0x2000u;  // the 32-bit sum would be small
    b.Trailing(Bytes(0x3000, 0));
    ASSERT_TRUE(Read(b.Build()));
    EXPECT_FALSE(CheckPackageLength(run));
    EXPECT_EQ(BoxTexts(), Only("Couldn't read installation info."));
}

// ---- References and texts ---------------------------------------------------------

struct ReferenceCase {
    const char* name;
    void (*damage)(PackageBuilder&);
    int error;  // 0: accepted
};

PackageBuilder Complete() {
    return PackageBuilder()
        .Title("App")
        .Uninstaller("UNINST.EXE")
        .Dir("SUB")
        .File("A.EXE", TextBytes("a"))
        .InDir("SUB")
        .Service("Svc", "Service", {"Dep1", "Dep2"})
        .File("B.HLP", TextBytes("b"))
        .HelpFile(2)
        .Group("G")
        .Item("A", "A.EXE")
        .RegKey(sim::HKEY_DYN_DATA, "Key")
        .Value("V", sim::REG_BINARY, Bytes(128, 1));
}

const ReferenceCase ReferenceCases[] = {
    {"SoundPackage", [](PackageBuilder&) {}, 0},
    {"NoServiceDependencies", [](PackageBuilder& b) { b.Contents().files[0].ServiceDependencies[0] = 0; }, 0},
    {"GroupNumberZero", [](PackageBuilder& b) { b.LastItem().GroupNumber = 0; }, 0},
    {"HeaderTitleWithoutNul", [](PackageBuilder& b) { std::memset(b.Header().InstallTitle, 'x', 64); }, 10},
    {"RunParametersWithoutNul", [](PackageBuilder& b) { std::memset(b.Header().RunParameters, 'x', 64); }, 10},
    {"FileNameWithoutNul", [](PackageBuilder& b) { std::memset(b.Contents().files[1].FileName, 'x', 512); }, 10},
    {"DependenciesWithoutEmptyName",
     [](PackageBuilder& b) { std::memset(b.Contents().files[0].ServiceDependencies, 'd', 32); }, 10},
    {"DependenciesEndingInOneNul",
     [](PackageBuilder& b) {
         char* d = b.Contents().files[0].ServiceDependencies;
         std::memset(d, 'd', 32);
         d[10] = 0;
         d[31] = 0;
     },
     10},
    {"DirNameWithoutNul", [](PackageBuilder& b) { std::memset(b.LastDir().Name, 'x', 256); }, 10},
    {"GroupNameWithoutNul", [](PackageBuilder& b) { std::memset(b.LastGroup().Name, 'x', 36); }, 10},
    {"ItemArgumentsWithoutNul", [](PackageBuilder& b) { std::memset(b.LastItem().Arguments, 'x', 64); }, 10},
    {"SubKeyWithoutNul", [](PackageBuilder& b) { std::memset(b.LastRegKey().SubKey, 'x', 260); }, 10},
    {"ValueNameWithoutNul", [](PackageBuilder& b) { std::memset(b.LastRegValue().ValueName, 'x', 256); }, 10},
    {"DirNumberPastTheTable", [](PackageBuilder& b) { b.Contents().files[0].DirNumber = 2; }, 11},
    {"HelpFileNumberPastTheTable", [](PackageBuilder& b) { b.HelpFile(3); }, 11},
    {"HelpFileNumberNegative", [](PackageBuilder& b) { b.HelpFile(-1); }, 11},
    {"ItemWithoutFile", [](PackageBuilder& b) { b.LastItem().FileNumber = 0; }, 11},
    {"ItemFilePastTheTable", [](PackageBuilder& b) { b.LastItem().FileNumber = 3; }, 11},
    {"ItemGroupPastTheTable", [](PackageBuilder& b) { b.LastItem().GroupNumber = 2; }, 11},
    {"ValueWithoutKey", [](PackageBuilder& b) { b.LastRegValue().KeyNumber = 0; }, 11},
    {"ValueKeyPastTheTable", [](PackageBuilder& b) { b.LastRegValue().KeyNumber = 2; }, 11},
    {"RootBelowTheRoots", [](PackageBuilder& b) { b.LastRegKey().Root = 0x7FFFFFFF; }, 11},
    {"RootAboveTheRoots", [](PackageBuilder& b) { b.LastRegKey().Root = 0x80000007; }, 11},
    {"ValueDataOver128Bytes", [](PackageBuilder& b) { b.LastRegValue().DataSize = 129; }, 14},
    {"NestedNamesBelowTheBase",
     [](PackageBuilder& b) {
         pkg::SetText(b.LastDir().Name, "SUB\\DEEPER..DIR\\.");
         pkg::SetText(b.Contents().files[1].FileName, "SUB\\B.HLP");
     },
     0},
    {"DirNameClimbingOutOfTheBase", [](PackageBuilder& b) { pkg::SetText(b.LastDir().Name, "..\\WINDOWS"); }, 15},
    {"DirNameClimbingAfterAPart", [](PackageBuilder& b) { pkg::SetText(b.LastDir().Name, "SUB/../.."); }, 15},
    {"DirNameWithADrive", [](PackageBuilder& b) { pkg::SetText(b.LastDir().Name, "D:\\DATA"); }, 15},
    {"FileNameFromTheRoot", [](PackageBuilder& b) { pkg::SetText(b.Contents().files[1].FileName, "\\B.HLP"); }, 15},
    {"FileNameEndingInDotDot", [](PackageBuilder& b) { pkg::SetText(b.Contents().files[1].FileName, "SUB\\.."); }, 15},
    {"UninstallerInASubdirectory", [](PackageBuilder& b) { pkg::SetText(b.Header().UninstallerName, "SUB\\UNINST.EXE"); }, 15},
    // Names that mean their base: an uninstallation would empty the base.
    {"DirNameEmpty", [](PackageBuilder& b) { pkg::SetText(b.LastDir().Name, ""); }, 15},
    {"DirNameDot", [](PackageBuilder& b) { pkg::SetText(b.LastDir().Name, "."); }, 15},
    {"DirNameDotBackslash", [](PackageBuilder& b) { pkg::SetText(b.LastDir().Name, ".\\"); }, 15},
    {"DirNameBackslashDot", [](PackageBuilder& b) { pkg::SetText(b.LastDir().Name, "\\."); }, 15},
    {"DirNameDotsAndSeparators", [](PackageBuilder& b) { pkg::SetText(b.LastDir().Name, ".\\.//."); }, 15},
    {"DirNameParentInsideALongerName", [](PackageBuilder& b) { pkg::SetText(b.LastDir().Name, "SUB\\..\\."); }, 15},
    {"DirNameThreeDots", [](PackageBuilder& b) { pkg::SetText(b.LastDir().Name, "..."); }, 15},
    {"DirNameDotsAndBlanks", [](PackageBuilder& b) { pkg::SetText(b.LastDir().Name, "SUB\\. ."); }, 15},
    {"FileNameDot", [](PackageBuilder& b) { pkg::SetText(b.Contents().files[1].FileName, "."); }, 15},
    // Device names, which open the device instead of a file.
    {"DirNamedCon", [](PackageBuilder& b) { pkg::SetText(b.LastDir().Name, "CON"); }, 15},
    {"DirNamedNulBelowAnother", [](PackageBuilder& b) { pkg::SetText(b.LastDir().Name, "SUB\\nul"); }, 15},
    {"FileNamedPrnWithExtension", [](PackageBuilder& b) { pkg::SetText(b.Contents().files[1].FileName, "prn.txt"); }, 15},
    {"FileNamedAuxWithBlanks", [](PackageBuilder& b) { pkg::SetText(b.Contents().files[1].FileName, "Aux .hlp"); }, 15},
    {"FileNamedCom1", [](PackageBuilder& b) { pkg::SetText(b.Contents().files[1].FileName, "com1"); }, 15},
    {"FileNamedCom9", [](PackageBuilder& b) { pkg::SetText(b.Contents().files[1].FileName, "COM9.LOG"); }, 15},
    {"FileNamedLpt1", [](PackageBuilder& b) { pkg::SetText(b.Contents().files[1].FileName, "SUB/Lpt1.doc"); }, 15},
    {"FileNamedLpt9", [](PackageBuilder& b) { pkg::SetText(b.Contents().files[1].FileName, "LPT9"); }, 15},
    {"FileNamedConin", [](PackageBuilder& b) { pkg::SetText(b.Contents().files[1].FileName, "conin$"); }, 15},
    {"FileNamedConout", [](PackageBuilder& b) { pkg::SetText(b.Contents().files[1].FileName, "CONOUT$.X"); }, 15},
    {"UninstallerNamedNul", [](PackageBuilder& b) { pkg::SetText(b.Header().UninstallerName, "NUL.EXE"); }, 15},
    {"NamesThatOnlyStartLikeDevices",
     [](PackageBuilder& b) {
         pkg::SetText(b.LastDir().Name, "CONFIG");
         pkg::SetText(b.Contents().files[1].FileName, "COM10.TXT");
         pkg::SetText(b.Header().UninstallerName, "LPT0.EXE");
         pkg::SetText(b.Header().RunAfterInstall, "SUB\\AUXILIARY.EXE");
     },
     0},
    // The program run after the installation stays below the destination.
    {"RunAfterInstallBelowTheDestination", [](PackageBuilder& b) { pkg::SetText(b.Header().RunAfterInstall, "SUB\\A.EXE"); }, 0},
    {"RunAfterInstallClimbingOut", [](PackageBuilder& b) { pkg::SetText(b.Header().RunAfterInstall, "..\\COMMAND.COM"); }, 15},
    {"RunAfterInstallWithADrive", [](PackageBuilder& b) { pkg::SetText(b.Header().RunAfterInstall, "C:\\WINDOWS\\NOTEPAD.EXE"); }, 15},
    {"RunAfterInstallFromTheRoot", [](PackageBuilder& b) { pkg::SetText(b.Header().RunAfterInstall, "\\A.EXE"); }, 15},
    {"RunAfterInstallADevice", [](PackageBuilder& b) { pkg::SetText(b.Header().RunAfterInstall, "CON"); }, 15},
    // The uninstall entry's name is one key below the list of programs.
    {"EntryNameEmpty", [](PackageBuilder& b) { pkg::SetText(b.Header().UninstallDisplayName, ""); }, 0},
    {"EntryNameWithBlanksAndSlash", [](PackageBuilder& b) { pkg::SetText(b.Header().UninstallDisplayName, " App 1/2 "); }, 0},
    {"EntryNameBackslash", [](PackageBuilder& b) { pkg::SetText(b.Header().UninstallDisplayName, "\\"); }, 15},
    {"EntryNameWithABackslash", [](PackageBuilder& b) { pkg::SetText(b.Header().UninstallDisplayName, "App\\Tools"); }, 15},
    {"EntryNameOnlyBlanks", [](PackageBuilder& b) { pkg::SetText(b.Header().UninstallDisplayName, " \t "); }, 15},
};

class PackageReferences : public PackageReader, public ::testing::WithParamInterface<ReferenceCase> {};

TEST_P(PackageReferences, AreCheckedRightAfterReading) {
    PackageBuilder b = Complete();
    GetParam().damage(b);
    ASSERT_TRUE(Read(b.Build()));
    if (GetParam().error == 0) {
        EXPECT_TRUE(CheckReferences(run));
        EXPECT_TRUE(m.Boxes().empty());
    } else {
        EXPECT_FALSE(CheckReferences(run));
        EXPECT_EQ(BoxTexts(), Only("Error " + std::to_string(GetParam().error) + " in installation info."));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PackageReferences, ::testing::ValuesIn(ReferenceCases),
                         [](const ::testing::TestParamInfo<ReferenceCase>& param) {
                             return std::string(param.param.name);
                         });

// ---- Paths that must fit --------------------------------------------------------

class PackagePaths : public PackageReader {
protected:
    bool Check(PackageBuilder& b, std::size_t destinationLength) {
        if (!Read(b.Build())) return false;
        run.DestinationDir = static_cast<char*>(m.Alloc(PathSize));
        run.WindowsDir = windows;
        run.SystemDir = system;
        std::string destination = "C:\\" + std::string(destinationLength - 3, 'D');
        std::memcpy(run.DestinationDir, destination.c_str(), destination.size() + 1);
        return CheckPaths(run);
    }
    char windows[PathSize] = "C:\\WINDOWS";
    char system[PathSize] = "C:\\WINDOWS\\SYSTEM";
};

TEST_F(PackagePaths, AcceptsPathsOfExactly259Characters) {
    // 250 + 1 + 3 + 1 + 4 = 259 for the file; 250 + 1 + 8 = 259 for the uninstaller.
    PackageBuilder b = PackageBuilder().Uninstaller("UNIN.EXE").Dir("SUB").File("ABCD", TextBytes("a")).InDir("SUB");
    EXPECT_TRUE(Check(b, 250));
    EXPECT_TRUE(m.Boxes().empty());
}

TEST_F(PackagePaths, RefusesAFilePathOf260CharactersWithError12) {
    PackageBuilder b = PackageBuilder().Dir("SUB").File("ABCDE", TextBytes("a")).InDir("SUB");
    EXPECT_FALSE(Check(b, 250));  // 250 + 1 + 3 + 1 + 5 = 260
    EXPECT_EQ(BoxTexts(), Only("Error 12 in installation info."));
}

TEST_F(PackagePaths, RefusesADirectoryPathThatDoesNotFit) {
    PackageBuilder b = PackageBuilder().Dir(std::string(200, 'S'));
    EXPECT_FALSE(Check(b, 60));
    EXPECT_EQ(BoxTexts(), Only("Error 12 in installation info."));
}

TEST_F(PackagePaths, RefusesAnUninstallerPathThatDoesNotFit) {
    PackageBuilder b = PackageBuilder().Uninstaller("UNINST.EXE");
    EXPECT_FALSE(Check(b, 250));
    EXPECT_EQ(BoxTexts(), Only("Error 12 in installation info."));
}

TEST_F(PackagePaths, IgnoresTheUninstallerNameWhenNoUninstallerIsWritten) {
    PackageBuilder b = PackageBuilder().UninstallerName("UNINST.EXE");
    EXPECT_TRUE(Check(b, 254));
    EXPECT_TRUE(m.Boxes().empty());
}

TEST_F(PackagePaths, RefusesALogPathThatDoesNotFitOnlyWhenALogIsWritten) {
    PackageBuilder b = PackageBuilder();
    EXPECT_TRUE(Check(b, 250));  // no log: "\InstLog.txt" is not needed
    Release();
    PackageBuilder withLog = PackageBuilder().CreateLog();
    EXPECT_FALSE(Check(withLog, 250));
    EXPECT_EQ(BoxTexts(), Only("Error 12 in installation info."));
}

TEST_F(PackagePaths, MeasuresFilesBelowTheSystemDirectoryFromThere) {
    // 17 + 1 + 242 = 260 below C:\WINDOWS\SYSTEM; it would fit below the destination.
    PackageBuilder b = PackageBuilder().File(std::string(242, 'F'), TextBytes("a")).InSystemDir();
    EXPECT_FALSE(Check(b, 10));
    EXPECT_EQ(BoxTexts(), Only("Error 12 in installation info."));
}

}  // namespace
