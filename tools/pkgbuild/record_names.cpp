// How records find each other by name, and what a name below a base
// directory may look like.
#include "package/name_rules.h"
#include "pkgbuild/build_state.h"
#include "pkgbuild/values.h"

namespace pkgbuild {

int FindName(const std::vector<std::string>& list, const std::string& name) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (EqualsNoCase(list[i], name)) return static_cast<int>(i);
    return -1;
}

bool IsRelativeName(const std::string& name) {
    if (name.empty() || name.find_first_of(":/") != std::string::npos) return false;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = name.find('\\', start);
        std::string part = name.substr(start, end == std::string::npos ? end : end - start);
        if (part.find_first_not_of(". ") == std::string::npos) return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

std::string NameFault(const std::string& name, const char* relative) {
    if (!IsRelativeName(name)) return std::string("must be a relative ") + relative + " with \\";
    // The program refuses a package with such a name: refused here first.
    if (!IsNameBelowBase(name.c_str()))
        return "is a device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$)";
    return "";
}

bool FitsBelowShortestBase(const std::string& relative) {
    const std::size_t shortestBase = 4;  // C:\A
    return shortestBase + 1 + relative.size() <= 259;
}

bool FailTooLong(ScriptError& error, int line, const std::string& what, const std::string& name) {
    return Fail(error, line,
                what + " " + name + " is too long: below the shortest base directory (like C:\\A) " +
                    "its path would pass 259 characters");
}

}  // namespace pkgbuild
