// The destination the user typed: written one way, then refused when it is
// no directory of its own.
#include "ui/dialogs.h"

#include <cstring>

#include "package/package.h"
#include "text/format.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char UpperCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c; }

// Collapses repeated separators into one backslash, drops "." parts and a
// trailing backslash, in place. False for a ".." part or a part that ends in
// a blank or a dot: Windows cuts those ends off, so "C:\...\WINDOWS" would
// name C:\WINDOWS and "C:\APP." another directory than the one recorded.
bool Normalise(char* path) {
    std::size_t n = 0;
    const char* p = path;
    while (*p != '\0') {
        if (IsSeparator(*p)) {
            if (n == 0 || path[n - 1] != '\\') path[n++] = '\\';
            ++p;
            continue;
        }
        const char* end = p;
        while (*end != '\0' && !IsSeparator(*end)) ++end;
        const std::size_t length = static_cast<std::size_t>(end - p);
        if (length == 1 && p[0] == '.') {
            p = end;
            continue;
        }
        if (p[length - 1] == '.' || p[length - 1] == ' ') return false;
        std::memmove(path + n, p, length);
        n += length;
        p = end;
    }
    if (n > 0 && path[n - 1] == '\\') --n;
    path[n] = '\0';
    return true;
}

// True when `path` is `directory` or a directory above it.
bool IsAtOrAbove(const char* path, const char* directory) {
    std::size_t i = 0;
    for (; path[i] != '\0'; ++i)
        if (UpperCase(path[i]) != UpperCase(directory[i])) return false;
    return directory[i] == '\0' || directory[i] == '\\';
}

}  // namespace

MessageId DestinationFault(Run& run) {
    char drive[3];
    if (!Normalise(run.DestinationDir)) return MessageId::IllegalPath;
    SplitPath(run.os, run.DestinationDir, drive, run.DirectoryPart, nullptr, nullptr);
    if (drive[0] == '\0' || run.DirectoryPart[0] == '\0') return MessageId::IllegalPath;
    // An uninstallation empties its destination: never the Windows or the
    // system directory, nor a directory that holds them.
    if (IsAtOrAbove(run.DestinationDir, run.WindowsDir) ||
        IsAtOrAbove(run.DestinationDir, run.SystemDir))
        return MessageId::CannotHoldInstallation;
    FormatText(run.DestinationRoot, sizeof run.DestinationRoot, "%s\\", drive);
    return MessageId::Empty;
}
