// The constants of the SZDD format shared by the compressor and the expander.
#pragma once

#include <cstddef>
#include <cstdint>

namespace szdd {

constexpr std::uint8_t Signature[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr std::uint8_t ModeA = 'A';

// A 4096-byte window, filled with blanks at the start; the first byte is
// written at position 4096 - 16.
constexpr std::size_t WindowSize = 4096;
constexpr std::size_t WindowMask = WindowSize - 1;
constexpr std::size_t FirstWritePosition = WindowSize - 16;
constexpr std::uint8_t WindowFill = 0x20;

constexpr std::size_t MinMatch = 3;
constexpr std::size_t MaxMatch = 18;

}  // namespace szdd
