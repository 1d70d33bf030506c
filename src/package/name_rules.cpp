// The rules for names below a base directory and for the uninstall entry's
// name, shared by the program and the builder.
#include "package/name_rules.h"

#include <cstddef>
#include <cstring>

namespace {

// The devices every Windows opens under these names, in any directory; "#"
// stands for a digit from 1 to 9.
const char Devices[] = "CON\0PRN\0AUX\0NUL\0COM#\0LPT#\0CONIN$\0CONOUT$\0";

// The device is named by the part up to its first dot, without the blanks
// before that dot: "nul", "Con .txt" and "LPT1.DOC" all open a device.
bool IsDeviceName(const char* part, std::size_t length) {
    std::size_t n = 0;
    while (n < length && part[n] != '.') ++n;
    while (n > 0 && part[n - 1] == ' ') --n;
    for (const char* d = Devices; *d != '\0';) {
        std::size_t i = 0;
        for (; d[i] != '\0' && i < n; ++i) {
            const char c = part[i] >= 'a' && part[i] <= 'z' ? static_cast<char>(part[i] - ('a' - 'A'))
                                                           : part[i];
            if (d[i] == '#' ? c < '1' || c > '9' : c != d[i]) break;
        }
        if (i == n && d[i] == '\0') return true;
        while (*d != '\0') ++d;  // on to the next name
        ++d;
    }
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
