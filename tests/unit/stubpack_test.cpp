// The stub's packer: what it compresses the start-up code expands back, byte
// for byte, and the packed image is one a loader maps with the tables it
// needs outside the packed part. The image is laid out here as the program's
// link lays it out: code, zero-filled data, resources and imports, start-up
// code ending in the zero word.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "platform/unpack.h"
#include "stubpack/stubpack.h"

namespace {

using stubpack::Bytes;

Bytes RoundTrip(const Bytes& data) {
    Bytes stream = stubpack::Compress(data);
    // The expansion reads only the stream: an exact copy lets the sanitizer
    // build see a read past its end.
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[stream.size() + 1]);
    if (!stream.empty()) std::memcpy(exact.get(), stream.data(), stream.size());
    Bytes out(data.size() + 1, 0xCC);
    unpack::Expand(exact.get(), out.data(), static_cast<std::uint32_t>(data.size()));
    EXPECT_EQ(out.back(), 0xCC) << "the expansion wrote past its size";
    out.pop_back();
    return out;
}

// Code-like bytes: calls to a few targets, short repeated sequences, text.
Bytes CodeLike(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    Bytes data;
    const char* words[] = {"Couldn't open ", "Extracting: ", "SOFTWARE\\", ".DLL"};
    while (data.size() < size) {
        switch (random() % 5) {
            case 0: {  // a call: E8 and a target that repeats
                std::uint32_t target = 0x1000u * (random() % 8) - static_cast<std::uint32_t>(data.size());
                data.push_back(0xE8);
                for (int k = 0; k < 4; ++k) data.push_back(static_cast<std::uint8_t>(target >> (8 * k)));
                break;
            }
            case 1:
                for (const char* c = words[random() % 4]; *c; ++c) data.push_back(static_cast<std::uint8_t>(*c));
                break;
            case 2:
                data.insert(data.end(), random() % 40, 0);
                break;
            default:
                data.push_back(static_cast<std::uint8_t>(random()));
        }
    }
    data.resize(size);
    return data;
}

}  // namespace

TEST(StubPack, WhatIsCompressedExpandsBackExactly) {
    std::mt19937 random(7);
    Bytes noise(5000);
    for (auto& b : noise) b = static_cast<std::uint8_t>(random());
    const std::vector<std::pair<std::string, Bytes>> cases = {
        {"nothing", {}},
        {"one byte", {0x41}},
        {"a call at the very end, too short to be one", {0x90, 0xE8, 1, 2, 3}},
        {"a call cut by the end", {0xE8, 1, 2, 3}},
        {"calls back to back", {0xE8, 0xE8, 0xE8, 0xE8, 0xE8, 0xE8, 0xE8, 0xE8, 0xE8, 0xE8}},
        {"a long run of zeros (a match over itself)", Bytes(70000, 0)},
        {"noise", noise},
        {"code-like", CodeLike(60000, 1)},
        {"code-like, far repeats", [] {
             Bytes a = CodeLike(40000, 2);
             Bytes b(a.begin(), a.begin() + 20000);
             a.insert(a.end(), b.begin(), b.end());
             return a;
         }()},
    };
    for (const auto& [name, data] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(RoundTrip(data), data);
    }
    // Code-like data shrinks; noise grows by no more than its flag bits.
    EXPECT_LT(stubpack::Compress(CodeLike(60000, 1)).size(), 60000u * 7 / 10);
    EXPECT_LE(stubpack::Compress(noise).size(), noise.size() * 9 / 8 + 1);
}

namespace {

constexpr std::uint32_t Base = 0x400000;
constexpr std::uint32_t PeAt = 0x80;
constexpr std::uint32_t OptionalAt = PeAt + 24;
constexpr std::uint32_t TableAt = OptionalAt + 224;

std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v >> (8 * k));
}

struct LinkedSection {
    const char* name;
    std::uint32_t address;
    Bytes contents;   // empty: zero-filled
    std::uint32_t virtualSize;
    std::uint32_t flags;
};

// An image as the program's link makes it: four sections, file alignment
// 512, no relocations, entry point in .unpack, imports and resources in
// .rsrc.
struct LinkedImage {
    Bytes code = CodeLike(9000, 3);
    Bytes startUp = {0x55, 0x89, 0xE5, 0xC3, 0, 0, 0, 0};  // code, then the zero word
    std::uint32_t entry = 0x6000;
    std::uint32_t importAt = 0x5010;
    std::uint32_t relocations = 0;

    Bytes Make() const {
        const LinkedSection sections[] = {
            {".text", 0x1000, code, static_cast<std::uint32_t>(code.size()), 0x60000020},
            {".bss", 0x4000, {}, 0x600, 0xC0000080},
            {".rsrc", 0x5000, Bytes(0x300, 0x52), 0x300, 0xC0000040},
            {".unpack", 0x6000, startUp, static_cast<std::uint32_t>(startUp.size()), 0x60000020},
        };
        Bytes image(0x400, 0);
        image[0] = 'M';
        image[1] = 'Z';
        Put32(image, 0x3C, PeAt);
        Put32(image, PeAt, 0x4550);
        image[PeAt + 4] = 0x4C;
        image[PeAt + 5] = 0x01;
        image[PeAt + 6] = 4;
        image[PeAt + 20] = 224;
        image[OptionalAt] = 0x0B;
        image[OptionalAt + 1] = 0x01;
        Put32(image, OptionalAt + 16, entry);
        Put32(image, OptionalAt + 28, Base);
        Put32(image, OptionalAt + 32, 0x1000);
        Put32(image, OptionalAt + 36, 0x200);
        Put32(image, OptionalAt + 60, 0x400);
        Put32(image, OptionalAt + 92, 16);
        Put32(image, OptionalAt + 96 + 8, importAt);   // imports
        Put32(image, OptionalAt + 100 + 8, 0x40);
        Put32(image, OptionalAt + 96 + 16, 0x5000);    // resources
        Put32(image, OptionalAt + 100 + 16, 0x100);
        Put32(image, OptionalAt + 96 + 40, relocations ? 0x5100 : 0);
        Put32(image, OptionalAt + 100 + 40, relocations);
        for (int s = 0; s < 4; ++s) {
            const LinkedSection& section = sections[s];
            const std::size_t at = TableAt + 40 * static_cast<std::size_t>(s);
            std::memcpy(&image[at], section.name, std::strlen(section.name));
            Put32(image, at + 8, section.virtualSize);
            Put32(image, at + 12, section.address);
            Put32(image, at + 36, section.flags);
            if (section.contents.empty()) continue;
            const std::uint32_t raw = (static_cast<std::uint32_t>(section.contents.size()) + 0x1FF) & ~0x1FFu;
            Put32(image, at + 16, raw);
            Put32(image, at + 20, static_cast<std::uint32_t>(image.size()));
            Bytes block = section.contents;
            block.resize(raw, 0);
            image.insert(image.end(), block.begin(), block.end());
        }
        Put32(image, OptionalAt + 56, 0x7000);
        return image;
    }
};

// What a loader makes of the image: the sections at their addresses.
Bytes Map(const Bytes& image) {
    Bytes memory(Get32(image, OptionalAt + 56), 0);
    const std::size_t count = image[PeAt + 6];
    for (std::size_t s = 0; s < count; ++s) {
        const std::size_t at = TableAt + 40 * s;
        const std::uint32_t address = Get32(image, at + 12), raw = Get32(image, at + 16),
                            rawAt = Get32(image, at + 20), virtualSize = Get32(image, at + 8);
        EXPECT_LE(address + virtualSize, memory.size());
        EXPECT_LE(rawAt + raw, image.size());
        std::memcpy(&memory[address], &image[rawAt], std::min(raw, virtualSize));
    }
    return memory;
}

}  // namespace

TEST(StubPack, ThePackedImageMapsToTheLinkedOneOnceTheStartUpCodeHasRun) {
    const LinkedImage linked;
    const Bytes image = linked.Make();
    std::string error;
    const Bytes packed = stubpack::PackImage(image, error);
    ASSERT_FALSE(packed.empty()) << error;
    EXPECT_LT(packed.size(), image.size());
    // Three sections, whose headers fit one file block; the code takes no
    // room in the file, spans the zero-filled data, and may be written.
    EXPECT_EQ(packed[PeAt + 6], 3);
    EXPECT_EQ(Get32(packed, OptionalAt + 60), 0x200u);
    EXPECT_EQ(Get32(packed, TableAt + 12), 0x1000u);
    EXPECT_EQ(Get32(packed, TableAt + 8), 0x4000u);
    EXPECT_EQ(Get32(packed, TableAt + 16), 0u);
    EXPECT_EQ(Get32(packed, TableAt + 36), 0xE00000A0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&packed[TableAt + 80]), 7), ".unpack");
    // The tables, entry point and image base are the linked ones.
    for (std::uint32_t field : {16u, 28u, 96u + 8, 100u + 8, 96u + 16, 100u + 16})
        EXPECT_EQ(Get32(packed, OptionalAt + field), Get32(image, OptionalAt + field)) << field;
    const Bytes before = Map(image);
    Bytes after = Map(packed);
    ASSERT_EQ(Get32(packed, OptionalAt + 56) % 0x1000, 0u);
    // Resources and the start-up code are where they were; the code is zeros
    // until the start-up code expands the size and stream left in place of
    // its zero word.
    EXPECT_TRUE(std::equal(before.begin() + 0x5000, before.begin() + 0x6004, after.begin() + 0x5000));
    EXPECT_TRUE(std::all_of(after.begin() + 0x1000, after.begin() + 0x5000, [](std::uint8_t b) { return b == 0; }));
    const std::uint32_t size = Get32(after, 0x6004);
    ASSERT_EQ(size, linked.code.size());
    unpack::Expand(&after[0x6008], &after[0x1000], size);
    EXPECT_TRUE(std::equal(before.begin() + 0x1000, before.begin() + 0x5000, after.begin() + 0x1000));
    // The same image packs to the same bytes.
    EXPECT_EQ(stubpack::PackImage(image, error), packed);
}

TEST(StubPack, RefusesImagesTheStartUpCodeCouldNotRunFrom) {
    struct Case {
        const char* name;
        LinkedImage image;
    };
    std::vector<Case> cases(5);
    cases[0].name = "relocations, which the loader would apply to zeros";
    cases[0].image.relocations = 0x10;
    cases[1].name = "imports in the packed code";
    cases[1].image.importAt = 0x1100;
    cases[2].name = "an entry point in the packed code";
    cases[2].image.entry = 0x1000;
    cases[3].name = "start-up code without the zero word";
    cases[3].image.startUp = {0x55, 0x89, 0xE5, 0xC3, 0, 0, 0, 1};
    cases[4].name = "no start-up code at all";
    cases[4].image.startUp = {0, 0};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_TRUE(stubpack::PackImage(c.image.Make(), error).empty());
        EXPECT_FALSE(error.empty());
    }
    std::string error;
    EXPECT_TRUE(stubpack::PackImage(Bytes{'M', 'Z'}, error).empty());
    Bytes cut = LinkedImage().Make();
    cut.resize(0x500);
    EXPECT_TRUE(stubpack::PackImage(cut, error).empty()) << "a section past the end of the file";
}
