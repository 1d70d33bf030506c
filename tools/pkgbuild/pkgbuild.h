// The package builder: a script and its files in, package contents out.
#pragma once

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
// The same without the file data: the records, and where each file's data
// come from, for the package writer to stream (pkg::StreamPackage).
bool BuildRecords(const std::string& scriptText, const std::string& baseDir,
                  pkg::PackageContents& out, std::vector<pkg::FileSource>& sources,
                  ScriptError& error);

// The command `pkgbuild SCRIPT -o SETUP.EXE [--stub STUB]`. Returns the exit
// code: 0 written, 1 an input or output file failed, 2 a bad command line or
// script (reported as "file:line: message"). What would go to stdout and
// stderr is appended to `out` and `err`.
int RunPkgbuild(const std::vector<std::string>& args, std::string& out, std::string& err);

constexpr const char* DefaultStub = "build/win32/setup.exe";

}  // namespace pkgbuild
