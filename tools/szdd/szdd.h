// The SZDD format of the platform's expander (LZOpenFile/LZCopy): the
// project's own compressor and expander, shared by the package builder, the
// inspector and the simulated Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace szdd {

// The 14-byte header: "SZDD" 0x88 0xF0 0x27 0x33, mode 'A', the missing last
// character of the name, the expanded length (32-bit little-endian).
constexpr std::size_t HeaderSize = 14;

// Compresses `size` bytes into a complete SZDD file. `missingChar` is the
// name's last character that the "_" form replaced (0 when unknown).
std::vector<std::uint8_t> Compress(const std::uint8_t* data, std::size_t size,
                                   char missingChar = 0);

// Expands a complete SZDD file. False on a damaged or truncated input (the
// header's length is checked against what the data expand to).
bool Expand(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out);

// Expands as the platform's expander does: every item the data hold, up to
// the end of the input, whatever length the header gives; a file cut short
// gives what its items expand to. False only for a header that is not SZDD
// mode 'A'.
bool ExpandToTheEnd(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out);

// True when the data begin with the SZDD signature.
bool IsSzdd(const std::uint8_t* data, std::size_t size);

}  // namespace szdd
