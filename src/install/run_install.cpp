// RunInstall: the install sequence. PathExists and MakeDirectory.
#include <cstring>

#include "install/install.h"
#include "install/services.h"
#include "log/log.h"
#include "package/package.h"
#include "package/record.h"
#include "text/boxes.h"
#include "status/cancel.h"
#include "text/format.h"
#include "text/messages.h"
#include "status/progress.h"

// The message names the running program's own file, also when the package
// was named on the command line.
void ShowReadDataError(Run& run, os::Window owner) {
    char program[PathSize] = {};
    run.os.GetModuleFileName(program, sizeof program);
    program[PathSize - 1] = '\0';
    ShowError(run, owner, MessageId::CouldntReadData, program);
}

namespace {

// Larger moves are split so that every seek offset fits a 32-bit long.
constexpr std::uint32_t LargestSeek = 0x40000000u;

// The uninstaller is the stub plus the information, without file data: the
// package from its first byte up to the end of the installation information.
bool CreateUninstallerCopy(Run& run, os::Window owner) {
    LogText(run, "Preparing creation of uninstaller...");
    const std::uint64_t total = static_cast<std::uint64_t>(run.InfoOffset) + run.InfoSize;
    if (total > 0x7FFFFFFFu) {
        ShowError(run, owner, MessageId::OutOfMemory);
        return false;
    }
    const long size = static_cast<long>(total);
    void* block = run.os.Alloc(static_cast<std::size_t>(size));
    if (block == nullptr) {
        ShowError(run, owner, MessageId::OutOfMemory);
        return false;
    }

    const long position = run.os.LSeek(run.Package, 0, os::SEEK_FROM_CURRENT);
    if (position < 0 || run.os.LSeek(run.Package, 0, os::SEEK_FROM_BEGIN) != 0 ||
        run.os.HRead(run.Package, block, size) != size) {
        run.os.Free(block);
        ShowReadDataError(run, owner);
        return false;
    }
    run.UnsignedCopy = UnsignImage(static_cast<unsigned char*>(block), size);

    char path[PathSize];
    char name[sizeof(InstallHeader::UninstallerName) + 1];
    CopyText(name, sizeof name, run.Header->UninstallerName, sizeof run.Header->UninstallerName);
    FormatText(path, sizeof path, "%s\\%s", run.DestinationDir, name);
    LogLine(run, "Creating uninstaller: ", path);
    run.os.SetFileAttributes(path, os::FILE_ATTRIBUTE_NORMAL);
    // An uninstaller there already holds the record of the installations
    // before: it is read first, and the file is overwritten in place, never
    // shortened, so that a run killed meanwhile leaves one of the two whole.
    os::FileHandle file = run.os.LOpen(path, os::OF_READWRITE | os::OF_SHARE_EXCLUSIVE);
    long old = 0;
    if (file != os::InvalidFile) {
        old = run.os.LSeek(file, 0, os::SEEK_FROM_END);
        if (old > 0) ReadRecord(run, file, -1, old, true);
    } else {
        file = run.os.LCreat(path, 0);
    }
    if (file == os::InvalidFile) {
        const std::uint32_t error = run.os.GetLastError();
        run.os.Free(block);
        ShowError(run, owner, MessageId::CouldntCreateFile, path, static_cast<int>(error));
        return false;
    }
    run.RecordFile = file;
    RecordDirectory(run, run.DestinationDir, path);
    // Stub, information and record in one write.
    const long entries = static_cast<long>(run.RecordUsed);
    const long image = size + entries + RecordFooterSize;
    const long pad = old > image ? old - image : 0;
    char* whole = run.RecordLost ? nullptr
                                 : static_cast<char*>(run.os.Alloc(static_cast<std::size_t>(image + pad)));
    if (whole == nullptr) {
        run.os.Free(block);
        ShowError(run, owner, MessageId::OutOfMemory);
        return false;
    }
    std::memcpy(whole, block, static_cast<std::size_t>(size));
    if (entries != 0) std::memcpy(whole + size + pad, run.Record, static_cast<std::size_t>(entries));
    RecordFooter(whole + size + pad + entries, static_cast<std::uint32_t>(pad + entries));
    run.RecordEnd = size + pad + entries;
    run.RecordWritten = run.RecordUsed;
    const bool written = run.os.LSeek(file, 0, os::SEEK_FROM_BEGIN) == 0 &&
                         run.os.HWrite(file, whole, image + pad) == image + pad;
    run.os.Free(whole);
    if (written) run.os.HWrite(file, block, 0);
    run.os.Free(block);
    if (!written) {
        ShowError(run, owner, MessageId::CouldntWriteData, path);
        return false;
    }
    // The file phase reads on from where the reader left the package; a
    // package that cannot be put back there would give files wrong data.
    if (run.os.LSeek(run.Package, position, os::SEEK_FROM_BEGIN) != position) {
        ShowReadDataError(run, owner);
        return false;
    }
    return true;
}

bool CreateDirectories(Run& run, os::Window owner) {
    if (run.Header->DirCount == 0) return true;
    SetStatusLabel(run, Msg(MessageId::CreatingDirectory));
    SetStatusDetail(run, nullptr);
    char path[PathSize];
    for (std::uint32_t n = 0; n < run.Header->DirCount; ++n) {
        if (PollCancel(run)) return false;
        const DirRecord& dir = run.Dirs[n];
        // Every directory the uninstallation will sweep is looked at first,
        // also one this installation does not create.
        if (!LeftAtUninstall(run, dir) && DirPath(run, n, path) != 0) {
            RecordDirectory(run, path, nullptr);
            if (!RecordWrite(run, owner)) return false;
        }
        if (!AppliesAtInstall(run, dir)) continue;
        DirPath(run, n, path);
        SetStatusDetail(run, path);
        // An existing directory is neither logged nor changed.
        if (PathExists(run, path)) continue;
        LogLine(run, "Creating directory: ", path);
        if (!MakeDirectory(run, path)) {
            ShowError(run, owner, MessageId::CouldntCreateDirectory, path);
            return false;
        }
        run.os.SetFileAttributes(path, dir.Attributes);
    }
    return true;
}

bool PlaceFiles(Run& run, os::Window owner) {
    run.ProgressPosition = 0;
    for (std::uint32_t n = 0; n < run.Header->FileCount; ++n) {
        if (PollCancel(run)) return false;
        SetStatusLabel(run, Msg(MessageId::Extracting));
        const FileRecord& file = run.Files[n];
        if (!AppliesAtInstall(run, file)) {
            char path[PathSize];
            if (!LeftAtUninstall(run, file) && FilePath(run, n, path) != 0) {
                RecordFinding(run, FoundPath, path, PathExists(run, path));
                if (!RecordWrite(run, owner)) return false;
            }
            // The data of every record are passed, so the next record reads
            // its own.
            if (!SkipStoredData(run, owner, file.StoredSize)) return false;
            DrawProgress(run, owner, 0, run.ProgressPosition);
            continue;
        }
        if (!PlaceFile(run, owner, n, run.ProgressPosition)) return false;
    }
    return true;
}

bool RunPhases(Run& run, os::Window owner) {
    if (PollCancel(run)) return false;
    if (run.Header->CreateUninstaller != 0 && !CreateUninstallerCopy(run, owner)) return false;
    if (PollCancel(run)) return false;
    if (!CreateDirectories(run, owner)) return false;
    if (!ServicePrePass(run, owner)) return false;
    if (!PlaceFiles(run, owner)) return false;
    LogText(run, Msg(MessageId::Empty));
    if (PollCancel(run)) return false;
    if (!CreateRegistryKeys(run, owner) || !SetRegistryValues(run, owner)) return false;
    CloseRegistryKeys(run);
    return true;
}

}  // namespace

bool SkipStoredData(Run& run, os::Window owner, std::uint32_t size) {
    while (size > 0) {
        const std::uint32_t step = size < LargestSeek ? size : LargestSeek;
        if (run.os.LSeek(run.Package, static_cast<long>(step), os::SEEK_FROM_CURRENT) < 0) {
            ShowError(run, owner, MessageId::CouldntSkipFile);
            return false;
        }
        size -= step;
    }
    return true;
}

bool RunInstall(Run& run, os::Window owner) {
    const bool done = RunPhases(run, owner);
    // Keys left open by a failed registry pass are closed here too.
    ReleaseRegistryKeys(run);
    return done;
}

bool PathExists(Run& run, const char* path) {
    return run.os.GetFileAttributes(path) != os::INVALID_FILE_ATTRIBUTES;
}

bool MakeDirectory(Run& run, const char* path) { return run.os.CreateDirectory(path); }
