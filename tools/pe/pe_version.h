// The file version in a Windows executable's version resource
// (VS_FIXEDFILEINFO dwFileVersionMS/LS), read from the file's bytes, and
// minimal PE files carrying one, for tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pe {

// False when the bytes are no PE file or hold no version resource.
bool ReadFileVersion(const std::uint8_t* data, std::size_t size, std::uint32_t& versionMS,
                     std::uint32_t& versionLS);

// A small valid PE32 DLL image whose version resource holds this version.
std::vector<std::uint8_t> MakeDllWithVersion(std::uint16_t a, std::uint16_t b, std::uint16_t c,
                                             std::uint16_t d);

}  // namespace pe
