// ReadPackage: reads a package back the way the stub reads it, with the
// stub's own marker scan and unscrambling (src/package) and the same checks,
// for the inspector and for round-trip tests.
#include <algorithm>
#include <cstring>

#include "package/package.h"
#include "pkgwrite/checksum.h"
#include "pkgwrite/package_writer.h"

namespace pkg {

namespace {

std::uint32_t WordAt(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void UnscrambleBytes(Bytes& data) {
    ::Unscramble(data.data(), static_cast<long>(data.size()));
}

// The stub's scan: one block after another, the marker found only with all
// eight bytes inside one block.
bool FindMarker(const Bytes& file, std::size_t& offset) {
    for (std::size_t block = 0; block < file.size(); block += InfoScanBlock) {
        const long count = static_cast<long>(std::min<std::size_t>(file.size() - block, InfoScanBlock));
        const long p = FindMarkerInBlock(&file[block], count);
        if (p >= 0) {
            offset = block + static_cast<std::size_t>(p);
            return true;
        }
    }
    return false;
}

template <typename Record>
bool ReadTable(const Bytes& file, std::size_t& position, std::uint32_t count, std::uint32_t size,
               int errorNumber, const char* name, std::vector<Record>& table, std::string& error) {
    table.clear();
    if (count == 0) return true;
    const std::uint64_t bytes = static_cast<std::uint64_t>(count) * size;
    if (bytes > file.size() - position) {
        error = std::string("the ") + name + " table runs past the end of the file";
        return false;
    }
    Bytes block(file.begin() + static_cast<std::ptrdiff_t>(position),
                file.begin() + static_cast<std::ptrdiff_t>(position + bytes));
    UnscrambleBytes(block);
    position += static_cast<std::size_t>(bytes);
    if (WordAt(block.data()) != size) {
        error = "Error " + std::to_string(errorNumber) + " in installation info. (" + name +
                " record size)";
        return false;
    }
    table.resize(count);
    std::memcpy(table.data(), block.data(), block.size());
    return true;
}

}  // namespace

bool ReadPackage(const Bytes& file, PackageContents& out, std::size_t& infoOffset,
                 std::string& error, bool withoutData) {
    out = PackageContents{};
    if (!FindMarker(file, infoOffset)) {
        error = "no installation information (marker not found)";
        return false;
    }
    out.stub.assign(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(infoOffset));
    if (file.size() - infoOffset < sizeof(InstallHeader)) {
        error = "the header runs past the end of the file";
        return false;
    }
    Bytes header(file.begin() + static_cast<std::ptrdiff_t>(infoOffset),
                 file.begin() + static_cast<std::ptrdiff_t>(infoOffset + sizeof(InstallHeader)));
    ::Unscramble(header.data() + 8, static_cast<long>(header.size() - 8));
    std::memcpy(&out.header, header.data(), sizeof(InstallHeader));
    const InstallHeader& h = out.header;
    if (h.HeaderSize != HeaderRecordSize) {
        error = "Error " + std::to_string(BadHeaderSize) + " in installation info. (header size)";
        return false;
    }
    std::size_t position = infoOffset + sizeof(InstallHeader);
    if (!ReadTable(file, position, h.FileCount, FileRecordSize, BadFileRecord, "file", out.files, error)) return false;
    if (h.IniStringCount != 0 && (h.IniOptions & 6) != 0) {
        error = "Ini-strings are not enabled in the installer.";
        return false;
    }
    if (!ReadTable(file, position, h.DirCount, DirRecordSize, BadDirRecord, "directory", out.dirs, error) ||
        !ReadTable(file, position, h.GroupCount, GroupRecordSize, BadGroupRecord, "group", out.groups, error) ||
        !ReadTable(file, position, h.ItemCount, ItemRecordSize, BadItemRecord, "item", out.items, error) ||
        !ReadTable(file, position, h.RegKeyCount, RegKeyRecordSize, BadRegKeyRecord, "registry key", out.regKeys, error) ||
        !ReadTable(file, position, h.RegValueCount, RegValueRecordSize, BadRegValueRecord, "registry value",
                   out.regValues, error))
        return false;
    for (std::size_t i = 0; !withoutData && i < out.files.size(); ++i) {
        const std::size_t stored = out.files[i].StoredSize;
        if (stored > file.size() - position) {
            error = "the data of file " + std::to_string(i + 1) + " run past the end of the file";
            return false;
        }
        out.fileData.emplace_back(file.begin() + static_cast<std::ptrdiff_t>(position),
                                  file.begin() + static_cast<std::ptrdiff_t>(position + stored));
        position += stored;
    }
    out.checksum = HasTrailer(file, position);
    if (out.checksum) position += TrailerSize;
    out.trailing.assign(file.begin() + static_cast<std::ptrdiff_t>(position), file.end());
    out.keepCounts = out.keepRecordSizes = out.keepStoredSizes = out.keepHeaderSize = out.keepMarker = true;
    return true;
}

}  // namespace pkg
