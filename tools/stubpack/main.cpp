// stubpack <linked setup.exe> <packed setup.exe>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "stubpack/stubpack.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: stubpack <linked image> <packed image>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "stubpack: cannot read %s\n", argv[1]);
        return 1;
    }
    stubpack::Bytes image((std::istreambuf_iterator<char>(in)), {});
    std::string error;
    stubpack::Bytes packed = stubpack::PackImage(image, error);
    if (packed.empty()) {
        std::fprintf(stderr, "stubpack: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(packed.data()), static_cast<std::streamsize>(packed.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "stubpack: cannot write %s\n", argv[2]);
        return 1;
    }
    out.close();
    // The stored program keeps the linked one's permissions (executable).
    struct stat linked;
    if (::stat(argv[1], &linked) == 0) ::chmod(argv[2], linked.st_mode & 07777);
    return 0;
}
