// The package builder: a script and its files in, package contents out.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "pkgbuild/script_text.h"
#include "pkgwrite/file_source.h"
#include "pkgwrite/package_writer.h"

namespace pkgbuild {

// The installation information and file data a script describes (the stub
// is left to the caller). Source files are relative to `baseDir`.
bool BuildContents(const std::string& scriptText, const std::string& baseDir,
                   pkg::PackageContents& out, ScriptError& error);
// What a build tells besides the contents, and whom it tells while it runs.
struct BuildLog {
    // What would hurt users without being wrong (a record for a key or a
    // group other programs share, ...), each with its line.
    std::vector<ScriptError> warnings;
    // Every source file read, as it was opened.
    std::vector<std::string> sources;
    // Called after each source file was read, with the totals so far.
    std::function<void(std::uint64_t bytes, std::size_t files)> progress;
};
bool BuildContents(const std::string& scriptText, const std::string& baseDir,
                   pkg::PackageContents& out, ScriptError& error, BuildLog* log);
// The same without the file data: the records, and where each file's data
// come from, for the package writer to stream (pkg::StreamPackage).
bool BuildRecords(const std::string& scriptText, const std::string& baseDir,
                  pkg::PackageContents& out, std::vector<pkg::FileSource>& sources,
                  ScriptError& error, BuildLog* log = nullptr);

// The command `pkgbuild SCRIPT -o SETUP.EXE [--stub STUB] [--strict]
// [--source-dir DIR]`. Returns the exit code: 0 written (also for --help and
// --version), 1 an input or output file failed, 2 a bad command line or
// script (reported as "file:line: message"; under --strict warnings too).
// What would go to stdout and stderr is appended to `out` and `err`;
// progress, when `progress` is given, is written there as it happens.
int RunPkgbuild(const std::vector<std::string>& args, std::string& out, std::string& err,
                std::FILE* progress = nullptr);

// The stub used without --stub: setup.exe beside the program, in the
// installed prefix's share/installer, or in the win32 build beside the host
// build (build/host/pkgbuild finds build/win32/setup.exe). The first that
// exists, else the first place.
std::string DefaultStub(const std::string& programDir);
// The directory of the running program.
std::string ProgramDirectory();

}  // namespace pkgbuild
