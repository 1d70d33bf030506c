// A file of the package as the builder finds it on disk, and its stored
// form: read, versioned and, where that makes it smaller (or the file asks
// for it), compressed. One file's work needs no other file, so several can
// be prepared at once.
#pragma once

#include <cstdint>
#include <string>

#include "pkgwrite/package_writer.h"

namespace pkg {

enum class Compression {
    Never,      // stored as it is
    IfSmaller,  // compressed unless that would not make it smaller
    Always,     // compressed even when that makes it larger
};

struct FileSource {
    std::string path;          // as the builder opens it
    std::uint64_t size = 0;    // the size it had when it was listed
    Compression compression = Compression::Never;
    char lastChar = 0;         // of the installed name, kept in the SZDD header
    int line = 0;              // the script line that named it
};

// Reads the file and fills the record's FileVersionMS/LS, Compressed and
// StoredSize; `stored` gets the bytes to store. False with a reason when the
// file cannot be read or its size changed since it was listed.
bool PrepareFile(const FileSource& source, FileRecord& record, Bytes& stored, std::string& error);

}  // namespace pkg
