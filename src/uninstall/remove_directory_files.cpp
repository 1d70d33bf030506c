// RemoveDirectoryFiles: deletes the files that lie directly in one directory.
#include <cstring>

#include "package/package.h"
#include "package/record.h"
#include "text/format.h"
#include "status/progress.h"
#include "uninstall/uninstall.h"

// A file the uninstallation leaves is never swept away with the rest of
// its directory: the file of a kept record, and a shared file that is still
// there after the file phase (its count stayed above 0 or the user kept it).
bool BelongsToAStayingRecord(const Run& run, const char* path) {
    // So does a file that was there before the first installation.
    if (RecordKeepsPath(run, path)) return true;
    if (run.Header == nullptr || run.Files == nullptr) return false;
    for (std::uint32_t n = 0; n < run.Header->FileCount; ++n) {
        const FileRecord& file = run.Files[n];
        if (!LeftAtUninstall(run, file) && !file.Shared) continue;
        char recordPath[PathSize];
        if (FilePath(run, n, recordPath) != 0 && SameNameNoCase(run.os, recordPath, path)) return true;
    }
    return false;
}

bool SameNameNoCase(os::Platform& os, const char* a, const char* b) {
    return os.CompareTextNoCase(a, b) == 0;
}

// The search goes on after a deletion, and one pass follows every pass that
// deleted something: an entry that stays (a subdirectory, the spared
// uninstaller, a file in use) is met once per pass, and the work ends after
// a pass that deletes nothing. A file system that hands out an entry late or
// skips one next to a deletion is covered by that last pass, so the files
// deleted and spared are those of a search started over after every
// deletion, at the cost of a few passes instead of one per file.
void RemoveDirectoryFiles(Run& run, os::Window owner, const char* directory,
                          bool spareUninstaller) {
    (void)owner;
    const std::size_t directoryLength = std::strlen(directory);
    // "%s\*.*" must fit 259 characters; a longer pattern is not built.
    if (directoryLength + 4 >= PathSize) return;
    char pattern[PathSize];
    FormatText(pattern, sizeof pattern, "%s\\*.*", directory);

    char uninstallerName[sizeof run.Header->UninstallerName];
    CopyText(uninstallerName, sizeof uninstallerName, run.Header->UninstallerName,
             sizeof run.Header->UninstallerName);

    for (bool deletedInPass = true; deletedInPass;) {
        deletedInPass = false;
        os::FindData entry;
        os::FindHandle search = run.os.FindFirstFile(pattern, &entry);
        if (search == os::InvalidFind) return;
        do {
            const std::size_t nameLength = FieldLength(entry.Name, sizeof entry.Name);
            // Directories (".", ".." and every subdirectory) are passed over,
            // and so is an entry whose path would pass 259 characters.
            if ((entry.Attributes & os::FILE_ATTRIBUTE_DIRECTORY) || nameLength == 0 ||
                nameLength >= sizeof entry.Name || directoryLength + 1 + nameLength >= PathSize)
                continue;
            char path[PathSize];
            FormatText(path, sizeof path, "%s\\%s", directory, entry.Name);
            // A staying record's file is not touched at all, not even its
            // attributes.
            if (BelongsToAStayingRecord(run, path)) continue;
            SetStatusDetail(run, path);
            run.os.SetFileAttributes(path, os::FILE_ATTRIBUTE_NORMAL);
            if (spareUninstaller && SameNameNoCase(run.os, entry.Name, uninstallerName)) continue;
            if (run.os.DeleteFile(path)) deletedInPass = true;
        } while (run.os.FindNextFile(search, &entry));
        run.os.FindClose(search);
    }
}
