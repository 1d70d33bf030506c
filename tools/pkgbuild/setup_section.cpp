// The [Setup] section: the header's texts, numbers and switches.
#include <cstring>

#include "package/name_rules.h"
#include "pkgbuild/build_state.h"
#include "pkgbuild/values.h"

namespace pkgbuild {

namespace {

bool ParseWindowsVersion(const std::string& s, std::uint32_t& major, std::uint32_t& minor) {
    std::size_t dot = s.find('.');
    if (dot == std::string::npos) {
        minor = 0;
        return ParseNumber(s, major) && s.find('x') == std::string::npos;
    }
    std::string a = s.substr(0, dot);
    std::string b = s.substr(dot + 1);
    if (a.find_first_not_of("0123456789") != std::string::npos ||
        b.find_first_not_of("0123456789") != std::string::npos)
        return false;
    return ParseNumber(a, major) && ParseNumber(b, minor);
}

// The versions Windows reports: Windows 3.1 (Win32s), NT 3.51, 95, 98, Me,
// 2000, XP, Server 2003, Vista, 7, 8, 8.1 and 10 or later.
const char* const WindowsVersions = "3.10 3.51 4.0 4.10 4.90 5.0 5.1 5.2 6.0 6.1 6.2 6.3 10.0";

bool IsWindowsVersion(std::uint32_t major, std::uint32_t minor) {
    for (const std::string& v : Words(WindowsVersions)) {
        std::uint32_t a = 0, b = 0;
        if (ParseWindowsVersion(v, a, b) && a == major && b == minor) return true;
    }
    return false;
}

// The settings that become values of the uninstall entry.
const char* const EntrySettings[] = {"Publisher", "DisplayVersion", "URLInfoAbout", "HelpLink"};

bool ApplyOne(const SetupEntry& e, BuildState& state, ScriptError& error) {
    InstallHeader& h = state.contents->header;
    for (const names::HeaderText& t : names::HeaderTexts) {
        if (!EqualsNoCase(e.key, t.key)) continue;
        std::string text = t.lineBreaks ? ExpandLineBreaks(e.value) : e.value;
        char* field = reinterpret_cast<char*>(&h) + t.offset;
        if (!PutText(field, t.size, text, t.key, e.line, error)) return false;
        if ((EqualsNoCase(e.key, "Uninstaller") || EqualsNoCase(e.key, "RunAfterInstall")) &&
            !FitsBelowShortestBase(text))
            return FailTooLong(error, e.line, t.key, text);
        // Both are joined below another directory by the installation.
        if ((EqualsNoCase(e.key, "DefaultDir") || EqualsNoCase(e.key, "RunAfterInstall")) &&
            !text.empty()) {
            const std::string fault = NameFault(text, "path");
            if (!fault.empty()) return Fail(error, e.line, std::string(t.key) + " " + fault);
        }
        if (EqualsNoCase(e.key, "Uninstaller")) {
            state.uninstallerLine = e.line;
            if (!text.empty() &&
                (text.find_first_of("\\/:") != std::string::npos || !IsRelativeName(text)))
                return Fail(error, e.line, "Uninstaller must be a plain file name");
            const std::string fault = text.empty() ? "" : NameFault(text, "name");
            if (!fault.empty()) return Fail(error, e.line, "Uninstaller " + fault);
        }
        // The entry is one key below the system's list of programs.
        if (EqualsNoCase(e.key, "UninstallDisplayName") && !IsEntryName(text.c_str()))
            return Fail(error, e.line,
                        "UninstallDisplayName must hold no backslash and more than blanks");
        return true;
    }
    for (const names::HeaderSwitch& s : names::HeaderSwitches) {
        if (!EqualsNoCase(e.key, s.key)) continue;
        bool on = false;
        if (!ParseYesNo(e.value, on))
            return Fail(error, e.line, std::string(s.key) + " must be yes or no");
        h.*(s.field) = on ? 1 : 0;
        if (EqualsNoCase(e.key, "CreateUninstaller")) state.createUninstallerLine = e.line;
        return true;
    }
    if (EqualsNoCase(e.key, "Compress")) {
        if (!ParseYesNo(e.value, state.compressByDefault))
            return Fail(error, e.line, "Compress must be yes or no");
        return true;
    }
    if (EqualsNoCase(e.key, "MinWindows")) {
        if (!ParseWindowsVersion(e.value, h.MinWindowsMajor, h.MinWindowsMinor))
            return Fail(error, e.line, "bad Windows version " + e.value + " (expected like 4.0)");
        if (!IsWindowsVersion(h.MinWindowsMajor, h.MinWindowsMinor))
            return Fail(error, e.line,
                        "no Windows has the version " + std::to_string(h.MinWindowsMajor) + "." +
                            std::to_string(h.MinWindowsMinor) + " (known: " + WindowsVersions + ")");
        return true;
    }
    // Read before the texts were converted (ConvertScriptTexts).
    if (EqualsNoCase(e.key, "CodePage")) return true;
    for (const char* name : EntrySettings) {
        if (!EqualsNoCase(e.key, name)) continue;
        // A string value of at most 128 bytes with its NUL.
        if (e.value.size() > 127)
            return Fail(error, e.line, std::string(name) + " is longer than 127 characters");
        SetupEntry entry = e;
        entry.key = name;
        if (!entry.value.empty()) state.entryValues.push_back(entry);
        return true;
    }
    if (EqualsNoCase(e.key, "HelpFile")) {
        if (e.value.empty()) return Fail(error, e.line, "HelpFile names no file");
        state.helpFile = e.value;
        state.helpFileLine = e.line;
        return true;
    }
    if (EqualsNoCase(e.key, "HelpContext")) {
        if (!ParseNumber(e.value, h.HelpContext))
            return Fail(error, e.line, "bad number " + e.value + " for HelpContext");
        return true;
    }
    if (EqualsNoCase(e.key, "Refuse")) {
        for (const std::string& word : Words(e.value)) {
            bool known = false;
            for (const names::HeaderSwitch& r : names::RefuseWords)
                if (EqualsNoCase(word, r.key)) {
                    h.*(r.field) = 1;
                    known = true;
                }
            if (!known)
                return Fail(error, e.line,
                            "unknown platform " + word + " in Refuse (win32s, win95, nt)");
        }
        return true;
    }
    return Fail(error, e.line, "unknown setting " + e.key + " in [Setup]");
}

}  // namespace

bool ApplySetup(const std::vector<SetupEntry>& entries, BuildState& state, ScriptError& error) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j)
            if (EqualsNoCase(entries[i].key, entries[j].key))
                return Fail(error, entries[i].line,
                            "setting " + entries[i].key + " given twice (first on line " +
                                std::to_string(entries[j].line) + ")");
        if (!ApplyOne(entries[i], state, error)) return false;
        // A ";" reads like the start of a comment, but the value goes on.
        if (!entries[i].quoted && entries[i].value.find(';') != std::string::npos)
            state.warnings.push_back(
                {entries[i].line, "the ; in the value of " + entries[i].key +
                                      " is part of the text, not a comment (quote the value to "
                                      "say so)"});
    }
    return true;
}

}  // namespace pkgbuild
