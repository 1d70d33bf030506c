// DirPath and FilePath: a directory or file record resolved to its absolute
// path below one of the run's base directories.
#include <cstring>

#include "package/package.h"

namespace {

// Writes base + "\" + name into a 260-byte buffer. The name may fill its
// whole array without a NUL; nothing past it is read. A path that would not
// fit leaves the empty text and returns 0, never a cut path.
std::size_t Join(const char* base, const char* name, std::size_t nameSize, char* out) {
    out[0] = '\0';
    if (!base) return 0;
    const std::size_t baseLength = std::strlen(base);
    const char* nul = static_cast<const char*>(std::memchr(name, 0, nameSize));
    const std::size_t nameLength = nul ? static_cast<std::size_t>(nul - name) : nameSize;
    const std::size_t length = baseLength + 1 + nameLength;
    if (length >= PathSize) return 0;
    std::memmove(out, base, baseLength);
    out[baseLength] = '\\';
    std::memcpy(out + baseLength + 1, name, nameLength);
    out[length] = '\0';
    return length;
}

// The base directory a record's flags choose; the system directory wins
// over the Windows directory.
const char* BaseDir(const Run& run, std::uint32_t inSystemDir, std::uint32_t inWindowsDir) {
    if (inSystemDir) return run.SystemDir;
    if (inWindowsDir) return run.WindowsDir;
    return run.DestinationDir;
}

}  // namespace

std::size_t DirPath(const Run& run, std::size_t index, char* out) {
    out[0] = '\0';
    if (!run.Header || !run.Dirs || index >= run.Header->DirCount) return 0;
    const DirRecord& r = run.Dirs[index];
    return Join(BaseDir(run, r.InSystemDir, r.InWindowsDir), r.Name, sizeof r.Name, out);
}

std::size_t FilePath(const Run& run, std::size_t index, char* out) {
    out[0] = '\0';
    if (!run.Header || !run.Files || index >= run.Header->FileCount) return 0;
    const FileRecord& f = run.Files[index];
    if (f.DirNumber != 0) {
        // The directory record's own flags decide the base; the file's
        // InSystemDir and InWindowsDir are not looked at.
        char base[PathSize];
        if (DirPath(run, f.DirNumber - 1, base) == 0) return 0;
        return Join(base, f.FileName, sizeof f.FileName, out);
    }
    return Join(BaseDir(run, f.InSystemDir, f.InWindowsDir), f.FileName, sizeof f.FileName, out);
}
