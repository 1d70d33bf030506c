// The checksum trailer after a package's file data: the tag "iNStCRC1", the
// CRC-32 of every byte before the trailer, and the trailer's length, 16.
// The PE checksum and the certificate-table entry of the stub's header,
// which signing rewrites, count as zeroes in the CRC, so a signed package
// keeps a valid checksum.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pkgwrite/package_writer.h"

namespace pkg {

constexpr std::size_t TrailerSize = 16;
constexpr char TrailerTag[] = "iNStCRC1";
// The first this many bytes of a package may hold the header fields that
// signing changes.
constexpr std::size_t SignedFieldsWithin = 0x10000;

// The CRC-32 of zip and gzip, continued from `crc` (0 to start).
std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// Zeroes, in the first bytes of a package (`size` of them, at most
// SignedFieldsWithin), the two header fields that signing rewrites.
void ClearSignedFields(std::uint8_t* head, std::size_t size);

// The CRC of the first `end` bytes of `file`, signed fields counted as zero.
std::uint32_t PackageCrc(const Bytes& file, std::size_t end);

Bytes MakeTrailer(std::uint32_t crc);

// Whether a trailer (its tag and length) lies at `end`, where the file data end.
bool HasTrailer(const Bytes& file, std::size_t end);
enum class Checksum { None, Ok, Damaged };
// The state of the trailer expected at `end`, where the file data end.
Checksum CheckTrailer(const Bytes& file, std::size_t end);

}  // namespace pkg
