// Writes packages: stub, marker, scrambled header and tables, file data.
// Every field can be set by hand, so tests can make damaged packages on
// purpose; the counts and record sizes are filled in unless told otherwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "package/records.h"

namespace pkg {

using Bytes = std::vector<std::uint8_t>;

struct PackageContents {
    Bytes stub;             // everything before the marker
    InstallHeader header{};  // Marker and HeaderSize are filled in unless keepHeaderSize
    std::vector<FileRecord> files;
    std::vector<Bytes> fileData;  // stored bytes per file record, in table order
    std::vector<DirRecord> dirs;
    std::vector<GroupRecord> groups;
    std::vector<ItemRecord> items;
    std::vector<RegKeyRecord> regKeys;
    std::vector<RegValueRecord> regValues;
    bool keepCounts = false;       // write header counts as given
    bool keepRecordSizes = false;  // write RecordSize fields as given
    bool keepStoredSizes = false;  // keep FileRecord.StoredSize as given
    bool keepHeaderSize = false;
    bool keepMarker = false;       // write header.Marker as given
    bool checksum = true;          // the checksum trailer right after the file data
    Bytes trailing;                // bytes after that (none normally)
};

// The complete package file.
Bytes WritePackage(const PackageContents& contents);
// The contents as WritePackage writes them: counts, record sizes, stored
// sizes, marker and header size filled in unless kept.
PackageContents Completed(const PackageContents& contents);
// Where the installation information starts in the written package.
std::size_t InfoOffsetOf(const PackageContents& contents);
// stored byte i = plain byte i + (i mod 256)
void Scramble(std::uint8_t* data, std::size_t size);

// Records with their sizes set and every other field zero.
InstallHeader NewHeader();
FileRecord NewFileRecord();
DirRecord NewDirRecord();
GroupRecord NewGroupRecord();
ItemRecord NewItemRecord();
RegKeyRecord NewRegKeyRecord();
RegValueRecord NewRegValueRecord();

// Copies a text into a fixed array; false (and nothing copied) when it does
// not fit with its NUL.
template <std::size_t N>
bool SetText(char (&field)[N], const std::string& text) {
    if (text.size() + 1 > N) return false;
    for (std::size_t i = 0; i < N; ++i) field[i] = i < text.size() ? text[i] : '\0';
    return true;
}

// Reads a package back (for the inspector and round-trip tests). False with
// a reason when the package is not one the stub would read. A checksum
// trailer is taken off `trailing` and noted in `checksum`, whether it
// matches or not (CheckTrailer tells).
// withoutData: the file is an uninstaller, which ends after the information.
bool ReadPackage(const Bytes& file, PackageContents& out, std::size_t& infoOffset,
                 std::string& error, bool withoutData = false);

}  // namespace pkg
