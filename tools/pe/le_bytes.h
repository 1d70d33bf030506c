// Little-endian fields of a byte buffer, as PE files hold them. The caller
// has checked that the field lies inside the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pe {

inline std::uint16_t Get16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

inline std::uint32_t Get32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

inline void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t x) {
    b[at] = static_cast<std::uint8_t>(x);
    b[at + 1] = static_cast<std::uint8_t>(x >> 8);
}

inline void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t x) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(x >> (8 * i));
}

}  // namespace pe
