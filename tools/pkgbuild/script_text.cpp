#include "pkgbuild/script_text.h"

#include "pkgbuild/values.h"

namespace pkgbuild {

bool Fail(ScriptError& error, int line, const std::string& message) {
    error.line = line;
    error.message = message;
    return false;
}

namespace {

std::string Trim(const std::string& s) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && (s[begin] == ' ' || s[begin] == '\t')) ++begin;
    while (end > begin && (s[end - 1] == ' ' || s[end - 1] == '\t' || s[end - 1] == '\r')) --end;
    return s.substr(begin, end - begin);
}

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '_';
}

// A setting's value may be quoted to keep blanks at its ends; "" inside
// quotes is one quote.
bool UnquoteSetting(const std::string& raw, int line, std::string& out, ScriptError& error) {
    if (raw.empty() || raw[0] != '"') {
        out = raw;
        return true;
    }
    out.clear();
    std::size_t i = 1;
    for (;;) {
        if (i >= raw.size()) return Fail(error, line, "unterminated quoted text");
        if (raw[i] == '"') {
            if (i + 1 < raw.size() && raw[i + 1] == '"') {
                out += '"';
                i += 2;
                continue;
            }
            break;
        }
        out += raw[i++];
    }
    if (i + 1 != raw.size()) return Fail(error, line, "text after the closing quote");
    return true;
}

std::vector<RecordLine>* SectionList(ScriptText& out, const std::string& name) {
    struct Entry {
        const char* name;
        std::vector<RecordLine> ScriptText::*list;
    };
    static const Entry sections[] = {
        {"Dirs", &ScriptText::dirs},       {"Files", &ScriptText::files},
        {"Groups", &ScriptText::groups},   {"Items", &ScriptText::items},
        {"RegKeys", &ScriptText::regKeys}, {"RegValues", &ScriptText::regValues},
    };
    for (const Entry& e : sections)
        if (EqualsNoCase(name, e.name)) return &(out.*e.list);
    return nullptr;
}

}  // namespace

bool ParseRecordLine(const std::string& text, int line, RecordLine& out, ScriptError& error) {
    out.line = line;
    out.fields.clear();
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto skipBlanks = [&] {
        while (i < n && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r')) ++i;
    };
    for (;;) {
        skipBlanks();
        if (i >= n) break;
        std::size_t nameStart = i;
        while (i < n && IsNameChar(text[i])) ++i;
        Field field;
        field.name = text.substr(nameStart, i - nameStart);
        skipBlanks();
        if (field.name.empty() || i >= n || text[i] != ':')
            return Fail(error, line, "expected a field as `Name: value`");
        ++i;
        skipBlanks();
        if (i < n && text[i] == '"') {
            ++i;
            for (;;) {
                if (i >= n) return Fail(error, line, "unterminated quoted text");
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        field.value += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.value += text[i++];
            }
            skipBlanks();
            if (i < n && text[i] != ';')
                return Fail(error, line, "text after the closing quote of field " + field.name);
        } else {
            std::size_t valueStart = i;
            while (i < n && text[i] != ';') {
                if (text[i] == '"')
                    return Fail(error, line, "a quote inside the unquoted value of field " +
                                                 field.name);
                ++i;
            }
            field.value = Trim(text.substr(valueStart, i - valueStart));
        }
        for (const Field& f : out.fields)
            if (EqualsNoCase(f.name, field.name))
                return Fail(error, line, "field " + field.name + " given twice");
        out.fields.push_back(field);
        if (i < n) ++i;  // the ';'
    }
    if (out.fields.empty()) return Fail(error, line, "expected a field as `Name: value`");
    return true;
}

bool ParseScriptText(const std::string& text, ScriptText& out, ScriptError& error) {
    out = ScriptText();
    enum class Where { Nowhere, Setup, Records };
    Where where = Where::Nowhere;
    std::vector<RecordLine>* records = nullptr;
    int lineNumber = 0;
    std::size_t pos = 0;
    // A byte-order mark that some editors put first is no part of the text.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string raw = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (raw.find('\0') != std::string::npos)
            return Fail(error, lineNumber, "a NUL character in the script");
        std::string line = Trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            if (line.back() != ']') return Fail(error, lineNumber, "expected a section as [Name]");
            std::string name = Trim(line.substr(1, line.size() - 2));
            if (EqualsNoCase(name, "Setup")) {
                if (out.setupLine == 0) out.setupLine = lineNumber;
                where = Where::Setup;
                continue;
            }
            records = SectionList(out, name);
            if (!records) return Fail(error, lineNumber, "unknown section [" + name + "]");
            where = Where::Records;
            continue;
        }
        if (where == Where::Nowhere)
            return Fail(error, lineNumber, "a line before the first section");
        if (where == Where::Setup) {
            std::size_t eq = line.find('=');
            if (eq == std::string::npos)
                return Fail(error, lineNumber, "expected a setting as Key=Value");
            SetupEntry entry;
            entry.line = lineNumber;
            entry.key = Trim(line.substr(0, eq));
            if (entry.key.empty()) return Fail(error, lineNumber, "a setting without a key");
            std::string given = Trim(line.substr(eq + 1));
            entry.quoted = !given.empty() && given[0] == '"';
            if (!UnquoteSetting(given, lineNumber, entry.value, error)) return false;
            out.setup.push_back(entry);
            continue;
        }
        RecordLine record;
        if (!ParseRecordLine(line, lineNumber, record, error)) return false;
        records->push_back(record);
    }
    return true;
}

}  // namespace pkgbuild
