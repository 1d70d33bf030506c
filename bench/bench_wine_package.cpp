// Writes the package the Wine figure installs: the real stub followed by the
// installation information and the files of the corpus (every other one
// compressed, or none, or all: BENCH_COMPRESSED), and the same files as a
// plain tree for the copy baseline.
//
//   bench_wine_package <setup.exe> <package out> <tree dir> [MiB] [files]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_util.h"
#include "support/package_builder.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <setup.exe> <package> <tree dir> [MiB] [files]\n", argv[0]);
        return 2;
    }
    const bench::Bytes stub = bench::ReadHostFile(argv[1]);
    if (stub.empty()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string tree = argv[3];
    const std::size_t mib = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 40;
    const std::size_t files = argc > 5 ? std::strtoull(argv[5], nullptr, 10) : 400;
    // Which files are stored compressed: BENCH_COMPRESSED=none, half (every
    // other one, the default) or all.
    const char* choice = std::getenv("BENCH_COMPRESSED");
    const std::string compressed = choice != nullptr ? choice : "half";
    if (compressed != "none" && compressed != "half" && compressed != "all") {
        std::fprintf(stderr, "BENCH_COMPRESSED is none, half or all\n");
        return 2;
    }
    std::vector<bench::Piece> pieces =
        bench::MakeCorpus(mib << 20, (mib << 20) / files * 56 / 10);
    if (pieces.size() > files) pieces.resize(files);

    bench::RemoveTree(tree);
    std::filesystem::create_directories(tree);
    PackageBuilder b;
    b.Stub(stub).Title("Bench").UninstallTitle("Bench Uninstall").Uninstaller("UNINST.EXE")
        .DefaultSubdir("BENCHAPP").CreateLog().FinishedText("Bench is installed.");
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        b.File(pieces[i].name, pieces[i].data);
        if (compressed == "all" || (compressed == "half" && i % 2 == 1)) b.Compressed();
        bytes += pieces[i].data.size();
        bench::WriteHostFile(tree + "/" + pieces[i].name, pieces[i].data);
    }
    bench::WriteHostFile(argv[2], b.Build());
    std::printf("%zu %zu\n", pieces.size(), bytes);
    return 0;
}
