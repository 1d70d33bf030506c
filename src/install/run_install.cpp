// RunInstall: the install sequence. PathExists and MakeDirectory.
#include <cstring>

#include "install/install.h"
#include "install/services.h"
#include "log/log.h"
#include "package/package.h"
#include "text/boxes.h"
#include "status/cancel.h"
#include "text/format.h"
#include "text/messages.h"
#include "status/progress.h"

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
        ShowError(run, owner, MessageId::CouldntReadData, run.PackagePath);
        return false;
    }
    UnsignImage(static_cast<unsigned char*>(block), size);

    char path[PathSize];
    char name[sizeof(InstallHeader::UninstallerName) + 1];
    CopyText(name, sizeof name, run.Header->UninstallerName, sizeof run.Header->UninstallerName);
    FormatText(path, sizeof path, "%s\\%s", run.DestinationDir, name);
    LogLine(run, "Creating uninstaller: ", path);
    run.os.SetFileAttributes(path, os::FILE_ATTRIBUTE_NORMAL);
    const os::FileHandle file = run.os.LCreat(path, 0);
    if (file == os::InvalidFile) {
        const std::uint32_t error = run.os.GetLastError();
        run.os.Free(block);
        ShowError(run, owner, MessageId::CouldntCreateFile, path, static_cast<int>(error));
        return false;
    }
    const bool written = run.os.HWrite(file, block, size) == size;
    if (written) run.os.HWrite(file, block, 0);
    run.os.LClose(file);
    run.os.Free(block);
    if (!written) {
        ShowError(run, owner, MessageId::CouldntWriteData, path);
        return false;
    }
    // The file phase reads on from where the reader left the package; a
    // package that cannot be put back there would give files wrong data.
    if (run.os.LSeek(run.Package, position, os::SEEK_FROM_BEGIN) != position) {
        ShowError(run, owner, MessageId::CouldntReadData, run.PackagePath);
        return false;
    }
    if (run.WindowsMajor >= 4) run.os.SetFileAttributes(path, os::FILE_ATTRIBUTE_HIDDEN);
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
