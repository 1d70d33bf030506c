// The PE version reader and maker: a made DLL reads back its version, and
// damaged or foreign bytes are refused without reading outside the buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "pe/pe_version.h"

namespace {

bool Read(const std::vector<std::uint8_t>& bytes, std::uint32_t& ms, std::uint32_t& ls) {
    // A copy of exactly the right size, so that a read past the end is a
    // fault the sanitizer build reports.
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[bytes.size() ? bytes.size() : 1]);
    if (!bytes.empty()) std::memcpy(exact.get(), bytes.data(), bytes.size());
    return pe::ReadFileVersion(exact.get(), bytes.size(), ms, ls);
}

std::uint32_t Get32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    ASSERT_LE(at + 4, b.size());
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                   static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    std::memcpy(b.data() + at, bytes, sizeof bytes);
}

}  // namespace

TEST(PeVersion, AMadeDllReadsBackItsVersion) {
    std::vector<std::uint8_t> dll = pe::MakeDllWithVersion(1, 2, 3, 4);
    std::uint32_t ms = 0, ls = 0;
    ASSERT_TRUE(Read(dll, ms, ls));
    EXPECT_EQ(ms, 0x00010002u);
    EXPECT_EQ(ls, 0x00030004u);
    ASSERT_TRUE(Read(pe::MakeDllWithVersion(65535, 0, 65535, 1), ms, ls));
    EXPECT_EQ(ms, 0xFFFF0000u);
    EXPECT_EQ(ls, 0xFFFF0001u);
}

TEST(PeVersion, AMadeDllIsAPe32DllImage) {
    std::vector<std::uint8_t> dll = pe::MakeDllWithVersion(1, 0, 0, 0);
    ASSERT_GE(dll.size(), 0x400u);
    EXPECT_EQ(dll[0], 'M');
    EXPECT_EQ(dll[1], 'Z');
    std::uint32_t pe = Get32(dll, 0x3C);
    EXPECT_EQ(Get32(dll, pe), 0x00004550u);
    EXPECT_EQ(dll[pe + 4] | dll[pe + 5] << 8, 0x014C);           // i386
    EXPECT_TRUE((dll[pe + 22] | dll[pe + 23] << 8) & 0x2000);     // a DLL
    EXPECT_EQ(dll[pe + 24] | dll[pe + 25] << 8, 0x10B);          // PE32
    EXPECT_EQ(dll.size() % 0x200, 0u);
}

TEST(PeVersion, NoPeFileHasNoVersion) {
    std::uint32_t ms = 0, ls = 0;
    EXPECT_FALSE(Read({}, ms, ls));
    EXPECT_FALSE(Read({'M', 'Z'}, ms, ls));
    std::vector<std::uint8_t> text(2000, 'x');
    EXPECT_FALSE(Read(text, ms, ls));
    EXPECT_FALSE(pe::ReadFileVersion(nullptr, 100, ms, ls));
}

TEST(PeVersion, EveryTruncationIsRefusedWithoutReadingPastTheEnd) {
    std::vector<std::uint8_t> dll = pe::MakeDllWithVersion(5, 6, 7, 8);
    std::uint32_t ms = 0, ls = 0;
    // The version structure ends at 0x200 + 0x58 + 92; anything shorter lacks it.
    const std::size_t needed = 0x200 + 0x58 + 92;
    for (std::size_t n = 0; n < dll.size(); ++n) {
        std::vector<std::uint8_t> cut(dll.begin(), dll.begin() + static_cast<long>(n));
        bool ok = Read(cut, ms, ls);
        EXPECT_EQ(ok, n >= needed) << "length " << n;
    }
}

TEST(PeVersion, OffsetsPointingOutsideTheFileAreRefused) {
    std::uint32_t ms = 0, ls = 0;
    std::vector<std::uint8_t> dll = pe::MakeDllWithVersion(1, 0, 0, 0);
    std::vector<std::uint8_t> badPe = dll;
    Put32(badPe, 0x3C, 0xFFFFFFF0u);
    EXPECT_FALSE(Read(badPe, ms, ls));
    std::vector<std::uint8_t> badData = dll;
    Put32(badData, 0x200 + 0x48, 0x7FFFFFF0u);  // data RVA of the version
    EXPECT_FALSE(Read(badData, ms, ls));
    std::vector<std::uint8_t> badSize = dll;
    Put32(badSize, 0x200 + 0x48 + 4, 0xFFFFFFFFu);
    EXPECT_FALSE(Read(badSize, ms, ls));
    std::vector<std::uint8_t> badCount = dll;
    badCount[0x200 + 14] = 0xFF;
    badCount[0x200 + 15] = 0xFF;
    EXPECT_TRUE(Read(badCount, ms, ls));  // the version entry comes first and is found
    std::vector<std::uint8_t> badSignature = dll;
    Put32(badSignature, 0x200 + 0x58 + 40, 0);
    EXPECT_FALSE(Read(badSignature, ms, ls));
}

TEST(PeVersion, RandomDamageNeverReadsOutsideTheBuffer) {
    std::vector<std::uint8_t> dll = pe::MakeDllWithVersion(3, 1, 4, 1);
    std::mt19937 random(12345);
    std::uint32_t ms = 0, ls = 0;
    int stillRead = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> damaged = dll;
        for (int k = 0; k < 4; ++k) {
            std::size_t at = random() % 0x300;
            damaged[at] = static_cast<std::uint8_t>(random());
        }
        if (Read(damaged, ms, ls)) ++stillRead;
    }
    // Damage outside the structures that matter leaves the version readable.
    EXPECT_GT(stillRead, 0);
}
