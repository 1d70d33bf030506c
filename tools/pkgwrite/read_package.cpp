// ReadPackage: reads a package back the way the stub reads it (the same
// marker scan in 8192-byte blocks, the same checks), for the inspector and
// for round-trip tests.
#include <algorithm>
#include <cstring>

#include "pkgwrite/checksum.h"
#include "pkgwrite/package_writer.h"

namespace pkg {

namespace {

constexpr std::size_t ScanBlock = 8192;

std::uint32_t WordAt(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void Unscramble(std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(data[i] - (i & 0xFF));
}

// The stub finds a marker only with all eight bytes inside one block.
bool FindMarker(const Bytes& file, std::size_t& offset) {
    for (std::size_t block = 0; block < file.size(); block += ScanBlock) {
        const std::size_t end = std::min(file.size(), block + ScanBlock);
        for (std::size_t p = block; p + 8 <= end; ++p) {
            if (WordAt(&file[p]) == MarkerWord && WordAt(&file[p + 4]) == MarkerWord) {
                offset = p;
                return true;
            }
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
    Unscramble(block.data(), block.size());
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
    Unscramble(header.data() + 8, header.size() - 8);
    std::memcpy(&out.header, header.data(), sizeof(InstallHeader));
    const InstallHeader& h = out.header;
    if (h.HeaderSize != HeaderRecordSize) {
        error = "Error 1 in installation info. (header size)";
        return false;
    }
    std::size_t position = infoOffset + sizeof(InstallHeader);
    if (!ReadTable(file, position, h.FileCount, FileRecordSize, 2, "file", out.files, error)) return false;
    if (h.IniStringCount != 0 && (h.IniOptions & 6) != 0) {
        error = "Ini-strings are not enabled in the installer.";
        return false;
    }
    if (!ReadTable(file, position, h.DirCount, DirRecordSize, 4, "directory", out.dirs, error) ||
        !ReadTable(file, position, h.GroupCount, GroupRecordSize, 5, "group", out.groups, error) ||
        !ReadTable(file, position, h.ItemCount, ItemRecordSize, 6, "item", out.items, error) ||
        !ReadTable(file, position, h.RegKeyCount, RegKeyRecordSize, 8, "registry key", out.regKeys, error) ||
        !ReadTable(file, position, h.RegValueCount, RegValueRecordSize, 9, "registry value",
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
