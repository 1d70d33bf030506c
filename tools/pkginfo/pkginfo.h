// The package inspector: the installation information of a package in a
// readable form and as JSON, and the stored files written out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pkgwrite/checksum.h"
#include "pkgwrite/package_writer.h"

namespace pkginfo {

// A package read back, with where its parts lie.
struct Package {
    pkg::PackageContents contents;
    std::size_t fileSize = 0;
    std::size_t infoOffset = 0;  // where the marker starts
    std::size_t infoSize = 0;    // header and tables
    pkg::Checksum checksum = pkg::Checksum::None;  // the trailer after the file data
    // An uninstaller: the installation record after the information, one
    // entry a line ("F C:\\APP\\NOTES.TXT").
    bool uninstaller = false;
    std::vector<std::string> record;
};

// "ok", "damaged" or "none".
const char* ChecksumName(pkg::Checksum checksum);

bool LoadPackage(const pkg::Bytes& file, Package& out, std::string& error);

// A text field up to its NUL, never past its array.
std::string FieldText(const char* field, std::size_t size);
template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
    return FieldText(field, N);
}

std::string DescribePackage(const Package& p);
std::string PackageJson(const Package& p);

// Writes every stored file below `dir` as destination/..., windows/...,
// system/... after its base, expanding compressed data, and checks each
// size against InstalledSize. `report` gets one line per file; false when
// any file failed (the others are still written).
bool ExtractFiles(const Package& p, const std::string& dir, std::string& report);

// The command `pkginfo PACKAGE [--json] [--extract DIR [--force]]`; returns
// the exit code (0 or 1: also for a damaged package, which --extract refuses
// unless forced) and appends what goes to stdout and stderr.
int RunPkginfo(const std::vector<std::string>& args, std::string& out, std::string& err);

}  // namespace pkginfo
