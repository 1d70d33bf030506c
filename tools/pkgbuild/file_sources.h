// The files a [Files] line's Source names: one file, every file matching a
// wildcard in the last part of the path, or every file directly inside a
// directory. And reading one: its bytes, its times as FILETIMEs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace pkgbuild {

struct SourceFile {
    std::string path;  // as the builder opens it
    std::string name;  // its last part, the default installed name
};

// `pattern` is relative to `baseDir` unless it starts with "/"; "\" counts as
// "/". Matches come sorted by name; only regular files count, and hidden
// files (".name") only when the pattern itself starts with ".". `many` tells
// whether the source was a wildcard or a directory (it may still match one).
bool ExpandSource(const std::string& baseDir, const std::string& pattern,
                  std::vector<SourceFile>& out, bool& many, std::string& error);

struct LoadedFile {
    std::vector<std::uint8_t> data;
    os::FileTime creationTime{};
    os::FileTime lastAccessTime{};
    os::FileTime lastWriteTime{};
};

bool LoadSourceFile(const std::string& path, LoadedFile& out, std::string& error);

// Seconds and nanoseconds since 1970 as 100-ns ticks since 1601.
os::FileTime UnixToFileTime(std::int64_t seconds, std::int64_t nanoseconds);

}  // namespace pkgbuild
