// The rules for names below a base directory and for the uninstall entry's
// name, shared by the program and the builder.
#include "package/name_rules.h"

#include <cstddef>
#include <cstring>

namespace {

// The devices every Windows opens under these names, in any directory.
// COM1 to COM9 and LPT1 to LPT9 are matched apart.
const char Devices[] = "CON\0PRN\0AUX\0NUL\0CONIN$\0CONOUT$\0";

// The device is named by the part up to its first dot, without the blanks
// before that dot: "nul", "Con .txt" and "LPT1.DOC" all open a device.
bool IsDeviceName(const char* part, std::size_t length) {
    std::size_t n = 0;
    while (n < length && part[n] != '.') ++n;
    while (n > 0 && part[n - 1] == ' ') --n;
    if (n < 3 || n > 7) return false;
    char base[8];
    for (std::size_t i = 0; i < n; ++i) {
        const char c = part[i];
        base[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
    }
    base[n] = '\0';
    if (n == 4 && base[3] >= '1' && base[3] <= '9' &&
        (std::memcmp(base, "COM", 3) == 0 || std::memcmp(base, "LPT", 3) == 0))
        return true;
    for (const char* d = Devices; *d != '\0'; d += std::strlen(d) + 1)
        if (std::strcmp(base, d) == 0) return true;
    return false;
}

}  // namespace

bool IsNameBelowBase(const char* name) {
    if (name[0] == '\\' || name[0] == '/') return false;
    bool namesSomething = false;
    const char* part = name;
    for (const char* p = name;; ++p) {
        const char c = *p;
        if (c == ':') return false;
        if (c == '\\' || c == '/' || c == '\0') {
            const std::size_t length = static_cast<std::size_t>(p - part);
            std::size_t dots = 0;
            while (dots < length && (part[dots] == '.' || part[dots] == ' ')) ++dots;
            if (dots < length) {
                if (IsDeviceName(part, length)) return false;
                namesSomething = true;
            } else if (length > 1) {
                // "..", "...", ". .": the parent, or whatever Windows makes of it.
                return false;
            }
            // An empty part or "." stays where the name was.
            if (c == '\0') return namesSomething;
            part = p + 1;
        }
    }
}

bool IsEntryName(const char* name) {
    if (std::strchr(name, '\\')) return false;
    const char* p = name;
    while (*p == ' ' || *p == '\t') ++p;
    return name[0] == '\0' || *p != '\0';
}
