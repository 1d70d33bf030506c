// The SZDD expander: the header, then groups of eight items behind a flag
// byte (lowest bit first; a set bit is a literal byte, a clear bit a
// two-byte reference into the 4096-byte window).
#include <cstring>

#include "szdd/szdd.h"
#include "szdd/szdd_format.h"

namespace szdd {

bool IsSzdd(const std::uint8_t* data, std::size_t size) {
    return size >= sizeof Signature && std::memcmp(data, Signature, sizeof Signature) == 0;
}

namespace {

// Expands the items from `in` to `inEnd` into `o`, at most `limit` bytes;
// returns how many were written. Stops where the input ends, also in the
// middle of an item.
std::size_t Decode(const std::uint8_t* in, const std::uint8_t* const inEnd, std::uint8_t* o,
                   std::size_t limit) {
    std::size_t written = 0;
    while (written < limit) {
        if (in == inEnd) break;
        unsigned flags = *in++;
        for (int bit = 0; bit < 8 && written < limit; ++bit, flags >>= 1) {
            if (flags & 1) {
                if (in == inEnd) break;
                o[written++] = *in++;
                continue;
            }
            if (inEnd - in < 2) {
                in = inEnd;
                break;
            }
            const std::size_t position = in[0] | static_cast<std::size_t>(in[1] & 0xF0) << 4;
            std::size_t count = static_cast<std::size_t>(in[1] & 0x0F) + MinMatch;
            in += 2;
            // The window position as a distance back from the write position;
            // the write position itself is the byte written 4096 bytes ago.
            const std::size_t writePosition = (FirstWritePosition + written) & WindowMask;
            std::size_t distance = (writePosition - position) & WindowMask;
            if (distance == 0) distance = WindowSize;
            if (count > limit - written) count = limit - written;
            if (distance <= written && distance >= count) {
                std::memcpy(o + written, o + written - distance, count);
                written += count;
                continue;
            }
            for (std::size_t k = 0; k < count; ++k, ++written)
                o[written] = distance > written ? WindowFill : o[written - distance];
        }
    }
    return written;
}

bool HeaderIsGood(const std::uint8_t* data, std::size_t size) {
    return size >= HeaderSize && IsSzdd(data, size) && data[8] == ModeA;
}

}  // namespace

bool Expand(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out) {
    out.clear();
    if (!HeaderIsGood(data, size)) return false;
    const std::size_t length = static_cast<std::size_t>(data[10]) | static_cast<std::size_t>(data[11]) << 8 |
                               static_cast<std::size_t>(data[12]) << 16 |
                               static_cast<std::size_t>(data[13]) << 24;
    // Nine bytes of input (a flag byte and eight references) give at most
    // 144 bytes; a header asking for more than that can only be damaged.
    const std::size_t body = size - HeaderSize;
    if (length / 144 > body / 9 + 1) return false;
    out.resize(length);
    if (Decode(data + HeaderSize, data + size, out.data(), length) != length) {
        out.clear();
        return false;
    }
    return true;
}

bool ExpandToTheEnd(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out) {
    out.clear();
    if (!HeaderIsGood(data, size)) return false;
    // A byte of input gives at most nine bytes (a reference of two bytes 18).
    const std::size_t body = size - HeaderSize;
    out.resize(body * 9 + 1);
    out.resize(Decode(data + HeaderSize, data + size, out.data(), out.size()));
    return true;
}

}  // namespace szdd
