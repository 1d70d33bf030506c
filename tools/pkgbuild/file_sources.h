// The files a [Files] line's Source names: one file, every file matching a
// wildcard in the last part of the path, or every file directly inside a
// directory. And its size and times as FILETIMEs.
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

// A source's size and the times to store for it, without reading it: every
// time is the last-write time (the file system keeps no creation time, and
// the last access changes with every build), clamped to SOURCE_DATE_EPOCH
// when that is set, so that the same sources give the same package.
struct SourceInfo {
    std::uint64_t size = 0;
    os::FileTime time{};
};
bool StatSourceFile(const std::string& path, SourceInfo& out, std::string& error);

// Seconds and nanoseconds since 1970 as 100-ns ticks since 1601.
os::FileTime UnixToFileTime(std::int64_t seconds, std::int64_t nanoseconds);

}  // namespace pkgbuild
