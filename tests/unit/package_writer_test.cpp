// The package writer and its reader: the layout of the written file, the
// scrambling, and reading a package back the way the stub does.
#include <gtest/gtest.h>

#include <cstring>

#include "pkgwrite/checksum.h"
#include "pkgwrite/package_writer.h"
#include "szdd/szdd.h"

namespace {

using pkg::Bytes;

// The plain byte at `at` of a block scrambled from `blockStart`.
std::uint8_t Plain(const Bytes& b, std::size_t blockStart, std::size_t at) {
    return static_cast<std::uint8_t>(b[at] - ((at - blockStart) & 0xFF));
}

std::uint32_t PlainWord(const Bytes& b, std::size_t blockStart, std::size_t at) {
    return Plain(b, blockStart, at) | Plain(b, blockStart, at + 1) << 8 |
           Plain(b, blockStart, at + 2) << 16 |
           static_cast<std::uint32_t>(Plain(b, blockStart, at + 3)) << 24;
}

pkg::PackageContents TwoFilesOneDir() {
    pkg::PackageContents c;
    c.stub = Bytes(100, 0x90);
    c.header = pkg::NewHeader();
    pkg::SetText(c.header.InstallTitle, "Sample");
    FileRecord a = pkg::NewFileRecord();
    pkg::SetText(a.FileName, "A.TXT");
    FileRecord b = pkg::NewFileRecord();
    pkg::SetText(b.FileName, "B.DLL");
    b.DirNumber = 1;
    c.files = {a, b};
    c.fileData = {Bytes{'a', 'a', 'a'}, Bytes{'b', 'b'}};
    DirRecord d = pkg::NewDirRecord();
    pkg::SetText(d.Name, "SUB");
    c.dirs = {d};
    return c;
}

TEST(PackageScramble, AddsTheLowByteOfTheIndexAcrossA300ByteBlock) {
    Bytes block(300, 0x10);
    pkg::Scramble(block.data(), block.size());
    EXPECT_EQ(block[0], 0x10);
    EXPECT_EQ(block[1], 0x11);
    EXPECT_EQ(block[255], static_cast<std::uint8_t>(0x10 + 255));
    EXPECT_EQ(block[256], 0x10);
    EXPECT_EQ(block[299], 0x10 + 43);
}

TEST(PackageWriter, PutsTheStubThenThePlainMarkerThenTheScrambledHeader) {
    Bytes file = pkg::WritePackage(TwoFilesOneDir());
    ASSERT_GE(file.size(), 100u + 3772);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 100), Bytes(100, 0x90));
    EXPECT_EQ(std::string(file.begin() + 100, file.begin() + 108), "iNStiNSt");
    EXPECT_EQ(PlainWord(file, 108, 108), 3772u);       // HeaderSize
    EXPECT_EQ(PlainWord(file, 108, 112), 2u);          // FileCount
    EXPECT_EQ(PlainWord(file, 108, 120), 1u);          // DirCount
    EXPECT_EQ(Plain(file, 108, 100 + 2092), 'S');      // InstallTitle
    EXPECT_NE(file[100 + 2092 + 1], 'a');              // stored scrambled
}

TEST(PackageWriter, ScramblesEachTableAsOneBlockRunningAcrossItsRecords) {
    Bytes file = pkg::WritePackage(TwoFilesOneDir());
    const std::size_t files = 100 + 3772;
    EXPECT_EQ(PlainWord(file, files, files), 756u);
    EXPECT_EQ(PlainWord(file, files, files + 756), 756u);  // index runs on into record 2
    EXPECT_EQ(Plain(file, files, files + 756 + 4), 'B');
    EXPECT_EQ(PlainWord(file, files, files + 756 + 676), 1u);  // DirNumber
    const std::size_t dirs = files + 2 * 756;
    EXPECT_EQ(PlainWord(file, dirs, dirs), 288u);  // the next table starts at index 0
    EXPECT_EQ(Plain(file, dirs, dirs + 4), 'S');
}

TEST(PackageWriter, AppendsTheFileDataInTableOrderAndSetsStoredSizes) {
    Bytes file = pkg::WritePackage(TwoFilesOneDir());
    const std::size_t data = 100 + 3772 + 2 * 756 + 288;
    ASSERT_EQ(file.size(), data + 5 + 16);
    EXPECT_EQ(Bytes(file.begin() + data, file.begin() + data + 5), Bytes({'a', 'a', 'a', 'b', 'b'}));
    const std::size_t files = 100 + 3772;
    EXPECT_EQ(PlainWord(file, files, files + 620), 3u);
    EXPECT_EQ(PlainWord(file, files, files + 756 + 620), 2u);
}

TEST(PackageWriter, KeepsCountsSizesAndStoredSizesWhenTold) {
    pkg::PackageContents c = TwoFilesOneDir();
    c.keepCounts = c.keepRecordSizes = c.keepStoredSizes = c.keepHeaderSize = true;
    c.header.FileCount = 7;
    c.header.HeaderSize = 3771;
    c.files[0].RecordSize = 755;
    c.files[0].StoredSize = 1000;
    Bytes file = pkg::WritePackage(c);
    EXPECT_EQ(PlainWord(file, 108, 108), 3771u);
    EXPECT_EQ(PlainWord(file, 108, 112), 7u);
    EXPECT_EQ(PlainWord(file, 3872, 3872), 755u);
    EXPECT_EQ(PlainWord(file, 3872, 3872 + 620), 1000u);
}

TEST(PackageReadBack, GivesBackWhatWasWritten) {
    pkg::PackageContents c = TwoFilesOneDir();
    c.trailing = {1, 2, 3};
    pkg::PackageContents back;
    std::size_t offset = 0;
    std::string error;
    ASSERT_TRUE(pkg::ReadPackage(pkg::WritePackage(c), back, offset, error)) << error;
    EXPECT_EQ(offset, 100u);
    EXPECT_EQ(back.stub, c.stub);
    EXPECT_STREQ(back.header.InstallTitle, "Sample");
    EXPECT_EQ(back.header.FileCount, 2u);
    ASSERT_EQ(back.files.size(), 2u);
    EXPECT_STREQ(back.files[1].FileName, "B.DLL");
    EXPECT_EQ(back.files[1].DirNumber, 1u);
    ASSERT_EQ(back.dirs.size(), 1u);
    EXPECT_STREQ(back.dirs[0].Name, "SUB");
    EXPECT_EQ(back.fileData, c.fileData);
    EXPECT_EQ(back.trailing, Bytes({1, 2, 3}));  // the checksum trailer taken off
    EXPECT_TRUE(back.checksum);
    // Written again unchanged, it is the same file.
    EXPECT_EQ(pkg::WritePackage(back), pkg::WritePackage(c));
}

std::uint32_t WordAt(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(PackageChecksum, IsTheCrc32OfZipAndGzip) {
    const std::string check = "123456789";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(check.data());
    EXPECT_EQ(pkg::Crc32(0, bytes, check.size()), 0xCBF43926u);
    // Continued in pieces of every length, eight at a time or not.
    Bytes noise(1000);
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>(i * 7 + (i >> 3));
    const std::uint32_t whole = pkg::Crc32(0, noise.data(), noise.size());
    for (std::size_t cut : {1u, 7u, 8u, 9u, 500u, 999u})
        EXPECT_EQ(pkg::Crc32(pkg::Crc32(0, noise.data(), cut), noise.data() + cut, noise.size() - cut), whole)
            << cut;
    // Against one bit at a time.
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t b : noise) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (crc & 1 ? 0xEDB88320u : 0);
    }
    EXPECT_EQ(whole, ~crc);
}

TEST(PackageChecksum, TrailerFollowsTheDataWithTagCrcOfEverythingBeforeAndLength) {
    pkg::PackageContents c = TwoFilesOneDir();
    c.trailing = {9, 9, 9};  // bytes appended later (a signature) come after it
    Bytes file = pkg::WritePackage(c);
    const std::size_t end = 100 + 3772 + 2 * 756 + 288 + 5;
    ASSERT_EQ(file.size(), end + 16 + 3);
    EXPECT_EQ(std::string(file.begin() + end, file.begin() + end + 8), "iNStCRC1");
    EXPECT_EQ(WordAt(file, end + 8), pkg::Crc32(0, file.data(), end));
    EXPECT_EQ(WordAt(file, end + 12), 16u);
    EXPECT_EQ(pkg::CheckTrailer(file, end), pkg::Checksum::Ok);

    c.checksum = false;
    c.trailing.clear();
    EXPECT_EQ(pkg::WritePackage(c).size(), end);
    EXPECT_EQ(pkg::CheckTrailer(pkg::WritePackage(c), end), pkg::Checksum::None);
}

// A PE header at 64 whose checksum and certificate entry are set.
Bytes SignedLookingStub() {
    Bytes stub(512, 0);
    stub[0] = 'M';
    stub[1] = 'Z';
    stub[60] = 64;
    stub[64] = 'P';
    stub[65] = 'E';
    for (std::size_t i = 0; i < 4; ++i) stub[64 + 88 + i] = 0xC0;
    for (std::size_t i = 0; i < 8; ++i) stub[64 + 152 + i] = 0xCE;
    return stub;
}

TEST(PackageChecksum, CountsTheFieldsSigningRewritesAsZeroesAndEveryOtherByte) {
    pkg::PackageContents c = TwoFilesOneDir();
    c.stub = SignedLookingStub();
    Bytes file = pkg::WritePackage(c);
    const std::size_t end = file.size() - 16;
    EXPECT_EQ(pkg::CheckTrailer(file, end), pkg::Checksum::Ok);
    // What signing changes: the PE checksum and the certificate entry.
    for (std::size_t at = 64 + 88; at < 64 + 92; ++at) file[at] ^= 0x5A;
    for (std::size_t at = 64 + 152; at < 64 + 160; ++at) file[at] ^= 0x5A;
    EXPECT_EQ(pkg::CheckTrailer(file, end), pkg::Checksum::Ok);
    // Any other byte, before or after those fields, or the CRC itself.
    for (std::size_t at : {std::size_t{0}, std::size_t{64 + 87}, std::size_t{64 + 92}, std::size_t{64 + 151},
                           std::size_t{64 + 160}, std::size_t{400}, end - 1, end + 8}) {
        Bytes damaged = file;
        damaged[at] ^= 1;
        EXPECT_EQ(pkg::CheckTrailer(damaged, end), pkg::Checksum::Damaged) << at;
    }
    // Without the PE signature the fields are ordinary bytes.
    Bytes plain = c.stub;
    plain[64] = 'X';
    c.stub = plain;
    file = pkg::WritePackage(c);
    file[64 + 88] ^= 1;
    EXPECT_EQ(pkg::CheckTrailer(file, end), pkg::Checksum::Damaged);
}

struct ReadRefusal {
    const char* name;
    void (*damage)(pkg::PackageContents&, Bytes&);
    const char* reason;
};

class PackageReadBackRefuses : public ::testing::TestWithParam<ReadRefusal> {};

TEST_P(PackageReadBackRefuses, APackageTheStubWouldNotRead) {
    pkg::PackageContents c = TwoFilesOneDir();
    Bytes file = pkg::WritePackage(c);
    GetParam().damage(c, file);
    pkg::PackageContents back;
    std::size_t offset = 0;
    std::string error;
    EXPECT_FALSE(pkg::ReadPackage(file, back, offset, error));
    EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Damage, PackageReadBackRefuses,
    ::testing::Values(
        ReadRefusal{"NoMarker", [](pkg::PackageContents&, Bytes& f) { f[103] = 'x'; }, "marker"},
        ReadRefusal{"MarkerAcrossABlockEnd",
                    [](pkg::PackageContents& c, Bytes& f) {
                        c.stub.assign(8192 - 3, 0);
                        f = pkg::WritePackage(c);
                    },
                    "marker"},
        ReadRefusal{"HeaderSize",
                    [](pkg::PackageContents& c, Bytes& f) {
                        c.keepHeaderSize = true;
                        c.header.HeaderSize = 1;
                        f = pkg::WritePackage(c);
                    },
                    "Error 1 "},
        ReadRefusal{"DirRecordSize",
                    [](pkg::PackageContents& c, Bytes& f) {
                        c.keepRecordSizes = true;
                        c.dirs[0].RecordSize = 287;
                        f = pkg::WritePackage(c);
                    },
                    "Error 4 "},
        ReadRefusal{"IniStrings",
                    [](pkg::PackageContents& c, Bytes& f) {
                        c.header.IniStringCount = 5;
                        c.header.IniOptions = 4;
                        f = pkg::WritePackage(c);
                    },
                    "Ini-strings"},
        ReadRefusal{"TruncatedData", [](pkg::PackageContents&, Bytes& f) { f.resize(f.size() - 17); }, "file 2"},
        ReadRefusal{"TruncatedTable", [](pkg::PackageContents&, Bytes& f) { f.resize(100 + 3772 + 700); },
                    "file table"}),
    [](const ::testing::TestParamInfo<ReadRefusal>& param) { return std::string(param.param.name); });

TEST(PackageReadBack, FindsTheMarkerAtABlockStart) {
    pkg::PackageContents c = TwoFilesOneDir();
    c.stub.assign(8192, 0x41);
    pkg::PackageContents back;
    std::size_t offset = 0;
    std::string error;
    ASSERT_TRUE(pkg::ReadPackage(pkg::WritePackage(c), back, offset, error)) << error;
    EXPECT_EQ(offset, 8192u);
}

TEST(PackageRecords, NewRecordsCarryTheirSizesAndNothingElse) {
    EXPECT_EQ(pkg::NewFileRecord().RecordSize, 756u);
    EXPECT_EQ(pkg::NewDirRecord().RecordSize, 288u);
    EXPECT_EQ(pkg::NewGroupRecord().RecordSize, 56u);
    EXPECT_EQ(pkg::NewItemRecord().RecordSize, 164u);
    EXPECT_EQ(pkg::NewRegKeyRecord().RecordSize, 288u);
    EXPECT_EQ(pkg::NewRegValueRecord().RecordSize, 416u);
    InstallHeader h = pkg::NewHeader();
    EXPECT_EQ(h.HeaderSize, 3772u);
    EXPECT_EQ(std::string(h.Marker, 8), "iNStiNSt");
    FileRecord f = pkg::NewFileRecord();
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&f);
    for (std::size_t i = 4; i < sizeof f; ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;
}

TEST(PackageRecords, SetTextRefusesATextWithoutRoomForItsNul) {
    char field[4] = {'x', 'x', 'x', 'x'};
    EXPECT_FALSE(pkg::SetText(field, "ABCD"));
    EXPECT_EQ(field[0], 'x');
    EXPECT_TRUE(pkg::SetText(field, "ABC"));
    EXPECT_STREQ(field, "ABC");
}

}  // namespace
