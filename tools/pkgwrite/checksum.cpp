// The CRC-32 (eight bytes per step, from eight tables) and the checksum
// trailer.
#include "pkgwrite/checksum.h"

#include <algorithm>
#include <cstring>

namespace pkg {

namespace {

struct Tables {
    std::uint32_t t[8][256];
    Tables() {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
            t[0][i] = c;
        }
        for (std::uint32_t i = 0; i < 256; ++i)
            for (int k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    }
};

const Tables& CrcTables() {
    static const Tables tables;
    return tables;
}

std::uint32_t WordAt(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
    const auto& t = CrcTables().t;
    crc = ~crc;
    while (size >= 8) {
        const std::uint32_t a = WordAt(data) ^ crc;
        const std::uint32_t b = WordAt(data + 4);
        crc = t[7][a & 0xFF] ^ t[6][(a >> 8) & 0xFF] ^ t[5][(a >> 16) & 0xFF] ^ t[4][a >> 24] ^
              t[3][b & 0xFF] ^ t[2][(b >> 8) & 0xFF] ^ t[1][(b >> 16) & 0xFF] ^ t[0][b >> 24];
        data += 8;
        size -= 8;
    }
    while (size-- > 0) crc = t[0][(crc ^ *data++) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void ClearSignedFields(std::uint8_t* head, std::size_t size) {
    size = std::min(size, SignedFieldsWithin);
    if (size < 160) return;
    const std::uint32_t pe = WordAt(head + 60);
    if (pe > size - 160 || WordAt(head + pe) != 0x4550) return;
    std::memset(head + pe + 88, 0, 4);    // CheckSum
    std::memset(head + pe + 152, 0, 8);   // data directory entry 4, the certificate table
}

std::uint32_t PackageCrc(const Bytes& file, std::size_t end) {
    end = std::min(end, file.size());
    const std::size_t headSize = std::min(end, SignedFieldsWithin);
    Bytes head(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(headSize));
    ClearSignedFields(head.data(), head.size());
    const std::uint32_t crc = Crc32(0, head.data(), head.size());
    return Crc32(crc, file.data() + headSize, end - headSize);
}

Bytes MakeTrailer(std::uint32_t crc) {
    Bytes out(TrailerTag, TrailerTag + 8);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
    const std::uint32_t size = TrailerSize;
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
    return out;
}

bool HasTrailer(const Bytes& file, std::size_t end) {
    if (end > file.size() || file.size() - end < TrailerSize) return false;
    const std::uint8_t* t = file.data() + end;
    return std::memcmp(t, TrailerTag, 8) == 0 && WordAt(t + 12) == TrailerSize;
}

Checksum CheckTrailer(const Bytes& file, std::size_t end) {
    if (!HasTrailer(file, end)) return Checksum::None;
    return WordAt(file.data() + end + 8) == PackageCrc(file, end) ? Checksum::Ok : Checksum::Damaged;
}

}  // namespace pkg
