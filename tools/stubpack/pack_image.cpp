// The packed image: the first section's bytes move, compressed, into the
// last section (.unpack), and the first section keeps only its place in
// memory, which the loader fills with zeros and the start-up code fills in.
#include <algorithm>
#include <cstring>

#include "pe/le_bytes.h"
#include "stubpack/stubpack.h"

namespace stubpack {

using pe::Get16;
using pe::Get32;
using pe::Put16;
using pe::Put32;

namespace {

constexpr std::uint32_t SectionHeaderSize = 40;
constexpr std::uint32_t CodeContents = 0x00000020;
constexpr std::uint32_t UninitializedContents = 0x00000080;
constexpr std::uint32_t Executable = 0x20000000;
constexpr std::uint32_t Readable = 0x40000000;
constexpr std::uint32_t Writable = 0x80000000;

std::uint32_t RoundUp(std::uint32_t value, std::uint32_t to) { return (value + to - 1) / to * to; }

struct Section {
    std::string name;
    std::uint32_t virtualSize, address, rawSize, rawAt, flags;
    Bytes contents;
};

}  // namespace

Bytes PackImage(const Bytes& image, std::string& error) {
    auto fail = [&](const char* why) {
        error = why;
        return Bytes();
    };
    if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') return fail("not an MZ file");
    const std::uint32_t pe = Get32(image, 0x3C);
    if (pe > image.size() || image.size() - pe < 24 + 224 || Get32(image, pe) != 0x00004550)
        return fail("not a PE file");
    const std::size_t optional = pe + 24;
    if (Get16(image, pe + 4) != 0x014C || Get16(image, optional) != 0x010B) return fail("not a 32-bit x86 image");
    const std::uint16_t optionalSize = Get16(image, pe + 20);
    const std::uint16_t count = Get16(image, pe + 6);
    const std::size_t table = optional + optionalSize;
    const std::uint32_t sectionAlignment = Get32(image, optional + 32);
    const std::uint32_t fileAlignment = Get32(image, optional + 36);
    const std::uint32_t headersSize = Get32(image, optional + 60);
    const std::uint32_t directories = Get32(image, optional + 92);
    if (count < 2 || table + count * SectionHeaderSize > headersSize || headersSize > image.size() ||
        fileAlignment == 0 || sectionAlignment == 0 || directories > 16 || optionalSize < 96 + 8 * directories)
        return fail("unexpected headers");

    std::vector<Section> sections;
    for (std::uint16_t s = 0; s < count; ++s) {
        const std::size_t at = table + s * SectionHeaderSize;
        Section section{std::string(reinterpret_cast<const char*>(&image[at]), strnlen(reinterpret_cast<const char*>(&image[at]), 8)),
                        Get32(image, at + 8), Get32(image, at + 12), Get32(image, at + 16),
                        Get32(image, at + 20), Get32(image, at + 36), {}};
        if (section.rawSize && (section.rawAt > image.size() || section.rawSize > image.size() - section.rawAt))
            return fail("a section lies outside the file");
        if (section.rawSize)
            section.contents.assign(image.begin() + section.rawAt,
                                    image.begin() + section.rawAt + std::min(section.rawSize, section.virtualSize));
        sections.push_back(std::move(section));
    }
    Section& code = sections.front();
    Section& start = sections.back();
    if (code.name != ".text" || start.name != ".unpack") return fail("the first section is not .text or the last not .unpack");
    if (start.contents.size() < 4 || start.virtualSize != start.contents.size() ||
        Get32(start.contents, start.contents.size() - 4) != 0)
        return fail(".unpack does not end in the zero word that receives the stream");
    // The loader reads the tables before the start-up code runs, and would
    // relocate or call into zeros: none of them may lie in the packed part.
    for (std::uint32_t d = 0; d < directories; ++d) {
        const std::uint32_t address = Get32(image, optional + 96 + 8 * d);
        const std::uint32_t size = Get32(image, optional + 100 + 8 * d);
        if (size == 0) continue;
        if (d == 5 || d == 9) return fail("relocations or thread-local storage cannot be packed");
        if (address < sections[1].address) return fail("a table the loader reads lies in the packed section");
    }
    const std::uint32_t entry = Get32(image, optional + 16);
    if (entry < start.address || entry >= start.address + start.virtualSize)
        return fail("the entry point is not the start-up code in .unpack");

    // The code section swallows the zero-filled sections behind it.
    Bytes packed = code.contents;
    packed.resize(code.virtualSize, 0);
    std::size_t next = 1;
    while (next < sections.size() && sections[next].rawSize == 0) ++next;
    code.virtualSize = sections[next].address - code.address;
    code.flags = CodeContents | UninitializedContents | Executable | Readable | Writable;
    code.rawSize = 0;
    code.rawAt = 0;
    code.contents.clear();
    sections.erase(sections.begin() + 1, sections.begin() + static_cast<std::ptrdiff_t>(next));

    Section& last = sections.back();
    const Bytes stream = Compress(packed);
    last.contents.resize(last.contents.size() - 4);
    const std::size_t sizeAt = last.contents.size();
    last.contents.resize(sizeAt + 4 + stream.size());
    Put32(last.contents, sizeAt, static_cast<std::uint32_t>(packed.size()));
    std::copy(stream.begin(), stream.end(), last.contents.begin() + static_cast<std::ptrdiff_t>(sizeAt + 4));
    last.virtualSize = static_cast<std::uint32_t>(last.contents.size());

    // Fewer section headers may fit the headers into fewer file blocks.
    const std::uint32_t newHeadersSize =
        RoundUp(static_cast<std::uint32_t>(table + sections.size() * SectionHeaderSize), fileAlignment);
    Bytes out(image.begin(), image.begin() + newHeadersSize);
    std::uint32_t sizeOfCode = 0, sizeOfData = 0;
    for (Section& section : sections) {
        section.rawSize = RoundUp(static_cast<std::uint32_t>(section.contents.size()), fileAlignment);
        section.rawAt = section.rawSize ? static_cast<std::uint32_t>(out.size()) : 0;
        section.contents.resize(section.rawSize, 0);
        out.insert(out.end(), section.contents.begin(), section.contents.end());
        (section.flags & CodeContents ? sizeOfCode : sizeOfData) += section.rawSize;
    }
    std::memset(&out[table], 0, newHeadersSize - table);
    for (std::size_t s = 0; s < sections.size(); ++s) {
        const Section& section = sections[s];
        const std::size_t at = table + s * SectionHeaderSize;
        std::memcpy(&out[at], section.name.data(), std::min<std::size_t>(section.name.size(), 8));
        Put32(out, at + 8, section.virtualSize);
        Put32(out, at + 12, section.address);
        Put32(out, at + 16, section.rawSize);
        Put32(out, at + 20, section.rawAt);
        Put32(out, at + 36, section.flags);
    }
    Put16(out, pe + 6, static_cast<std::uint16_t>(sections.size()));
    Put32(out, optional + 4, sizeOfCode);
    Put32(out, optional + 8, sizeOfData);
    Put32(out, optional + 12, RoundUp(code.virtualSize, sectionAlignment));
    Put32(out, optional + 56, RoundUp(last.address + last.virtualSize, sectionAlignment));
    Put32(out, optional + 60, newHeadersSize);
    Put32(out, optional + 64, 0);  // the checksum: the package builder sets the package's
    return out;
}

}  // namespace stubpack
