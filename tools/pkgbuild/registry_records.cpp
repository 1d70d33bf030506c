// The [RegKeys] and [RegValues] sections: keys to create and typed values.
#include <cstring>

#include "pkgbuild/build_state.h"
#include "pkgbuild/values.h"

namespace pkgbuild {

namespace {

const char* const KeyFields[] = {"Key", "Flags"};
const char* const ValueFields[] = {"Key", "Name", "Type", "Data", "Flags"};

std::string KeyPath(std::uint32_t root, const std::string& subKey) {
    return std::string(names::RootNames[root & 7]) + "\\" + subKey;
}

bool ParseKey(const std::string& value, std::uint32_t& root, std::string& subKey, int line,
              ScriptError& error) {
    if (!SplitKeyPath(value, root, subKey))
        return Fail(error, line,
                    "bad key " + value + " (expected ROOT\\subkey, ROOT like HKLM or HKEY_CURRENT_USER)");
    return true;
}

bool EncodeData(std::uint32_t type, const std::string& data, std::vector<std::uint8_t>& out,
                int line, ScriptError& error) {
    out.clear();
    if (type == 1 || type == 2) {
        if (data.find('\0') != std::string::npos)
            return Fail(error, line, "value data holds a NUL character");
        out.assign(data.begin(), data.end());
        out.push_back(0);  // a string's size counts its NUL
        return true;
    }
    if (type == 3) {
        if (!ParseHexBytes(data, out))
            return Fail(error, line, "binary data must be hexadecimal bytes like 01 ff");
        return true;
    }
    std::uint32_t number = 0;
    if (!ParseNumber(data, number)) return Fail(error, line, "bad number " + data + " for dword data");
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(number >> (8 * i)));
    return true;
}

}  // namespace

bool BuildRegKeys(const std::vector<RecordLine>& lines, BuildState& state, ScriptError& error) {
    for (const RecordLine& line : lines) {
        LineFields f(line);
        if (!f.CheckKnown(KeyFields, sizeof KeyFields / sizeof *KeyFields, "RegKeys", error))
            return false;
        RegKeyRecord r = pkg::NewRegKeyRecord();
        const std::string* key = nullptr;
        if (!f.Require("Key", key, error)) return false;
        std::string subKey;
        if (!ParseKey(*key, r.Root, subKey, line.line, error)) return false;
        if (!PutText(r.SubKey, subKey, "subkey", line.line, error)) return false;
        std::string path = KeyPath(r.Root, subKey);
        if (FindName(state.keyPaths, path) >= 0)
            return Fail(error, line.line, "duplicate key " + path);
        if (const std::string* flags = f.Get("Flags")) {
            std::string bad;
            if (!SetFlags(names::RegKeyFlags, *flags, r, bad))
                return Fail(error, line.line, "unknown flag " + bad + " in [RegKeys]");
        }
        state.contents->regKeys.push_back(r);
        state.keyPaths.push_back(path);
        state.keyLines.push_back(line.line);
    }
    return true;
}

bool BuildRegValues(const std::vector<RecordLine>& lines, BuildState& state, ScriptError& error) {
    for (const RecordLine& line : lines) {
        LineFields f(line);
        if (!f.CheckKnown(ValueFields, sizeof ValueFields / sizeof *ValueFields, "RegValues",
                          error))
            return false;
        RegValueRecord r = pkg::NewRegValueRecord();
        const std::string* key = nullptr;
        const std::string* data = nullptr;
        if (!f.Require("Key", key, error) || !f.Require("Data", data, error)) return false;
        std::uint32_t root = 0;
        std::string subKey;
        if (!ParseKey(*key, root, subKey, line.line, error)) return false;
        int keyIndex = FindName(state.keyPaths, KeyPath(root, subKey));
        if (keyIndex < 0) return Fail(error, line.line, "unknown key " + *key + " (not in [RegKeys])");
        r.KeyNumber = static_cast<std::uint32_t>(keyIndex) + 1;
        if (const std::string* name = f.Get("Name"))
            if (!PutText(r.ValueName, *name, "value name", line.line, error)) return false;
        r.ValueType = 1;
        if (const std::string* type = f.Get("Type"))
            if (!LookUp(names::ValueTypes, *type, r.ValueType))
                return Fail(error, line.line,
                            "unknown value type " + *type + " (string, expand, binary, dword)");
        std::vector<std::uint8_t> bytes;
        if (!EncodeData(r.ValueType, *data, bytes, line.line, error)) return false;
        if (bytes.size() > sizeof r.Data)
            return Fail(error, line.line,
                        "value data of " + std::to_string(bytes.size()) + " bytes is over 128");
        std::memcpy(r.Data, bytes.data(), bytes.size());
        r.DataSize = static_cast<std::uint32_t>(bytes.size());
        if (const std::string* flags = f.Get("Flags")) {
            std::string bad;
            if (!SetFlags(names::RegValueFlags, *flags, r, bad))
                return Fail(error, line.line, "unknown flag " + bad + " in [RegValues]");
        }
        // A value is written through its key's open handle: a key that the
        // installation passes over leaves the value with nothing to go into.
        const RegKeyRecord& k = state.contents->regKeys[keyIndex];
        if ((!r.SkipAtInstall && k.SkipAtInstall) ||
            (!r.SkipAtInstall && !r.NotOnWindows95 && k.NotOnWindows95) ||
            (!r.SkipAtInstall && !r.NotOnWindowsNT && k.NotOnWindowsNT))
            return Fail(error, line.line,
                        "value is set where its key " + *key +
                            " is passed over (give the value the key's flags)");
        state.contents->regValues.push_back(r);
    }
    return true;
}

}  // namespace pkgbuild
