// Writes the seed corpora of both fuzzers into a directory:
//   reader/<name>  the whole package file, as the reader fuzzer takes it;
//   run/<name>     one configuration byte and the plain information, as the
//                  run fuzzer takes it, for each of a few machines.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "plain_info.h"
#include "seed_packages.h"
#include "support/scenario.h"

namespace {

bool Write(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root = argv[1];
    std::filesystem::create_directories(root / "reader");
    std::filesystem::create_directories(root / "run");
    int written = 0;
    for (const auto& [name, package] : fuzz::SeedPackages()) {
        const Bytes file = package.Build();
        if (!Write(root / "reader" / name, file)) return 1;
        const Bytes plain = fuzz::PlainInfoOfPackage(file, package.InfoOffset());
        // NT 4.0, Windows 95 and NT 3.51; a destination with blanks; a long
        // one on Win32s; registrations and programs that fail on Windows 10.
        for (std::uint8_t config : {0x00, 0x01, 0x02, 0x20, 0x43, 0x84}) {
            Bytes input{static_cast<std::uint8_t>(config)};
            input.insert(input.end(), plain.begin(), plain.end());
            if (!Write(root / "run" / (name + "_" + std::to_string(config)), input)) return 1;
        }
        written += 7;
    }
    // The marker on a block boundary and just before one.
    PackageBuilder onBoundary = scenario::AppPackage();
    onBoundary.MarkerAt(8192);
    PackageBuilder nearBoundary = scenario::AppPackage();
    nearBoundary.MarkerAt(8192 - 8);
    if (!Write(root / "reader" / "marker_at_8192", onBoundary.Build()) ||
        !Write(root / "reader" / "marker_at_8184", nearBoundary.Build()))
        return 1;
    written += 2;
    std::printf("wrote %d seeds into %s\n", written, root.c_str());
    return 0;
}
