// Runs files through a fuzz target without libFuzzer: every file named on the
// command line, and every file inside a directory named there. The host
// test run uses it to replay the seed corpus and the kept regression inputs.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_check.h"

namespace {

bool RunFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg = argv[i];
        if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg))
                if (entry.is_regular_file()) files.push_back(entry.path());
        } else if (std::filesystem::exists(arg)) {
            files.push_back(arg);
        }
    }
    std::sort(files.begin(), files.end());
    std::size_t ran = 0;
    for (const auto& f : files) {
        if (!RunFile(f)) return 1;
        ++ran;
    }
    std::printf("replayed %zu inputs\n", ran);
    // An empty corpus would make this test pass without testing anything.
    return ran > 0 ? 0 : 1;
}
