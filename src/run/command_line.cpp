// ReadCommandLine: the switches of an unattended run (grammar in the header).
#include "run/command_line.h"

#include <cstring>

namespace {

bool IsBlank(char c) {
    return c != '\0' && static_cast<unsigned char>(c) <= 32;
}

const char* SkipBlanks(const char* p) {
    while (IsBlank(*p)) ++p;
    return p;
}

// The text after `word` when p starts with it in any letter case, else null.
// `word` is in capitals.
const char* After(const char* p, const char* word) {
    for (; *word != '\0'; ++p, ++word) {
        char c = *p;
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != *word) return nullptr;
    }
    return p;
}

// The main dialog's field hands over at most 254 characters; /D= takes no more.
constexpr std::size_t DestinationLimit = 255;

// Copies the value between `from` and `end` without the blanks after it and
// without its enclosing quotes; `limit` counts the terminating NUL.
bool TakeValue(const char* from, const char* end, char* value, std::size_t limit) {
    while (end > from && IsBlank(end[-1])) --end;
    if (end - from >= 2 && *from == '"' && end[-1] == '"') {
        ++from;
        --end;
    }
    const std::size_t length = static_cast<std::size_t>(end - from);
    if (length == 0 || length >= limit || std::memchr(from, '"', length) != nullptr)
        return false;
    std::memcpy(value, from, length);
    value[length] = '\0';
    return true;
}

}  // namespace

CommandLine ReadCommandLine(Run& run, const char* tail) {
    const char* p = After(tail, "/S");
    if (p == nullptr || (*p != '\0' && !IsBlank(*p))) {
        // "/Setup\PKG.EXE" names a package; a value switch without /S is an
        // error, not a file name.
        return After(tail, "/D=") != nullptr || After(tail, "/LOG=") != nullptr
                   ? CommandLine::Invalid
                   : CommandLine::PackagePath;
    }
    run.Silent = true;
    p = SkipBlanks(p);
    if (const char* log = After(p, "/LOG=")) {
        p = log;
        while (*p != '\0' && !(IsBlank(*p) && After(SkipBlanks(p), "/D=") != nullptr)) ++p;
        if (!TakeValue(log, p, run.LogSwitch, PathSize)) return CommandLine::Invalid;
        p = SkipBlanks(p);
    }
    if (const char* destination = After(p, "/D=")) {
        p = destination + std::strlen(destination);
        if (!TakeValue(destination, p, run.DestinationSwitch, DestinationLimit))
            return CommandLine::Invalid;
    }
    return *p == '\0' ? CommandLine::Switches : CommandLine::Invalid;
}
