// Reading the script's values: numbers, yes/no, flag and attribute words,
// registry roots and data, texts that must fit their record fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pkgbuild/names.h"
#include "pkgbuild/script_text.h"

namespace pkgbuild {

bool EqualsNoCase(const std::string& a, const std::string& b);
std::string Lower(const std::string& s);
// Words separated by blanks or commas.
std::vector<std::string> Words(const std::string& s);

// Decimal or 0x-hexadecimal, at most 0xFFFFFFFF; nothing else on the value.
bool ParseNumber(const std::string& s, std::uint32_t& out);
// yes/no, true/false, on/off, 1/0.
bool ParseYesNo(const std::string& s, bool& out);
// "%n" stands for a line break (CR LF) and "%%" for "%".
std::string ExpandLineBreaks(const std::string& s);
// Hexadecimal bytes, with or without blanks between them ("01 ff", "01ff").
bool ParseHexBytes(const std::string& s, std::vector<std::uint8_t>& out);
// A root's full or short name (HKEY_LOCAL_MACHINE, HKLM) to its handle value.
bool ParseRoot(const std::string& s, std::uint32_t& out);
// "ROOT\sub\key": the root and the subkey (without a leading backslash).
bool SplitKeyPath(const std::string& s, std::uint32_t& root, std::string& subKey);
// A word from a table of names, compared without letter case.
template <std::size_t N>
bool LookUp(const names::Number (&table)[N], const std::string& word, std::uint32_t& out) {
    for (const names::Number& n : table)
        if (EqualsNoCase(word, n.name)) {
            out = n.value;
            return true;
        }
    return false;
}
// Attribute words joined: "ReadOnly Hidden".
bool ParseAttributes(const std::string& s, std::uint32_t& out, std::string& badWord);

// Sets the record's flags named in `value`; false with the first unknown word.
template <class Record, std::size_t N>
bool SetFlags(const names::Flag<Record> (&table)[N], const std::string& value, Record& record,
              std::string& badWord) {
    for (const std::string& word : Words(value)) {
        bool known = false;
        for (const names::Flag<Record>& f : table)
            if (EqualsNoCase(word, f.name)) {
                record.*(f.field) = 1;
                known = true;
            }
        if (!known) {
            badWord = word;
            return false;
        }
    }
    return true;
}

// Copies a text into a record's field of `size` bytes; refuses (with the
// line) a text that does not fit with its NUL or that holds a NUL.
bool PutText(char* field, std::size_t size, const std::string& text, const char* what, int line,
             ScriptError& error);
template <std::size_t N>
bool PutText(char (&field)[N], const std::string& text, const char* what, int line,
             ScriptError& error) {
    return PutText(field, N, text, what, line, error);
}

// The fields of a record line, checked against the names a section knows.
class LineFields {
public:
    explicit LineFields(const RecordLine& line) : line_(line) {}
    // Refuses a field whose name is not in `known`.
    bool CheckKnown(const char* const* known, std::size_t count, const char* section,
                    ScriptError& error) const;
    // The value of a field, or nullptr when the line does not give it.
    const std::string* Get(const char* name) const;
    // Like Get, but a missing field is refused.
    bool Require(const char* name, const std::string*& value, ScriptError& error) const;
    int Line() const { return line_.line; }

private:
    const RecordLine& line_;
};

}  // namespace pkgbuild
