#include "plain_info.h"

#include <cstring>

#include "package/records.h"

namespace fuzz {

namespace {

std::uint32_t WordAt(const std::uint8_t* p) {
    std::uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// Adds (or subtracts) i mod 256 to byte i of the block.
void Shift(std::uint8_t* block, std::size_t size, bool add) {
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t k = static_cast<std::uint8_t>(i & 0xFF);
        block[i] = static_cast<std::uint8_t>(add ? block[i] + k : block[i] - k);
    }
}

// The table counts, read from a plain header.
struct Table {
    std::size_t countOffset;
    std::uint32_t recordSize;
};
constexpr Table Tables[] = {
    {offsetof(InstallHeader, FileCount), FileRecordSize},
    {offsetof(InstallHeader, DirCount), DirRecordSize},
    {offsetof(InstallHeader, GroupCount), GroupRecordSize},
    {offsetof(InstallHeader, ItemCount), ItemRecordSize},
    {offsetof(InstallHeader, RegKeyCount), RegKeyRecordSize},
    {offsetof(InstallHeader, RegValueCount), RegValueRecordSize},
};

// `plainHeader` holds the counts; the header itself is done first when
// scrambling and was done first when unscrambling, so both directions read
// the counts from plain bytes.
void ShiftTables(std::uint8_t* info, std::size_t size, const std::uint8_t* plainHeader, bool add) {
    std::size_t at = HeaderRecordSize;
    for (const Table& t : Tables) {
        if (at >= size) return;
        const std::uint64_t length =
            static_cast<std::uint64_t>(WordAt(plainHeader + t.countOffset)) * t.recordSize;
        const std::size_t done = length < size - at ? static_cast<std::size_t>(length) : size - at;
        Shift(info + at, done, add);
        at += done;
    }
}

}  // namespace

void ScrambleInfo(std::uint8_t* info, std::size_t size) {
    if (size < HeaderRecordSize) {
        if (size > 8) Shift(info + 8, size - 8, true);
        return;
    }
    std::uint8_t plainHeader[HeaderRecordSize];
    std::memcpy(plainHeader, info, HeaderRecordSize);
    Shift(info + 8, HeaderRecordSize - 8, true);
    ShiftTables(info, size, plainHeader, true);
}

void UnscrambleInfo(std::uint8_t* info, std::size_t size) {
    if (size < HeaderRecordSize) {
        if (size > 8) Shift(info + 8, size - 8, false);
        return;
    }
    Shift(info + 8, HeaderRecordSize - 8, false);
    ShiftTables(info, size, info, false);
}

Bytes PackageFromPlainInfo(const std::uint8_t* plain, std::size_t size) {
    static const char stubText[] = "MZ fuzz stub: the installation information follows.";
    Bytes package(stubText, stubText + sizeof stubText);
    package.resize(256, 0);
    const std::size_t at = package.size();
    package.insert(package.end(), plain, plain + size);
    if (package.size() < at + 8) package.resize(at + 8, 0);
    std::memcpy(package.data() + at, &MarkerWord, 4);
    std::memcpy(package.data() + at + 4, &MarkerWord, 4);
    ScrambleInfo(package.data() + at, package.size() - at);
    return package;
}

Bytes PlainInfoOfPackage(const Bytes& package, std::size_t infoOffset) {
    if (infoOffset >= package.size()) return Bytes();
    Bytes plain(package.begin() + static_cast<std::ptrdiff_t>(infoOffset), package.end());
    UnscrambleInfo(plain.data(), plain.size());
    return plain;
}

}  // namespace fuzz
