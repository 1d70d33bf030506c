// The SZDD codec: round trips, hand-made streams, damaged input, and a
// cross-check both ways against Debian's mscompress and msexpand.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <unistd.h>

#include "szdd/szdd.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes out(size);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

// Text-like data: words from a small vocabulary, like program files and docs.
Bytes TextLike(std::size_t size, unsigned seed) {
    static const char* words[] = {"the ",     "installer ", "file ",  "window ", "\r\n",
                                  "registry ", "0x0040 ",   "DWORD ", "return ", "value; ",
                                  "        ",  "{",          "}\r\n",  "if (",    "MZ\x90"};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < size) s += words[rng() % (sizeof words / sizeof *words)];
    s.resize(size);
    return Bytes(s.begin(), s.end());
}

Bytes Compress(const Bytes& in, char missing = 0) { return szdd::Compress(in.data(), in.size(), missing); }

Bytes ExpandOrDie(const Bytes& in) {
    Bytes out;
    EXPECT_TRUE(szdd::Expand(in.data(), in.size(), out));
    return out;
}

Bytes Header(std::uint32_t length) {
    Bytes h = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33, 'A', 0};
    for (int i = 0; i < 4; ++i) h.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
    return h;
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// ---- The codec alone ------------------------------------------------------------

TEST(SzddCompress, WritesTheHeaderWithSignatureModeMissingCharacterAndLength) {
    Bytes data = TextLike(1000, 1);
    Bytes c = Compress(data, 'L');
    ASSERT_GE(c.size(), 14u);
    EXPECT_EQ(Bytes(c.begin(), c.begin() + 8), Bytes({'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33}));
    EXPECT_EQ(c[8], 'A');
    EXPECT_EQ(c[9], 'L');
    EXPECT_EQ(c[10] | c[11] << 8 | c[12] << 16 | c[13] << 24, 1000);
    EXPECT_TRUE(szdd::IsSzdd(c.data(), c.size()));
}

class SzddRoundTrip : public ::testing::TestWithParam<std::size_t> {};

TEST_P(SzddRoundTrip, ExpandsBackToTheSameBytes) {
    const std::size_t size = GetParam();
    for (const Bytes& data : {RandomBytes(size, 7), TextLike(size, 3), Bytes(size, 0), Bytes(size, ' ')}) {
        Bytes c = Compress(data);
        EXPECT_EQ(ExpandOrDie(c), data) << "size " << size;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, SzddRoundTrip,
                         ::testing::Values(0, 1, 2, 3, 15, 16, 17, 18, 19, 4079, 4080, 4096, 4097,
                                           8192 + 5, 70000, 200000));

TEST(SzddCompress, ShrinksRepetitiveDataToAFractionOfItsSize) {
    Bytes zeros(65536, 0);
    EXPECT_LT(Compress(zeros).size(), 65536u / 8);
    Bytes text = TextLike(65536, 5);
    EXPECT_LT(Compress(text).size(), 65536u / 2);
}

TEST(SzddCompress, CostsNoMoreThanOneFlagBitPerByteOnRandomData) {
    Bytes data = RandomBytes(80000, 11);
    EXPECT_LE(Compress(data).size(), 14 + 80000 + 80000 / 8 + 1);
}

TEST(SzddCompress, UsesTheBlankFilledWindowForLeadingBlanks) {
    Bytes blanks(18, ' ');
    // 18 blanks are one reference into the initial window: one flag byte and two bytes.
    EXPECT_EQ(Compress(blanks).size(), 14u + 1 + 2);
    EXPECT_EQ(ExpandOrDie(Compress(blanks)), blanks);
}

// ---- The expander on hand-made streams ------------------------------------------

TEST(SzddExpand, CopiesAReferenceToBytesJustWritten) {
    // Literals a b c at window positions 4080..4082, then 4080 length 3.
    Bytes stream = Cat(Header(6), {0x07, 'a', 'b', 'c', 0xF0, 0xF0});
    EXPECT_EQ(ExpandOrDie(stream), Bytes({'a', 'b', 'c', 'a', 'b', 'c'}));
}

TEST(SzddExpand, RepeatsAByteWithAnOverlappingReference) {
    Bytes stream = Cat(Header(6), {0x01, 'x', 0xF0, 0xF2});
    EXPECT_EQ(ExpandOrDie(stream), Bytes(6, 'x'));
}

TEST(SzddExpand, ReadsTheInitialWindowAsBlanks) {
    // Position 0, length 18: all blanks.
    Bytes stream = Cat(Header(18), {0x00, 0x00, 0x0F});
    EXPECT_EQ(ExpandOrDie(stream), Bytes(18, ' '));
}

TEST(SzddExpand, NeverWritesPastTheHeaderLength) {
    // The reference would give 18 bytes; the header asks for 5.
    Bytes stream = Cat(Header(5), {0x00, 0x00, 0x0F});
    EXPECT_EQ(ExpandOrDie(stream), Bytes(5, ' '));
}

TEST(SzddExpand, RefusesATruncatedFile) {
    Bytes data = TextLike(5000, 2);
    Bytes c = Compress(data);
    for (std::size_t cut : {c.size() - 1, c.size() / 2, std::size_t{15}, std::size_t{14}, std::size_t{13}}) {
        Bytes out{1, 2, 3};
        EXPECT_FALSE(szdd::Expand(c.data(), cut, out)) << "cut at " << cut;
        EXPECT_TRUE(out.empty());
    }
}

TEST(SzddExpand, RefusesAReferenceCutInHalf) {
    Bytes stream = Cat(Header(6), {0x01, 'x', 0xF0});
    Bytes out;
    EXPECT_FALSE(szdd::Expand(stream.data(), stream.size(), out));
}

TEST(SzddExpand, RefusesAWrongSignatureOrMode) {
    Bytes c = Compress(TextLike(100, 1));
    Bytes bad = c;
    bad[4] = 0x89;
    Bytes out;
    EXPECT_FALSE(szdd::Expand(bad.data(), bad.size(), out));
    EXPECT_FALSE(szdd::IsSzdd(bad.data(), bad.size()));
    bad = c;
    bad[8] = 'B';
    EXPECT_FALSE(szdd::Expand(bad.data(), bad.size(), out));
}

TEST(SzddExpand, RefusesAHeaderLengthThatTheDataCannotReach) {
    Bytes stream = Cat(Header(0xFFFFFFF0u), {0x00, 0x00, 0x0F});
    Bytes out;
    EXPECT_FALSE(szdd::Expand(stream.data(), stream.size(), out));
    EXPECT_TRUE(out.empty());
}

TEST(SzddExpand, SurvivesGarbageWithoutReadingPastTheInput) {
    std::mt19937 rng(99);
    for (int round = 0; round < 300; ++round) {
        Bytes body = RandomBytes(rng() % 200, static_cast<unsigned>(round));
        Bytes stream = Cat(Header(rng() % 3000), body);
        Bytes out;
        if (szdd::Expand(stream.data(), stream.size(), out)) {
            EXPECT_EQ(out.size(), static_cast<std::size_t>(stream[10] | stream[11] << 8 |
                                                           stream[12] << 16 | stream[13] << 24));
        }
    }
}

TEST(SzddExpand, SurvivesDamagedCompressedFilesAndKeepsToTheHeaderLength) {
    const Bytes good = Compress(TextLike(20000, 4));
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        Bytes bad = good;
        for (int flips = 0; flips < 4; ++flips) bad[14 + rng() % (bad.size() - 14)] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
        bad.resize(bad.size() - rng() % 40);
        Bytes out;
        if (szdd::Expand(bad.data(), bad.size(), out)) {
            EXPECT_EQ(out.size(), 20000u);
        } else {
            EXPECT_TRUE(out.empty());
        }
    }
}

TEST(SzddIsSzdd, IsFalseForShortOrPlainData) {
    const std::uint8_t plain[] = "MZ plain program";
    EXPECT_FALSE(szdd::IsSzdd(plain, sizeof plain));
    const std::uint8_t shortSig[] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27};
    EXPECT_FALSE(szdd::IsSzdd(shortSig, sizeof shortSig));
}

// ---- Against Debian's mscompress and msexpand ----------------------------------

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/szdd-test-XXXXXX";
        path_ = mkdtemp(pattern) ? pattern : "";
    }
    ~TempDir() {
        if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void WriteAll(const std::string& path, const Bytes& data) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

Bytes ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool HaveTool(const char* path) { return access(path, X_OK) == 0; }

std::vector<Bytes> CrossCheckInputs() {
    return {TextLike(16, 1),        TextLike(17, 2),       RandomBytes(100, 3), TextLike(4096, 4),
            TextLike(70000, 5),     RandomBytes(30000, 6), Bytes(20000, 0),     Bytes(5000, ' '),
            Cat(Bytes(300, ' '), TextLike(9000, 7))};
}

TEST(SzddCrossCheck, MsexpandExpandsWhatTheCompressorWrites) {
    if (!HaveTool("/usr/bin/msexpand")) GTEST_SKIP() << "msexpand is not installed";
    TempDir dir;
    for (const Bytes& data : CrossCheckInputs()) {
        WriteAll(dir.File("in.bi_"), Compress(data, 'n'));
        ASSERT_EQ(std::system(("/usr/bin/msexpand < '" + dir.File("in.bi_") + "' > '" +
                               dir.File("out.bin") + "' 2>/dev/null").c_str()), 0);
        EXPECT_EQ(ReadAll(dir.File("out.bin")), data) << "size " << data.size();
    }
}

TEST(SzddCrossCheck, ExpanderExpandsWhatMscompressWrites) {
    if (!HaveTool("/usr/bin/mscompress")) GTEST_SKIP() << "mscompress is not installed";
    TempDir dir;
    for (const Bytes& data : CrossCheckInputs()) {
        WriteAll(dir.File("in.bin"), data);
        ASSERT_EQ(std::system(("/usr/bin/mscompress '" + dir.File("in.bin") + "' 2>/dev/null").c_str()), 0);
        Bytes compressed = ReadAll(dir.File("in.bin_"));
        ASSERT_TRUE(szdd::IsSzdd(compressed.data(), compressed.size()));
        EXPECT_EQ(ExpandOrDie(compressed), data) << "size " << data.size();
        std::remove(dir.File("in.bin_").c_str());
    }
}

TEST(SzddCrossCheck, CompressorWritesNoMoreThanMscompress) {
    if (!HaveTool("/usr/bin/mscompress")) GTEST_SKIP() << "mscompress is not installed";
    TempDir dir;
    for (const Bytes& data : {TextLike(70000, 5), Cat(RandomBytes(2000, 1), TextLike(40000, 8))}) {
        WriteAll(dir.File("in.bin"), data);
        ASSERT_EQ(std::system(("/usr/bin/mscompress '" + dir.File("in.bin") + "' 2>/dev/null").c_str()), 0);
        const std::size_t theirs = ReadAll(dir.File("in.bin_")).size();
        EXPECT_LE(Compress(data).size(), theirs);
        std::remove(dir.File("in.bin_").c_str());
    }
}

}  // namespace
