// CheckPackageSum: a package whose bytes changed after it was written (a
// damaged download, a bad copy) is refused before anything is written.
//
// The builder writes a 16-byte trailer right after the file data, at
// InfoOffset + InfoSize + every StoredSize, so that a signature appended
// later does not move it: the tag "iNStCRC1", the CRC-32 of every byte
// before the trailer, and the trailer's length (16). The two fields of the
// stub's PE header that signing changes, the checksum and the certificate
// table's directory entry, count as zeroes. A package without the trailer
// is installed as it is.
#include <cstring>

#include "package/package.h"
#include "log/log.h"
#include "text/boxes.h"
#include "text/messages.h"

namespace {

constexpr long SumBlock = 0x10000;
constexpr long TrailerSize = 16;
constexpr std::uint32_t TagLow = 0x74534E69;   // "iNSt"
constexpr std::uint32_t TagHigh = 0x31435243;  // "CRC1"

std::uint32_t WordAt(const unsigned char* p) {
    std::uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

}  // namespace

// The length check has kept `end` within the file and so within the 31-bit
// offsets of _llseek.
bool CheckPackageSum(Run& run, long end) {
    const long data = static_cast<long>(run.InfoOffset + run.InfoSize);
    std::uint32_t trailer[4];
    bool sound = true;
    if (run.os.LSeek(run.Package, end, os::SEEK_FROM_BEGIN) == end &&
        run.os.HRead(run.Package, trailer, TrailerSize) == TrailerSize && trailer[0] == TagLow &&
        trailer[1] == TagHigh && trailer[3] == TrailerSize) {
        // The byte table, then the read block.
        std::uint32_t* table = static_cast<std::uint32_t*>(run.os.Alloc(1024 + SumBlock));
        if (table == nullptr) {
            ShowError(run, 0, MessageId::OutOfMemory);
            return false;
        }
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
            table[i] = c;
        }
        unsigned char* block = reinterpret_cast<unsigned char*>(table + 256);
        std::uint32_t crc = 0xFFFFFFFFu;
        sound = run.os.LSeek(run.Package, 0, os::SEEK_FROM_BEGIN) == 0;
        for (long done = 0; sound && done < end;) {
            const long want = end - done < SumBlock ? end - done : SumBlock;
            sound = run.os.HRead(run.Package, block, want) == want;
            // The first read holds at least the header's 3772 bytes.
            if (done == 0) {
                // Signing rewrites the PE checksum and the certificate entry.
                const std::uint32_t pe = WordAt(block + 60);
                if (pe <= static_cast<std::uint32_t>(want - 160) && WordAt(block + pe) == 0x4550) {
                    std::memset(block + pe + 88, 0, 4);
                    std::memset(block + pe + 152, 0, 8);
                }
            }
            for (long i = 0; i < want; ++i) crc = table[(crc ^ block[i]) & 0xFF] ^ (crc >> 8);
            done += want;
        }
        run.os.Free(table);
        sound = sound && ~crc == trailer[2];
    }
    // Back to the file data, where the install engine reads on.
    if (run.os.LSeek(run.Package, data, os::SEEK_FROM_BEGIN) != data) sound = false;
    if (!sound) ShowError(run, 0, MessageId::PackageDamaged);
    return sound;
}
