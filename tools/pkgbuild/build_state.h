// What the section builders share while a script becomes package contents:
// the contents being filled and the names by which records refer to each
// other (parallel to the record tables).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pkgbuild/script_text.h"
#include "pkgwrite/file_source.h"
#include "pkgwrite/package_writer.h"

namespace pkgbuild {

struct BuildState {
    pkg::PackageContents* contents = nullptr;
    std::vector<pkg::FileSource> sources;  // per FileRecord: where its data come from
    std::string baseDir;  // sources are relative to the script's directory
    bool compressByDefault = true;
    std::vector<std::string> dirNames;   // [Dirs] Name per DirRecord
    std::vector<std::string> fileRefs;   // Id, or (Dir\)Name, per FileRecord
    std::vector<std::string> groupNames; // per GroupRecord
    std::vector<std::string> keyPaths;   // "ROOT\subkey" per RegKeyRecord
    std::string helpFile;                // HelpFile=, resolved after [Files]
    int helpFileLine = 0;
    int createUninstallerLine = 0;
    int uninstallerLine = 0;
};

// Index of `name` in `list` without letter case, or -1.
int FindName(const std::vector<std::string>& list, const std::string& name);

// A name below a base directory: not empty, no drive, no leading or doubled
// backslash, no "." or ".." part, no "/".
bool IsRelativeName(const std::string& name);

// Base: destination (the default), windows or system.
bool ParseBase(const std::string& value, std::uint32_t& inSystemDir, std::uint32_t& inWindowsDir);

bool ApplySetup(const std::vector<SetupEntry>& entries, BuildState& state, ScriptError& error);
bool BuildDirs(const std::vector<RecordLine>& lines, BuildState& state, ScriptError& error);
bool BuildFiles(const std::vector<RecordLine>& lines, BuildState& state, ScriptError& error);
bool BuildGroups(const std::vector<RecordLine>& lines, BuildState& state, ScriptError& error);
bool BuildItems(const std::vector<RecordLine>& lines, BuildState& state, ScriptError& error);
bool BuildRegKeys(const std::vector<RecordLine>& lines, BuildState& state, ScriptError& error);
bool BuildRegValues(const std::vector<RecordLine>& lines, BuildState& state, ScriptError& error);
// The checks that need the whole script: HelpFile, the uninstaller's name.
bool CheckWholeScript(BuildState& state, ScriptError& error);

}  // namespace pkgbuild
