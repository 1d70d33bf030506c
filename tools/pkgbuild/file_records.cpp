// The [Files] section: one FileRecord per source file, with its data read,
// versioned, timed and (when asked) compressed.
#include <cstring>

#include "pkgbuild/build_state.h"
#include "pkgbuild/file_sources.h"
#include "pkgbuild/pkgbuild.h"
#include "pkgbuild/values.h"

namespace pkgbuild {

namespace {

const char* const FileFields[] = {
    "Source", "Name", "Id", "Dir", "Base", "Flags", "Attributes", "Overwrite",
    "Service", "ServiceDisplayName", "ServiceDependencies", "Trailer",
};

// Everything a line says, before its sources are read.
struct FileLine {
    FileRecord record{};
    pkg::Compression compression = pkg::Compression::Never;
    std::string dirName;  // the Dir field, empty when none
};

bool ParseServiceDependencies(const std::string& value, FileRecord& r, int line,
                              ScriptError& error) {
    // Names separated by NULs, ending with an empty name.
    std::string packed;
    for (const std::string& name : Words(value)) packed += name + '\0';
    if (packed.size() + 1 > sizeof r.ServiceDependencies)
        return Fail(error, line,
                    "ServiceDependencies is longer than " +
                        std::to_string(sizeof r.ServiceDependencies - 2) + " characters");
    std::memset(r.ServiceDependencies, 0, sizeof r.ServiceDependencies);
    std::memcpy(r.ServiceDependencies, packed.data(), packed.size());
    return true;
}

bool ParseLine(const LineFields& f, const BuildState& state, FileLine& out, ScriptError& error) {
    const int line = f.Line();
    FileRecord& r = out.record;
    r = pkg::NewFileRecord();
    r.Attributes = 0x20;  // archive, as a freshly written file has it
    if (const std::string* dir = f.Get("Dir")) {
        int index = FindName(state.dirNames, *dir);
        if (index < 0) return Fail(error, line, "unknown directory " + *dir + " (not in [Dirs])");
        if (f.Get("Base")) return Fail(error, line, "Base and Dir exclude each other");
        r.DirNumber = static_cast<std::uint32_t>(index) + 1;
        out.dirName = state.dirNames[index];
    }
    if (const std::string* base = f.Get("Base"))
        if (!ParseBase(*base, r.InSystemDir, r.InWindowsDir))
            return Fail(error, line, "unknown base " + *base + " (destination, windows, system)");
    bool uncompressed = false;
    if (const std::string* flags = f.Get("Flags")) {
        std::string kept;
        for (const std::string& word : Words(*flags)) {
            if (EqualsNoCase(word, "Uncompressed"))
                uncompressed = true;
            else
                kept += word + " ";
        }
        std::string bad;
        if (!SetFlags(names::FileFlags, kept, r, bad))
            return Fail(error, line, "unknown flag " + bad + " in [Files]");
        if (uncompressed && r.Compressed)
            return Fail(error, line, "flags Compressed and Uncompressed exclude each other");
    }
    // An explicit flag wins; by default a file is compressed where that
    // makes it smaller.
    out.compression = r.Compressed ? pkg::Compression::Always
                      : state.compressByDefault && !uncompressed ? pkg::Compression::IfSmaller
                                                                 : pkg::Compression::Never;
    r.Compressed = 0;  // set per file once its data are prepared
    if (const std::string* attributes = f.Get("Attributes")) {
        std::string bad;
        if (!ParseAttributes(*attributes, r.Attributes, bad))
            return Fail(error, line, "unknown attribute " + bad);
        if (r.Attributes & 0x10) return Fail(error, line, "a file cannot have attribute Directory");
    }
    if (const std::string* overwrite = f.Get("Overwrite"))
        if (!LookUp(names::OverwriteModes, *overwrite, r.OverwriteMode))
            return Fail(error, line, "unknown Overwrite " + *overwrite + " (always, never, older)");
    const std::string* service = f.Get("Service");
    if (service && !PutText(r.ServiceName, *service, "Service", line, error)) return false;
    if (const std::string* display = f.Get("ServiceDisplayName"))
        if (!PutText(r.ServiceDisplayName, *display, "ServiceDisplayName", line, error))
            return false;
    if (const std::string* deps = f.Get("ServiceDependencies"))
        if (!ParseServiceDependencies(*deps, r, line, error)) return false;
    bool hasService = service && !service->empty();
    if (!hasService && (f.Get("ServiceDisplayName") || f.Get("ServiceDependencies") ||
                        r.StartService || r.RunService95))
        return Fail(error, line, "service settings without a Service name");
    if (r.RegisterByRun && !r.SelfRegister)
        return Fail(error, line, "flag RegisterByRun needs flag SelfRegister");
    if (const std::string* trailer = f.Get("Trailer")) {
        std::vector<std::uint8_t> bytes;
        if (!ParseHexBytes(*trailer, bytes) || bytes.size() != sizeof r.Trailer)
            return Fail(error, line, "Trailer must be 16 bytes in hexadecimal");
        std::memcpy(r.Trailer, bytes.data(), bytes.size());
        r.AppendTrailer = 1;
    }
    return true;
}

// A name with directory parts needs those directories from [Dirs] (the
// installation creates none for a file) unless it lies below Windows or
// the system directory, which exist already.
bool CheckNameDirectories(const FileRecord& r, const std::string& name, const FileLine& fl,
                          const BuildState& state, int line, ScriptError& error) {
    std::size_t slash = name.rfind('\\');
    if (slash == std::string::npos) return true;
    const DirRecord* base = fl.record.DirNumber ? &state.contents->dirs[r.DirNumber - 1] : nullptr;
    bool inSystem = base ? base->InSystemDir != 0 : r.InSystemDir != 0;
    bool inWindows = base ? base->InWindowsDir != 0 : r.InWindowsDir != 0;
    if (inSystem || inWindows) return true;
    std::string needed = (fl.dirName.empty() ? "" : fl.dirName + "\\") + name.substr(0, slash);
    int index = FindName(state.dirNames, needed);
    if (index < 0 || state.contents->dirs[index].InSystemDir ||
        state.contents->dirs[index].InWindowsDir)
        return Fail(error, line, "file " + name + " needs directory " + needed + " in [Dirs]");
    return true;
}

bool SameTarget(const FileRecord& a, const FileRecord& b) {
    return a.DirNumber == b.DirNumber && (a.DirNumber != 0 || (a.InSystemDir == b.InSystemDir &&
                                                               a.InWindowsDir == b.InWindowsDir)) &&
           EqualsNoCase(a.FileName, b.FileName);
}

bool AddFile(const SourceFile& source, const std::string& name, const std::string* id,
             const FileLine& fl, BuildState& state, int line, ScriptError& error) {
    FileRecord r = fl.record;
    const std::string fault = NameFault(name, "name");
    if (!fault.empty()) return Fail(error, line, "file name " + name + " " + fault);
    if (!PutText(r.FileName, name, "file name", line, error)) return false;
    // Below its directory record, whose own name counts too.
    const std::string path = (fl.dirName.empty() ? "" : fl.dirName + "\\") + name;
    if (!FitsBelowShortestBase(path)) return FailTooLong(error, line, "file name", path);
    if (!CheckNameDirectories(r, name, fl, state, line, error)) return false;
    std::string ref = id ? *id : (fl.dirName.empty() ? "" : fl.dirName + "\\") + name;
    if (FindName(state.fileRefs, ref) >= 0)
        return Fail(error, line, "duplicate file name " + ref + " (give one an Id)");
    for (const FileRecord& other : state.contents->files)
        if (SameTarget(other, r)) return Fail(error, line, "file " + name + " is installed twice");

    SourceInfo info;
    std::string message;
    if (!StatSourceFile(source.path, info, message)) return Fail(error, line, message);
    r.InstalledSize = static_cast<std::uint32_t>(info.size);
    r.CreationTime = r.LastAccessTime = r.LastWriteTime = info.time;
    // The compressed copy is written under the name with its last character
    // replaced by "_"; a name ending in "_" would be expanded onto itself.
    if (fl.compression != pkg::Compression::Never && name.back() == '_')
        return Fail(error, line, "compressed file " + name + " must not end in _ (use flag Uncompressed)");
    if (state.log) state.log->sources.push_back(source.path);
    // The data are read, versioned and compressed when the package is written.
    state.contents->files.push_back(r);
    state.sources.push_back({source.path, info.size, fl.compression, name.back(), line});
    state.fileRefs.push_back(ref);
    state.fileLines.push_back(line);
    return true;
}

}  // namespace

bool BuildFiles(const std::vector<RecordLine>& lines, BuildState& state, ScriptError& error) {
    for (const RecordLine& line : lines) {
        LineFields f(line);
        if (!f.CheckKnown(FileFields, sizeof FileFields / sizeof *FileFields, "Files", error))
            return false;
        const std::string* source = nullptr;
        if (!f.Require("Source", source, error)) return false;
        FileLine fl;
        if (!ParseLine(f, state, fl, error)) return false;
        std::vector<SourceFile> matches;
        bool many = false;
        std::string message;
        if (!ExpandSource(state.baseDir, *source, matches, many, message))
            return Fail(error, line.line, message);
        const std::string* name = f.Get("Name");
        const std::string* id = f.Get("Id");
        if (many && (name || id))
            return Fail(error, line.line, "Name and Id need a source of one file, not " + *source);
        if (id && id->empty()) return Fail(error, line.line, "empty Id");
        for (const SourceFile& match : matches) {
            // A name taken from the disk is UTF-8 like the script.
            std::string installed = name ? *name : match.name;
            if (!name) {
                std::string bad;
                if (!ToCodePage(match.name, state.codePage, installed, bad))
                    return Fail(error, line.line,
                                bad.empty() ? "the source file name " + match.name + " is not UTF-8"
                                            : "the source file name " + match.name +
                                                  " holds the character " + bad +
                                                  ", which code page " +
                                                  std::to_string(state.codePage) +
                                                  " cannot hold (give a Name)");
            }
            if (!AddFile(match, installed, id, fl, state, line.line, error)) return false;
        }
    }
    return true;
}

}  // namespace pkgbuild
