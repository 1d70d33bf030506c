// Writes a package to a file without holding it: the stub, room for the
// installation information, the file data as each file is prepared (by
// several threads, written in table order), then the information with the
// stored sizes filled in, and the checksum trailer. Memory stays at a few
// files in flight.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "pkgwrite/file_source.h"
#include "pkgwrite/package_writer.h"

namespace pkg {

struct StreamResult {
    std::uint64_t size = 0;  // bytes written
    int errorLine = 0;       // the script line of a source that failed, or 0
    std::string error;
};

// `contents` holds the stub and the records (its fileData is ignored);
// `sources` one entry per file record. The package goes to `path` through
// path + ".partial", renamed when complete. `threads` 0: one per core.
// `progress`, when set, hears the source bytes and files written so far.
using StreamProgress = std::function<void(std::uint64_t bytes, std::size_t files)>;
bool StreamPackage(PackageContents& contents, const std::vector<FileSource>& sources,
                   const std::string& path, unsigned threads, StreamResult& result,
                   const StreamProgress& progress = {});

}  // namespace pkg
