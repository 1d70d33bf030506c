// Expanding the program's packed code. setup.exe is stored with its code and
// constant data compressed (tools/stubpack writes it); a few dozen bytes of
// start-up code, kept as they are, expand them into place before the program
// runs. This header is that expansion, shared with the host build so the
// tests can check it against the packer.
//
// The stream is a sequence of tokens, told apart by flag bits that are read
// from flag bytes standing among the data bytes, most significant bit first
// (a flag byte is read when the previous one is used up):
//   0        a literal: the next data byte is copied;
//   1 0 g b  a match at a new distance: (g - 2) * 256 + b + 1 bytes back,
//            then its length as a number g (below);
//   1 1 g    a match of length g at the distance of the last match.
// A number g >= 2 is written with its bits after the leading one, each
// followed by 1 if more follow and 0 after the last. The expansion ends when
// `size` bytes are out. Then every E8 byte (a relative call) is followed by a
// target the packer made absolute; it becomes relative again.
#pragma once

#include <cstdint>

namespace unpack {

struct FlagReader {
    const std::uint8_t* in;
    unsigned flags;
    unsigned left;

    __attribute__((always_inline)) inline unsigned Bit() {
        if (left == 0) {
            flags = *in++;
            left = 8;
        }
        --left;
        unsigned bit = flags >> 7 & 1;
        flags <<= 1;
        return bit;
    }
    __attribute__((always_inline)) inline unsigned Number() {
        unsigned value = 1;
        do value = value * 2 + Bit();
        while (Bit());
        return value;
    }
};

// Expands `in` into the `size` bytes at `out`. The input is the packer's
// own output for exactly that size; it is not checked.
__attribute__((always_inline)) inline void Expand(const std::uint8_t* in, std::uint8_t* out,
                                                  std::uint32_t size) {
    FlagReader reader{in, 0, 0};
    std::uint8_t* end = out + size;
    std::uint8_t* o = out;
    std::uint32_t distance = 0;
    while (o < end) {
        if (!reader.Bit()) {
            *o++ = *reader.in++;
            continue;
        }
        // A new distance's number comes first, then its low byte; one place
        // reads both numbers, which keeps the start-up code short.
        bool newDistance = !reader.Bit();
        std::uint32_t length;
        for (;;) {
            length = reader.Number();
            if (!newDistance) break;
            newDistance = false;
            distance = ((length - 2) << 8 | *reader.in++) + 1;
        }
        const std::uint8_t* from = o - distance;
        while (length--) *o++ = *from++;
    }
    for (std::uint8_t* p = out; p + 5 <= end; ++p) {
        if (*p != 0xE8) continue;
        std::uint32_t target = static_cast<std::uint32_t>(p[1]) | static_cast<std::uint32_t>(p[2]) << 8 |
                               static_cast<std::uint32_t>(p[3]) << 16 |
                               static_cast<std::uint32_t>(p[4]) << 24;
        std::uint32_t relative = target - static_cast<std::uint32_t>(p + 5 - out);
        p[1] = static_cast<std::uint8_t>(relative);
        p[2] = static_cast<std::uint8_t>(relative >> 8);
        p[3] = static_cast<std::uint8_t>(relative >> 16);
        p[4] = static_cast<std::uint8_t>(relative >> 24);
        p += 4;
    }
}

}  // namespace unpack
