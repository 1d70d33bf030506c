// The [Dirs] section: one DirRecord per line.
#include "pkgbuild/build_state.h"
#include "pkgbuild/values.h"

namespace pkgbuild {

namespace {

const char* const DirFields[] = {"Name", "Base", "Attributes", "Flags"};

}  // namespace

bool ParseBase(const std::string& value, std::uint32_t& inSystemDir, std::uint32_t& inWindowsDir) {
    inSystemDir = inWindowsDir = 0;
    if (EqualsNoCase(value, "destination")) return true;
    if (EqualsNoCase(value, "windows")) {
        inWindowsDir = 1;
        return true;
    }
    if (EqualsNoCase(value, "system")) {
        inSystemDir = 1;
        return true;
    }
    return false;
}

bool BuildDirs(const std::vector<RecordLine>& lines, BuildState& state, ScriptError& error) {
    for (const RecordLine& line : lines) {
        LineFields f(line);
        if (!f.CheckKnown(DirFields, sizeof DirFields / sizeof *DirFields, "Dirs", error))
            return false;
        DirRecord r = pkg::NewDirRecord();
        const std::string* name = nullptr;
        if (!f.Require("Name", name, error)) return false;
        const std::string fault = NameFault(*name, "path");
        if (!fault.empty()) return Fail(error, line.line, "directory name " + *name + " " + fault);
        if (!PutText(r.Name, *name, "directory name", line.line, error)) return false;
        if (!FitsBelowShortestBase(*name)) return FailTooLong(error, line.line, "directory name", *name);
        if (FindName(state.dirNames, *name) >= 0)
            return Fail(error, line.line, "duplicate directory name " + *name);
        if (const std::string* base = f.Get("Base"))
            if (!ParseBase(*base, r.InSystemDir, r.InWindowsDir))
                return Fail(error, line.line,
                            "unknown base " + *base + " (destination, windows, system)");
        // Attributes are given to the directory after it was created; it stays one.
        r.Attributes = 0x10;
        if (const std::string* attributes = f.Get("Attributes")) {
            std::uint32_t bits = 0;
            std::string bad;
            if (!ParseAttributes(*attributes, bits, bad))
                return Fail(error, line.line, "unknown attribute " + bad);
            r.Attributes |= bits;
        }
        if (const std::string* flags = f.Get("Flags")) {
            std::string bad;
            if (!SetFlags(names::DirFlags, *flags, r, bad))
                return Fail(error, line.line, "unknown flag " + bad + " in [Dirs]");
        }
        // Each record creates one level: below the destination, the parent
        // must come from an earlier line.
        std::size_t slash = name->rfind('\\');
        if (slash != std::string::npos && !r.InSystemDir && !r.InWindowsDir) {
            int parent = FindName(state.dirNames, name->substr(0, slash));
            if (parent < 0 || state.contents->dirs[parent].InSystemDir ||
                state.contents->dirs[parent].InWindowsDir)
                return Fail(error, line.line,
                            "directory " + *name + " needs its parent " +
                                name->substr(0, slash) + " on an earlier [Dirs] line");
        }
        state.contents->dirs.push_back(r);
        state.dirNames.push_back(*name);
        state.dirLines.push_back(line.line);
    }
    return true;
}

}  // namespace pkgbuild
