#include "pkgbuild/values.h"

#include <cstring>

namespace pkgbuild {

namespace {

char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = LowerChar(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerChar(a[i]) != LowerChar(b[i])) return false;
    return true;
}

std::string Lower(const std::string& s) {
    std::string out = s;
    for (char& c : out) c = LowerChar(c);
    return out;
}

std::vector<std::string> Words(const std::string& s) {
    std::vector<std::string> words;
    std::string word;
    for (char c : s) {
        if (c == ' ' || c == '\t' || c == ',') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

bool ParseNumber(const std::string& s, std::uint32_t& out) {
    std::uint64_t value = 0;
    std::size_t i = 0;
    unsigned base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        i = 2;
    }
    if (i >= s.size()) return false;
    for (; i < s.size(); ++i) {
        int digit = HexDigit(s[i]);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) return false;
        value = value * base + static_cast<unsigned>(digit);
        if (value > 0xFFFFFFFFull) return false;
    }
    out = static_cast<std::uint32_t>(value);
    return true;
}

bool ParseYesNo(const std::string& s, bool& out) {
    static const char* const yes[] = {"yes", "true", "on", "1"};
    static const char* const no[] = {"no", "false", "off", "0"};
    for (const char* w : yes)
        if (EqualsNoCase(s, w)) {
            out = true;
            return true;
        }
    for (const char* w : no)
        if (EqualsNoCase(s, w)) {
            out = false;
            return true;
        }
    return false;
}

std::string ExpandLineBreaks(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 1 < s.size() && (s[i + 1] == 'n' || s[i + 1] == '%')) {
            out += s[i + 1] == 'n' ? "\r\n" : "%";
            ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool ParseHexBytes(const std::string& s, std::vector<std::uint8_t>& out) {
    out.clear();
    int high = -1;
    for (char c : s) {
        if (c == ' ' || c == '\t' || c == ',') {
            if (high >= 0) return false;  // a lone digit
            continue;
        }
        int digit = HexDigit(c);
        if (digit < 0) return false;
        if (high < 0) {
            high = digit;
        } else {
            out.push_back(static_cast<std::uint8_t>(high * 16 + digit));
            high = -1;
        }
    }
    return high < 0;
}

bool ParseRoot(const std::string& s, std::uint32_t& out) {
    for (std::uint32_t i = 0; i < names::RootCount; ++i)
        if (EqualsNoCase(s, names::RootNames[i]) || EqualsNoCase(s, names::RootShortNames[i])) {
            out = names::FirstRoot + i;
            return true;
        }
    return false;
}

bool SplitKeyPath(const std::string& s, std::uint32_t& root, std::string& subKey) {
    std::size_t slash = s.find('\\');
    if (slash == std::string::npos || !ParseRoot(s.substr(0, slash), root)) return false;
    subKey = s.substr(slash + 1);
    return !subKey.empty() && subKey[0] != '\\';
}

bool ParseAttributes(const std::string& s, std::uint32_t& out, std::string& badWord) {
    out = 0;
    for (const std::string& word : Words(s)) {
        std::uint32_t bit = 0;
        if (!LookUp(names::Attributes, word, bit)) {
            badWord = word;
            return false;
        }
        out |= bit;
    }
    return true;
}

bool PutText(char* field, std::size_t size, const std::string& text, const char* what, int line,
             ScriptError& error) {
    if (text.find('\0') != std::string::npos)
        return Fail(error, line, std::string(what) + " holds a NUL character");
    if (text.size() + 1 > size)
        return Fail(error, line,
                    std::string(what) + " is longer than " + std::to_string(size - 1) +
                        " characters");
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), text.size());
    return true;
}

bool LineFields::CheckKnown(const char* const* known, std::size_t count, const char* section,
                            ScriptError& error) const {
    for (const Field& f : line_.fields) {
        bool found = false;
        for (std::size_t i = 0; i < count; ++i)
            if (EqualsNoCase(f.name, known[i])) found = true;
        if (!found)
            return Fail(error, line_.line,
                        "unknown field " + f.name + " in [" + std::string(section) + "]");
    }
    return true;
}

const std::string* LineFields::Get(const char* name) const {
    for (const Field& f : line_.fields)
        if (EqualsNoCase(f.name, name)) return &f.value;
    return nullptr;
}

bool LineFields::Require(const char* name, const std::string*& value, ScriptError& error) const {
    value = Get(name);
    if (!value) return Fail(error, line_.line, std::string("missing field ") + name);
    return true;
}

}  // namespace pkgbuild
