// Reading the file version from a PE file's version resource (RT_VERSION,
// VS_FIXEDFILEINFO), and making a minimal PE32 DLL that carries one. The
// reader takes any bytes: every offset and size is checked against the
// buffer before it is used.
#include "pe/pe_version.h"

#include <cstring>

#include "pe/le_bytes.h"

namespace pe {

namespace {

constexpr std::uint32_t RT_VERSION = 16;
constexpr std::uint32_t FixedFileInfoSignature = 0xFEEF04BDu;
constexpr std::size_t FixedFileInfoSize = 52;

// A bounds-checked view of the file's bytes.
class View {
public:
    View(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Has(std::size_t offset, std::size_t count) const {
        return data_ && offset <= size_ && count <= size_ - offset;
    }
    bool U16(std::size_t offset, std::uint16_t& out) const {
        if (!Has(offset, 2)) return false;
        out = static_cast<std::uint16_t>(data_[offset] | data_[offset + 1] << 8);
        return true;
    }
    bool U32(std::size_t offset, std::uint32_t& out) const {
        if (!Has(offset, 4)) return false;
        out = static_cast<std::uint32_t>(data_[offset]) |
              static_cast<std::uint32_t>(data_[offset + 1]) << 8 |
              static_cast<std::uint32_t>(data_[offset + 2]) << 16 |
              static_cast<std::uint32_t>(data_[offset + 3]) << 24;
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

struct Section {
    std::uint32_t virtualAddress;
    std::uint32_t virtualSize;
    std::uint32_t rawSize;
    std::uint32_t rawOffset;
};

// Maps an RVA range to a file offset inside one section's raw data.
bool RvaToOffset(const std::vector<Section>& sections, std::uint32_t rva, std::uint32_t length,
                 std::size_t& offset) {
    for (const Section& s : sections) {
        std::uint64_t start = s.virtualAddress;
        std::uint64_t extent = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
        if (rva < start || rva >= start + extent) continue;
        std::uint64_t delta = rva - start;
        if (delta + length > s.rawSize) return false;  // beyond the data in the file
        offset = static_cast<std::size_t>(s.rawOffset + delta);
        return true;
    }
    return false;
}

// The first entry of a resource directory with the given ID (or any ID when
// `id` is 0): its OffsetToData word.
bool FindEntry(const View& v, std::size_t base, std::size_t dirOffset, std::size_t limit,
               std::uint32_t id, std::uint32_t& target) {
    std::size_t dir = base + dirOffset;
    if (dirOffset > limit || !v.Has(dir, 16)) return false;
    std::uint16_t named = 0, ids = 0;
    v.U16(dir + 12, named);
    v.U16(dir + 14, ids);
    std::size_t count = static_cast<std::size_t>(named) + ids;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t entry = dir + 16 + i * 8;
        std::uint32_t name = 0, data = 0;
        if (!v.U32(entry, name) || !v.U32(entry + 4, data)) return false;
        bool isId = (name & 0x80000000u) == 0;
        if (id == 0 || (isId && name == id)) {
            target = data;
            return true;
        }
    }
    return false;
}

bool ParseVersionInfo(const View& v, std::size_t offset, std::size_t length,
                      std::uint32_t& ms, std::uint32_t& ls) {
    if (!v.Has(offset, length) || length < 6) return false;
    std::uint16_t total = 0, valueLength = 0;
    v.U16(offset, total);
    v.U16(offset + 2, valueLength);
    if (total > length) total = static_cast<std::uint16_t>(length);
    static const char key[] = "VS_VERSION_INFO";
    std::size_t p = offset + 6;
    for (std::size_t i = 0; i <= sizeof key - 1; ++i, p += 2) {
        std::uint16_t ch = 0;
        if (p + 2 > offset + total || !v.U16(p, ch)) return false;
        if (ch != static_cast<std::uint8_t>(key[i])) return false;  // includes the NUL
    }
    // The value starts at the next 32-bit boundary of the structure.
    std::size_t value = offset + ((p - offset + 3) & ~static_cast<std::size_t>(3));
    if (valueLength < FixedFileInfoSize || value + FixedFileInfoSize > offset + total) return false;
    std::uint32_t signature = 0;
    if (!v.U32(value, signature) || signature != FixedFileInfoSignature) return false;
    return v.U32(value + 8, ms) && v.U32(value + 12, ls);
}

}  // namespace

bool ReadFileVersion(const std::uint8_t* data, std::size_t size, std::uint32_t& versionMS,
                     std::uint32_t& versionLS) {
    View v(data, size);
    std::uint16_t mz = 0;
    if (!v.U16(0, mz) || mz != 0x5A4D) return false;
    std::uint32_t peOffset = 0;
    if (!v.U32(0x3C, peOffset)) return false;
    std::uint32_t signature = 0;
    if (!v.U32(peOffset, signature) || signature != 0x00004550u) return false;
    std::size_t coff = static_cast<std::size_t>(peOffset) + 4;
    std::uint16_t sectionCount = 0, optionalSize = 0;
    if (!v.U16(coff + 2, sectionCount) || !v.U16(coff + 16, optionalSize)) return false;
    std::size_t optional = coff + 20;
    std::uint16_t magic = 0;
    if (!v.U16(optional, magic)) return false;
    std::size_t countField, directories;
    if (magic == 0x10B) {
        countField = 92;
        directories = 96;
    } else if (magic == 0x20B) {
        countField = 108;
        directories = 112;
    } else {
        return false;
    }
    std::uint32_t directoryCount = 0;
    if (directories + 3 * 8 > optionalSize || !v.U32(optional + countField, directoryCount) ||
        directoryCount < 3)
        return false;
    std::uint32_t resourceRva = 0, resourceSize = 0;
    if (!v.U32(optional + directories + 16, resourceRva) ||
        !v.U32(optional + directories + 20, resourceSize) || resourceRva == 0 || resourceSize == 0)
        return false;

    std::vector<Section> sections;
    std::size_t table = optional + optionalSize;
    for (std::size_t i = 0; i < sectionCount; ++i) {
        std::size_t s = table + i * 40;
        Section sec{};
        if (!v.U32(s + 8, sec.virtualSize) || !v.U32(s + 12, sec.virtualAddress) ||
            !v.U32(s + 16, sec.rawSize) || !v.U32(s + 20, sec.rawOffset))
            return false;
        if (!v.Has(sec.rawOffset, sec.rawSize)) {
            // A section whose data runs past the file keeps only what is there.
            if (sec.rawOffset > size) continue;
            sec.rawSize = static_cast<std::uint32_t>(size - sec.rawOffset);
        }
        sections.push_back(sec);
    }
    std::size_t base = 0;
    if (!RvaToOffset(sections, resourceRva, 16, base)) return false;
    std::size_t limit = resourceSize;

    // Type, then name, then language: three levels, each a subdirectory but the last.
    std::uint32_t entry = 0;
    if (!FindEntry(v, base, 0, limit, RT_VERSION, entry) || !(entry & 0x80000000u)) return false;
    if (!FindEntry(v, base, entry & 0x7FFFFFFFu, limit, 0, entry) || !(entry & 0x80000000u))
        return false;
    if (!FindEntry(v, base, entry & 0x7FFFFFFFu, limit, 0, entry) || (entry & 0x80000000u))
        return false;
    std::size_t dataEntry = base + entry;
    std::uint32_t dataRva = 0, dataSize = 0;
    if (entry > limit || !v.U32(dataEntry, dataRva) || !v.U32(dataEntry + 4, dataSize)) return false;
    std::size_t dataOffset = 0;
    if (!RvaToOffset(sections, dataRva, dataSize, dataOffset)) return false;
    return ParseVersionInfo(v, dataOffset, dataSize, versionMS, versionLS);
}

std::vector<std::uint8_t> MakeDllWithVersion(std::uint16_t a, std::uint16_t b, std::uint16_t c,
                                             std::uint16_t d) {
    constexpr std::size_t FileAlignment = 0x200;
    constexpr std::uint32_t SectionRva = 0x1000;
    constexpr std::size_t PeOffset = 0x40;
    constexpr std::size_t Optional = PeOffset + 4 + 20;
    constexpr std::size_t SectionTable = Optional + 224;
    constexpr std::size_t VersionAt = 0x58;  // inside the resource section
    constexpr std::size_t VersionSize = 92;
    constexpr std::size_t ResourceSize = VersionAt + VersionSize;
    constexpr std::size_t RawSize = (ResourceSize + FileAlignment - 1) & ~(FileAlignment - 1);

    std::vector<std::uint8_t> f(FileAlignment + RawSize, 0);
    // DOS header: "MZ" and the offset of the PE header.
    f[0] = 'M';
    f[1] = 'Z';
    Put32(f, 0x3C, PeOffset);
    // PE signature and COFF header: i386, one section, a DLL.
    f[PeOffset] = 'P';
    f[PeOffset + 1] = 'E';
    Put16(f, PeOffset + 4, 0x014C);
    Put16(f, PeOffset + 6, 1);
    Put16(f, PeOffset + 20, 224);
    Put16(f, PeOffset + 22, 0x2102);  // executable image, 32-bit machine, DLL
    // Optional header (PE32).
    Put16(f, Optional, 0x10B);
    f[Optional + 2] = 6;                         // linker version
    Put32(f, Optional + 20, SectionRva);         // BaseOfCode
    Put32(f, Optional + 24, SectionRva);         // BaseOfData
    Put32(f, Optional + 28, 0x10000000);         // ImageBase
    Put32(f, Optional + 32, SectionRva);         // SectionAlignment
    Put32(f, Optional + 36, FileAlignment);      // FileAlignment
    Put16(f, Optional + 40, 4);                  // operating system version 4.0
    Put16(f, Optional + 48, 4);                  // subsystem version 4.0
    Put32(f, Optional + 56, SectionRva * 2);     // SizeOfImage
    Put32(f, Optional + 60, FileAlignment);      // SizeOfHeaders
    Put16(f, Optional + 68, 2);                  // Windows GUI
    Put32(f, Optional + 72, 0x100000);           // stack reserve
    Put32(f, Optional + 76, 0x1000);             // stack commit
    Put32(f, Optional + 80, 0x100000);           // heap reserve
    Put32(f, Optional + 84, 0x1000);             // heap commit
    Put32(f, Optional + 92, 16);                 // NumberOfRvaAndSizes
    Put32(f, Optional + 96 + 2 * 8, SectionRva);  // resource directory
    Put32(f, Optional + 96 + 2 * 8 + 4, ResourceSize);
    // The one section: .rsrc.
    std::memcpy(&f[SectionTable], ".rsrc", 5);
    Put32(f, SectionTable + 8, ResourceSize);
    Put32(f, SectionTable + 12, SectionRva);
    Put32(f, SectionTable + 16, RawSize);
    Put32(f, SectionTable + 20, FileAlignment);
    Put32(f, SectionTable + 36, 0x40000040);  // initialized data, readable

    // Resource tree: type 16 -> name 1 -> language 0x409 -> data.
    const std::size_t r = FileAlignment;
    Put16(f, r + 14, 1);
    Put32(f, r + 16, RT_VERSION);
    Put32(f, r + 20, 0x80000000u | 0x18);
    Put16(f, r + 0x18 + 14, 1);
    Put32(f, r + 0x18 + 16, 1);
    Put32(f, r + 0x18 + 20, 0x80000000u | 0x30);
    Put16(f, r + 0x30 + 14, 1);
    Put32(f, r + 0x30 + 16, 0x409);
    Put32(f, r + 0x30 + 20, 0x48);
    Put32(f, r + 0x48, SectionRva + VersionAt);
    Put32(f, r + 0x48 + 4, VersionSize);

    // VS_VERSIONINFO with only its VS_FIXEDFILEINFO.
    const std::size_t vi = r + VersionAt;
    Put16(f, vi, VersionSize);
    Put16(f, vi + 2, FixedFileInfoSize);
    static const char key[] = "VS_VERSION_INFO";
    for (std::size_t i = 0; i < sizeof key; ++i) Put16(f, vi + 6 + 2 * i, static_cast<std::uint8_t>(key[i]));
    const std::size_t ffi = vi + 40;
    Put32(f, ffi, FixedFileInfoSignature);
    Put32(f, ffi + 4, 0x00010000);
    std::uint32_t ms = static_cast<std::uint32_t>(a) << 16 | b;
    std::uint32_t ls = static_cast<std::uint32_t>(c) << 16 | d;
    Put32(f, ffi + 8, ms);
    Put32(f, ffi + 12, ls);
    Put32(f, ffi + 16, ms);  // product version
    Put32(f, ffi + 20, ls);
    Put32(f, ffi + 24, 0x3F);     // flags mask
    Put32(f, ffi + 32, 0x40004);  // VOS_NT_WINDOWS32
    Put32(f, ffi + 36, 2);        // VFT_DLL
    return f;
}

}  // namespace pe
