// What the section builders share while a script becomes package contents:
// the contents being filled and the names by which records refer to each
// other (parallel to the record tables).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pkgbuild/code_page.h"
#include "pkgbuild/script_text.h"
#include "pkgwrite/file_source.h"
#include "pkgwrite/package_writer.h"

namespace pkgbuild {

struct BuildLog;

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
    std::uint32_t codePage = DefaultCodePage;
    // The script line of each record, parallel to the record tables.
    std::vector<int> dirLines, fileLines, groupLines, keyLines;
    // Settings that become values of the uninstall entry, in script order.
    std::vector<SetupEntry> entryValues;
    // What would hurt users without being wrong: reported, and refused
    // under --strict.
    std::vector<ScriptError> warnings;
    BuildLog* log = nullptr;  // the caller's, or none
};

// Index of `name` in `list` without letter case, or -1.
int FindName(const std::vector<std::string>& list, const std::string& name);

// A name below a base directory: not empty, no drive, no leading or doubled
// backslash, no part of dots and blanks alone ("." or ".."), no "/".
bool IsRelativeName(const std::string& name);
// Why a name cannot go below a base directory ("must be a relative path with
// \", or a device name), or "" when it can. `relative` is "path" or "name".
std::string NameFault(const std::string& name, const char* relative);

// Whether base + "\" + `relative` fits the stub's 259 characters for the
// shortest base directory there can be: a drive and one letter (C:\A).
bool FitsBelowShortestBase(const std::string& relative);
// The refusal for a name that does not.
bool FailTooLong(ScriptError& error, int line, const std::string& what, const std::string& name);

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
// Every text and name of the script into the code page of CodePage= (the
// [Files] sources aside: they name files on this disk).
bool ConvertScriptTexts(ScriptText& text, BuildState& state, ScriptError& error);
// The values of the uninstall entry: Publisher= and the like, the size, and
// no Modify or Repair buttons.
bool AddUninstallEntryValues(BuildState& state, ScriptError& error);
// Records that would touch what other programs or Windows itself own.
void WarnAboutSharedThings(BuildState& state);
// The texts without which the dialogs would be empty.
bool CheckRequiredTexts(const ScriptText& text, const BuildState& state, ScriptError& error);

// The key of the uninstall entry below HKEY_LOCAL_MACHINE.
std::string UninstallEntryKey(const InstallHeader& header);

}  // namespace pkgbuild
