// The run fuzzer works on the installation information in its plain form
// (marker, header and tables as the reader holds them after unscrambling,
// then the stored file data), so that mutations land on fields rather than
// on scrambled bytes. These helpers turn one form into the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzz {

using Bytes = std::vector<std::uint8_t>;

// Scrambles (or unscrambles) the header and the six tables of the
// information that starts at `info`, in place. The tables are found from the
// counts of the plain header; a table that runs past the end is treated up
// to the end, and what follows the tables (the file data) is left alone.
void ScrambleInfo(std::uint8_t* info, std::size_t size);
void UnscrambleInfo(std::uint8_t* info, std::size_t size);

// A package: a fixed stub, then the plain information given (the marker
// forced into its first eight bytes) scrambled.
Bytes PackageFromPlainInfo(const std::uint8_t* plain, std::size_t size);

// The plain information of a built package whose marker is at `infoOffset`.
Bytes PlainInfoOfPackage(const Bytes& package, std::size_t infoOffset);

}  // namespace fuzz
