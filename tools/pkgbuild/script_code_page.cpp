// CodePage=: the script's UTF-8 texts and names into the ANSI code page the
// stub's texts are in.
#include "pkgbuild/build_state.h"
#include "pkgbuild/values.h"

namespace pkgbuild {

namespace {

bool Convert(std::string& text, std::uint32_t codePage, int line, ScriptError& error) {
    std::string converted, bad;
    if (!ToCodePage(text, codePage, converted, bad))
        return Fail(error, line,
                    bad.empty() ? std::string("the text is not UTF-8")
                                : "the character " + bad + " is not in code page " +
                                      std::to_string(codePage));
    text = converted;
    return true;
}

bool ConvertLines(std::vector<RecordLine>& lines, bool keepSource, std::uint32_t codePage,
                  ScriptError& error) {
    for (RecordLine& line : lines)
        for (Field& field : line.fields) {
            // A source names a file on this disk, by its name there.
            if (keepSource && EqualsNoCase(field.name, "Source")) continue;
            if (!Convert(field.value, codePage, line.line, error)) return false;
        }
    return true;
}

}  // namespace

bool ConvertScriptTexts(ScriptText& text, BuildState& state, ScriptError& error) {
    for (const SetupEntry& e : text.setup) {
        if (!EqualsNoCase(e.key, "CodePage")) continue;
        if (!ParseNumber(e.value, state.codePage) || !IsSupportedCodePage(state.codePage))
            return Fail(error, e.line,
                        "unsupported CodePage " + e.value + " (874, 1250 to 1258)");
    }
    for (SetupEntry& e : text.setup)
        if (!Convert(e.value, state.codePage, e.line, error)) return false;
    return ConvertLines(text.dirs, false, state.codePage, error) &&
           ConvertLines(text.files, true, state.codePage, error) &&
           ConvertLines(text.groups, false, state.codePage, error) &&
           ConvertLines(text.items, false, state.codePage, error) &&
           ConvertLines(text.regKeys, false, state.codePage, error) &&
           ConvertLines(text.regValues, false, state.codePage, error);
}

}  // namespace pkgbuild
