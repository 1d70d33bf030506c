// The script's text split into its parts: the [Setup] section's key=value
// lines and, per record section, one list of named fields per line. Nothing
// here knows what a key or a field means; that is the builder's job.
#pragma once

#include <string>
#include <vector>

namespace pkgbuild {

// A refusal: the script line it concerns (0 when none) and the message.
struct ScriptError {
    int line = 0;
    std::string message;
};

// Sets the error and returns false, so a check reads `return Fail(...)`.
bool Fail(ScriptError& error, int line, const std::string& message);

struct SetupEntry {
    int line = 0;
    std::string key;
    std::string value;
    bool quoted = false;  // the value was written in quotes
};

struct Field {
    std::string name;
    std::string value;
};

struct RecordLine {
    int line = 0;
    std::vector<Field> fields;
};

struct ScriptText {
    int setupLine = 0;  // the first [Setup] line, 0 when none
    std::vector<SetupEntry> setup;
    std::vector<RecordLine> dirs;
    std::vector<RecordLine> files;
    std::vector<RecordLine> groups;
    std::vector<RecordLine> items;
    std::vector<RecordLine> regKeys;
    std::vector<RecordLine> regValues;
};

// Splits the script. Refuses text outside a section, an unknown section, a
// setting line without "=", a record line that is not `Field: value; ...`,
// an unterminated quote, and a field given twice on one line.
bool ParseScriptText(const std::string& text, ScriptText& out, ScriptError& error);

// Splits one record line's text into its fields (exposed for tests).
bool ParseRecordLine(const std::string& text, int line, RecordLine& out, ScriptError& error);

}  // namespace pkgbuild
