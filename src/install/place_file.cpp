// PlaceFile: installs one file record in three steps. The rule (the
// overwrite modes and versions), the write (the data from the package), and
// putting in place (the expansion of compressed data, times and attributes,
// the registrations and the replacement at the next restart of a shared file
// that is present already).
#include <cstring>

#include "install/install.h"
#include "log/log.h"
#include "package/package.h"
#include "package/record.h"
#include "text/boxes.h"
#include "status/cancel.h"
#include "text/format.h"
#include "text/messages.h"
#include "status/progress.h"

namespace {

constexpr std::uint32_t OverwriteKeep = 2;
constexpr std::uint32_t OverwriteKeepNewer = 4;
// The eight bytes every file of the platform expander's format begins with,
// "SZDD" 0x88 0xF0 0x27 0x33, as two little-endian words.
constexpr std::uint32_t SzddSignatureLow = 0x44445A53u;
constexpr std::uint32_t SzddSignatureHigh = 0x3327F088u;

// What the log says of a file that is not vital when one of its steps fails.
constexpr char CreateFailed[] = "Error while creating nonvital file: ";
constexpr char WriteFailed[] = "Error while writing nonvital file: ";
constexpr char ExpansionFailed[] = "Error while decompressing nonvital file: ";
constexpr char WrongSize[] = "Wrong size of nonvital file: ";

// What one record holds while it is placed; released on every way out.
struct Held {
    explicit Held(Run& r) : run(r) {}
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() {
        CloseOutput();
        CloseExpansion();
        FreeBlock();
        if (scratch != nullptr) run.os.DeleteFile(scratch);
        if (replacement != nullptr) run.os.DeleteFile(replacement);
    }
    void CloseOutput() {
        if (output != os::InvalidFile) run.os.LClose(output);
        output = os::InvalidFile;
    }
    void CloseExpansion() {
        if (source >= 0) run.os.LZClose(source);
        if (target >= 0) run.os.LZClose(target);
        source = target = -1;
    }
    void FreeBlock() {
        if (block != nullptr) run.os.Free(block);
        block = nullptr;
    }

    Run& run;
    os::FileHandle output = os::InvalidFile;
    int source = -1;
    int target = -1;
    void* block = nullptr;
    // Temporary files of the record, deleted on every way out (a cancel
    // too) unless handed on: the compressed copy or the restart copy written
    // from the package, and the file a restart copy is expanded into.
    const char* scratch = nullptr;
    const char* replacement = nullptr;
};

// A failed step of a record: a vital one shows `message` with the path and
// ends the installation (true); any other logs `cause` with the path and
// goes on (false).
bool EndsInstallation(Run& run, os::Window owner, const FileRecord& r, MessageId message,
                      const char* cause, const char* path) {
    if (r.Vital) {
        ShowError(run, owner, message, path);
        return true;
    }
    LogLine(run, cause, path);
    return false;
}

std::uint64_t Wide(std::uint32_t high, std::uint32_t low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

// A kept record still passes its data and advances the progress.
bool SkipRecord(Run& run, os::Window owner, const FileRecord& r, std::uint32_t position) {
    if (!SkipStoredData(run, owner, r.StoredSize)) return false;
    DrawProgress(run, owner, 0, position);
    return true;
}

enum class Rule { Install, Keep, Fail };

// Overwrite mode 4: an existing file as new as the packaged one is kept. A
// missing target is installed.
Rule NewerFileRule(Run& run, os::Window owner, const FileRecord& r, const char* target) {
    if (!PathExists(run, target)) return Rule::Install;
    const os::FileHandle file = run.os.CreateFile(target, os::GENERIC_READ, os::FILE_SHARE_READ,
                                                  os::OPEN_EXISTING, 0);
    if (file == os::InvalidFile) {
        char text[LogLineSize];
        FormatText(text, sizeof text, "Couldn't open '%s'.", target);
        ShowError(run, owner, text);
        return Rule::Fail;
    }
    os::FileTime written{};
    const bool known = run.os.GetFileTime(file, nullptr, nullptr, &written);
    run.os.CloseHandle(file);
    if (!known) return Rule::Install;
    if (Wide(written.High, written.Low) >= Wide(r.LastWriteTime.High, r.LastWriteTime.Low)) {
        LogLine(run, "Skipping file. Existing file has same last write date or is newer: ", target);
        return Rule::Keep;
    }
    return Rule::Install;
}

// The version rule: an existing file of the same or a higher version is kept;
// one without version information is replaced.
Rule VersionRule(Run& run, os::Window owner, const FileRecord& r, const char* target) {
    const std::uint32_t size = run.os.GetFileVersionInfoSize(target);
    if (size == 0) {
        LogLine(run, "Couldn't get the version info size of ", target);
        return Rule::Install;
    }
    void* data = run.os.Alloc(size);
    if (data == nullptr) {
        ShowError(run, owner, MessageId::OutOfMemory);
        return Rule::Fail;
    }
    if (!run.os.GetFileVersionInfo(target, size, data)) {
        run.os.Free(data);
        ShowError(run, owner, MessageId::NoVersionInfo, target);
        return Rule::Fail;
    }
    std::uint32_t ms = 0;
    std::uint32_t ls = 0;
    const bool found = run.os.QueryFileVersion(data, &ms, &ls);
    run.os.Free(data);
    if (!found) {
        ShowError(run, owner, MessageId::NoFixedVersionInfo, target);
        return Rule::Fail;
    }
    if (Wide(r.FileVersionMS, r.FileVersionLS) > Wide(ms, ls)) return Rule::Install;
    LogLine(run, "Skipping file. Existing file is the same version or higher: ", target);
    return Rule::Keep;
}

// The path the package data are written to. A compressed file is written
// under its target name with the last character replaced by "_"; when the
// target itself ends in "_" that would be the target, and the expansion
// would overwrite its own source, so "~" takes the place of the "_".
void FormDataPath(const char* target, bool compressed, char* dataPath) {
    std::strcpy(dataPath, target);
    const std::size_t length = std::strlen(dataPath);
    if (!compressed || length == 0) return;
    dataPath[length - 1] = dataPath[length - 1] == '_' ? '~' : '_';
}

// A new temporary file "tmp....tmp" in the system's temporary directory.
bool MakeTemporaryFile(Run& run, char* path) {
    char directory[PathSize];
    path[0] = '\0';
    const unsigned length = run.os.GetTempPath(sizeof directory, directory);
    if (length == 0 || length >= sizeof directory) return false;
    if (run.os.GetTempFileName(directory, "tmp", path) == 0) {
        path[0] = '\0';
        return false;
    }
    return true;
}

// Has the installed copy replace the target at the next restart of Windows.
bool RegisterRestartRename(Run& run, const char* copy, const char* target) {
    if (run.IsWindowsNT)
        return run.os.MoveFileEx(copy, target,
                                 os::MOVEFILE_REPLACE_EXISTING | os::MOVEFILE_DELAY_UNTIL_REBOOT);
    char shortTarget[PathSize];
    char shortCopy[PathSize];
    const unsigned t = run.os.GetShortPathName(target, shortTarget, sizeof shortTarget);
    if (t == 0 || t >= sizeof shortTarget) FormatText(shortTarget, sizeof shortTarget, "%s", target);
    const unsigned c = run.os.GetShortPathName(copy, shortCopy, sizeof shortCopy);
    if (c == 0 || c >= sizeof shortCopy) FormatText(shortCopy, sizeof shortCopy, "%s", copy);
    char iniPath[PathSize];
    FormatText(iniPath, sizeof iniPath, "%s\\WININIT.INI", run.WindowsDir);
    return run.os.WritePrivateProfileString("Rename", shortTarget, shortCopy, iniPath);
}

// Trailer, file times and attributes of the installed copy; failures are
// ignored.
void FinishCopy(Run& run, const FileRecord& r, const char* copy) {
    if (r.AppendTrailer) {
        const os::FileHandle file = run.os.LOpen(copy, os::OF_WRITE | os::OF_SHARE_EXCLUSIVE);
        if (file != os::InvalidFile) {
            if (run.os.LSeek(file, 0, os::SEEK_FROM_END) >= 0 &&
                run.os.HWrite(file, r.Trailer, sizeof r.Trailer) ==
                    static_cast<long>(sizeof r.Trailer))
                run.os.HWrite(file, r.Trailer, 0);
            run.os.LClose(file);
        }
    }
    const os::FileHandle file =
        run.os.CreateFile(copy, os::GENERIC_WRITE, 0, os::OPEN_EXISTING, 0);
    if (file != os::InvalidFile) {
        run.os.SetFileTime(file, &r.CreationTime, &r.LastAccessTime, &r.LastWriteTime);
        run.os.CloseHandle(file);
    }
    run.os.SetFileAttributes(copy, r.Attributes);
}

// Expands the compressed copy at dataPath into expansionPath and deletes the
// compressed copy. Returns false when the installation must end; `expanded`
// tells whether the expansion succeeded and gave InstalledSize bytes. Data
// without the signature are no compressed file: the expander would copy
// them as they are.
bool Expand(Run& run, os::Window owner, Held& held, const FileRecord& r, const char* target,
            const char* dataPath, const char* expansionPath, bool compressedData,
            bool& expanded) {
    expanded = false;
    SetStatusLabel(run, Msg(MessageId::Decompressing));
    SetStatusDetail(run, target);
    LogLine(run, "Decompressing: ", target);
    held.source = run.os.LZOpenFile(dataPath, os::OF_READ | os::OF_SHARE_EXCLUSIVE);
    held.target = expansionPath[0] != '\0'
                      ? run.os.LZOpenFile(expansionPath, os::OF_CREATE | os::OF_SHARE_EXCLUSIVE)
                      : -1;
    if (PollCancel(run)) return false;

    // On a way out the compressed copy goes with the record's other
    // temporary files (see Held).
    if (held.target < 0) {
        if (EndsInstallation(run, owner, r, MessageId::CouldntCreateDuringDecompression,
                             ExpansionFailed, expansionPath))
            return false;
    } else {
        // A compressed copy that cannot be opened is an expansion error.
        const long copied = held.source >= 0 && compressedData
                                ? run.os.LZCopy(held.source, held.target)
                                : -1;
        if (PollCancel(run)) return false;
        if (copied < 0) {
            if (EndsInstallation(run, owner, r, MessageId::DecompressionError, ExpansionFailed,
                                 expansionPath))
                return false;
        } else if (copied != static_cast<long>(r.InstalledSize)) {
            // A damaged stream expands to fewer (or more) bytes: a failed write.
            if (EndsInstallation(run, owner, r, MessageId::CouldntWriteData, WrongSize,
                                 expansionPath))
                return false;
        } else {
            expanded = true;
        }
    }
    held.CloseExpansion();
    run.os.DeleteFile(dataPath);
    held.scratch = nullptr;
    return !PollCancel(run);
}

// The rules: counts a shared file, and decides by the overwrite mode and
// the versions whether the record is installed; clears the hidden bit of
// the present file and deletes it unless it is shared. Fail ends the
// installation; Keep skips the record.
Rule InstallRule(Run& run, os::Window owner, const FileRecord& r, const char* target,
                 bool& existed) {
    // Noted before anything is done to it: whether the target was there
    // before the first installation of the product.
    const bool found = run.RecordFile != os::InvalidFile &&
                       RecordFinding(run, FoundPath, target, PathExists(run, target));
    // Counted before any rule: a shared file that a rule keeps is counted too.
    // The product holds one reference, however often it is installed.
    if (r.Shared && !RecordHas(run, CountedShared, target)) {
        RecordAdd(run, CountedShared, target);
        if (!RecordWrite(run, owner)) return Rule::Fail;
        AddSharedReference(run, target);
    }
    if (!RecordWrite(run, owner)) return Rule::Fail;

    if (r.OverwriteMode == OverwriteKeep && PathExists(run, target)) {
        LogLine(run, "Skipping file. File already exists: ", target);
        return Rule::Keep;
    }
    if (r.OverwriteMode == OverwriteKeepNewer) {
        const Rule rule = NewerFileRule(run, owner, r, target);
        if (rule != Rule::Install) return rule;
    }

    if (PollCancel(run)) return Rule::Fail;
    existed = PathExists(run, target);
    if (r.CompareVersion && existed) {
        const Rule rule = VersionRule(run, owner, r, target);
        if (rule != Rule::Install) return rule;
    }

    if (found && existed) {
        RecordAdd(run, ReplacedPath, target);
        if (!RecordWrite(run, owner)) return Rule::Fail;
    }

    if (r.NeedsRestart) run.RestartNeeded = true;

    const std::uint32_t attributes = run.os.GetFileAttributes(target);
    if (attributes != os::INVALID_FILE_ATTRIBUTES &&
        (attributes & (os::FILE_ATTRIBUTE_READONLY | os::FILE_ATTRIBUTE_HIDDEN |
                       os::FILE_ATTRIBUTE_SYSTEM)) != 0)
        run.os.SetFileAttributes(target, attributes & ~os::FILE_ATTRIBUTE_HIDDEN);

    if (PollCancel(run)) return Rule::Fail;
    if (existed && !r.Shared && !run.os.DeleteFile(target)) {
        ShowError(run, owner, MessageId::FileInUseByAnother, target);
        return Rule::Fail;
    }
    return Rule::Install;
}

// What the write leaves for putting the file in place.
struct Written {
    bool whole = false;           // the data file holds the record's bytes
    bool compressedData = false;  // they begin with the expander's signature
};

// The write: reads the record's data from the package and writes them to
// dataPath (the target, its compressed copy, or the temporary copy of a
// restart replacement). Returns false when the installation must end.
bool WriteData(Run& run, os::Window owner, Held& held, const FileRecord& r, const char* target,
               bool restartReplacement, char* dataPath, Written& out) {
    const bool compressed = r.Compressed != 0;
    if (restartReplacement && !compressed) {
        run.RestartNeeded = true;
        if (MakeTemporaryFile(run, dataPath)) held.scratch = dataPath;
    } else {
        FormDataPath(target, compressed, dataPath);
    }
    LogLine(run, "Creating file: ", dataPath);

    held.block = run.os.Alloc(r.StoredSize != 0 ? r.StoredSize : 1);
    if (held.block == nullptr) {
        ShowError(run, owner, MessageId::OutOfMemory);
        return false;
    }
    if (PollCancel(run)) return false;
    // Fewer bytes than stored is a failed read, never a file padded with zeros.
    const long size = static_cast<long>(r.StoredSize);
    if (r.StoredSize > 0x7FFFFFFFu || run.os.HRead(run.Package, held.block, size) != size) {
        ShowReadDataError(run, owner);
        return false;
    }
    if (PollCancel(run)) return false;

    const std::uint32_t* head = static_cast<const std::uint32_t*>(held.block);
    out.compressedData = compressed && size >= 8 && head[0] == SzddSignatureLow &&
                         head[1] == SzddSignatureHigh;
    held.output = dataPath[0] != '\0' ? run.os.LCreat(dataPath, 0) : os::InvalidFile;
    if (held.output == os::InvalidFile) {
        if (r.Vital) {
            ShowError(run, owner, MessageId::CouldntCreateFile, dataPath,
                      static_cast<int>(run.os.GetLastError()));
            return false;
        }
        LogLine(run, CreateFailed, dataPath);
    } else {
        if (compressed) held.scratch = dataPath;
        if (PollCancel(run)) return false;
        if (run.os.HWrite(held.output, held.block, size) != size) {
            if (EndsInstallation(run, owner, r, MessageId::CouldntWriteData, WriteFailed, dataPath))
                return false;
        } else if (!compressed && r.StoredSize != r.InstalledSize) {
            // A plain copy is whole when it holds InstalledSize bytes.
            if (EndsInstallation(run, owner, r, MessageId::CouldntWriteData, WrongSize, dataPath))
                return false;
        } else {
            out.whole = true;
            if (PollCancel(run)) return false;
            run.os.HWrite(held.output, held.block, 0);
        }
    }
    held.FreeBlock();
    held.CloseOutput();
    return true;
}

// Putting in place: expands a compressed copy, gives the copy its times and
// attributes, registers the file, and hands a restart replacement to the
// next restart. Returns false when the installation must end.
bool PutInPlace(Run& run, os::Window owner, Held& held, const FileRecord& r, const char* target,
                bool existed, bool restartReplacement, const char* dataPath,
                char* expansionPath, const Written& written) {
    const bool compressed = r.Compressed != 0;
    bool expanded = false;
    if (compressed && written.whole) {
        if (restartReplacement) {
            run.RestartNeeded = true;
            if (MakeTemporaryFile(run, expansionPath)) held.replacement = expansionPath;
        } else {
            std::strcpy(expansionPath, target);
        }
        if (!Expand(run, owner, held, r, target, dataPath, expansionPath, written.compressedData,
                    expanded))
            return false;
    }

    // The installed copy: the expanded file, the temporary copy of a restart
    // replacement, or the target.
    const char* copy = target;
    if (compressed && written.whole)
        copy = expansionPath;
    else if (restartReplacement)
        copy = dataPath;
    const bool copyMade = compressed ? expanded : written.whole;
    // A restart copy that is not whole is not put in place: it goes with the
    // temporary files.
    if (!restartReplacement || copyMade) FinishCopy(run, r, copy);

    if (!existed && r.Shared && r.SelfRegister &&
        !RegisterComponent(run, owner, target, r.RegisterByRun != 0, Registration::Register))
        return false;
    if (r.AppPath) {
        char fileName[sizeof r.FileName + 1];
        CopyText(fileName, sizeof fileName, r.FileName, sizeof r.FileName);
        RegisterAppPath(run, target, fileName);
    }
    if (run.IsWindows95 && r.RunService95) {
        char serviceName[sizeof r.ServiceName + 1];
        CopyText(serviceName, sizeof serviceName, r.ServiceName, sizeof r.ServiceName);
        RegisterRunService95(run, target, serviceName);
    }

    if (restartReplacement && copyMade) {
        if (RegisterRestartRename(run, copy, target))
            held.scratch = held.replacement = nullptr;
        else
            LogLine(run, "Couldn't replace at the next restart: ", target);
    }
    return true;
}

}  // namespace

bool PlaceFile(Run& run, os::Window owner, std::size_t index, std::uint32_t& position) {
    const FileRecord& r = run.Files[index];
    // The paths outlive the record's temporary files, which point into them.
    char target[PathSize];
    char dataPath[PathSize];
    char expansionPath[PathSize];
    Held held(run);
    FilePath(run, index, target);
    position += r.InstalledSize;
    SetStatusDetail(run, target);

    bool existed = false;
    const Rule rule = InstallRule(run, owner, r, target, existed);
    if (rule == Rule::Fail) return false;
    if (rule == Rule::Keep) return SkipRecord(run, owner, r, position);

    // A shared file that is present already may be in use: it is left alone,
    // and its new copy replaces it at the next restart, compressed or not.
    // One that this product's first installation made is replaced at once
    // when it can be deleted, so that no copy waits for a restart.
    const bool restartReplacement =
        existed && r.Shared && !(RecordHas(run, NewPath, target) && run.os.DeleteFile(target));
    Written written;
    if (!WriteData(run, owner, held, r, target, restartReplacement, dataPath, written) ||
        !PutInPlace(run, owner, held, r, target, existed, restartReplacement, dataPath,
                    expansionPath, written))
        return false;

    DrawProgress(run, owner, 0, position);
    return true;
}
