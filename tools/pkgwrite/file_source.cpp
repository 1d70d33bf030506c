#include "pkgwrite/file_source.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "pe/pe_version.h"
#include "szdd/szdd.h"

namespace pkg {

bool PrepareFile(const FileSource& source, FileRecord& record, Bytes& stored, std::string& error) {
    std::FILE* f = std::fopen(source.path.c_str(), "rb");
    if (!f) {
        error = "cannot open source file " + source.path + ": " + std::strerror(errno);
        return false;
    }
    Bytes data(static_cast<std::size_t>(source.size));
    const std::size_t got = data.empty() ? 0 : std::fread(data.data(), 1, data.size(), f);
    const bool more = std::fgetc(f) != EOF;
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed || got != data.size() || more) {
        error = "cannot read source file " + source.path + " (it changed while being read?)";
        return false;
    }
    std::uint32_t ms = 0, ls = 0;
    if (pe::ReadFileVersion(data.data(), data.size(), ms, ls)) {
        record.FileVersionMS = ms;
        record.FileVersionLS = ls;
    }
    record.Compressed = 0;
    if (source.compression != Compression::Never) {
        Bytes compressed = szdd::Compress(data.data(), data.size(), source.lastChar);
        if (source.compression == Compression::Always || compressed.size() < data.size()) {
            data = std::move(compressed);
            record.Compressed = 1;
        }
    }
    record.StoredSize = static_cast<std::uint32_t>(data.size());
    stored = std::move(data);
    return true;
}

}  // namespace pkg
