// TrimTrailingBackslash and SplitPath: the small path utilities of the run.
#include <cstring>

#include "package/package.h"

// The last character, not the last byte: in a double-byte code page the
// trail byte of a name's last character may be 0x5C.
void TrimTrailingBackslash(os::Platform& os, char* text) {
    char* last = nullptr;
    for (char* p = text; *p != '\0'; p += os.IsDBCSLeadByte(static_cast<unsigned char>(*p)) && p[1] ? 2 : 1)
        last = p;
    if (last && *last == '\\') *last = '\0';
}

namespace {

constexpr std::size_t PartLimit = 255;

void CopyPart(char* out, const char* from, std::size_t length, std::size_t limit) {
    if (!out) return;
    if (length > limit) length = limit;
    std::memcpy(out, from, length);
    out[length] = '\0';
}

}  // namespace

// A lead byte of the active code page and the byte after it are one
// character: its trail byte may be 0x5C or 0x2E and is then no separator.
void SplitPath(os::Platform& os, const char* path, char* drive, char* directory, char* base,
               char* extension) {
    const char* rest = path;
    if (path[0] != '\0' && path[1] == ':') rest = path + 2;
    CopyPart(drive, path, static_cast<std::size_t>(rest - path), 2);

    const char* directoryEnd = rest;  // after the last backslash or slash
    const char* lastDot = nullptr;
    const char* end = rest;
    while (*end != '\0') {
        if (os.IsDBCSLeadByte(static_cast<unsigned char>(*end)) && end[1] != '\0') {
            end += 2;
            continue;
        }
        if (*end == '\\' || *end == '/') directoryEnd = end + 1;
        else if (*end == '.') lastDot = end;
        ++end;
    }
    CopyPart(directory, rest, static_cast<std::size_t>(directoryEnd - rest), PartLimit);
    if (lastDot && lastDot >= directoryEnd) {
        CopyPart(base, directoryEnd, static_cast<std::size_t>(lastDot - directoryEnd), PartLimit);
        CopyPart(extension, lastDot, static_cast<std::size_t>(end - lastDot), PartLimit);
    } else {
        CopyPart(base, directoryEnd, static_cast<std::size_t>(end - directoryEnd), PartLimit);
        CopyPart(extension, end, 0, PartLimit);
    }
}
