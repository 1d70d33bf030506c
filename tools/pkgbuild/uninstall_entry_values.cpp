// The uninstall entry as the system's list shows it: values the builder adds
// as ordinary records under the entry's key, so the stub writes and removes
// them like any other.
#include <cstring>

#include "pkgbuild/build_state.h"
#include "pkgbuild/values.h"

namespace pkgbuild {

namespace {

RegValueRecord Value(std::uint32_t keyNumber, const std::string& name) {
    RegValueRecord r = pkg::NewRegValueRecord();
    r.KeyNumber = keyNumber;
    pkg::SetText(r.ValueName, name);
    return r;
}

RegValueRecord StringValue(std::uint32_t keyNumber, const std::string& name, const std::string& text) {
    RegValueRecord r = Value(keyNumber, name);
    r.ValueType = 1;
    for (std::size_t i = 0; i < text.size(); ++i) r.Data[i] = static_cast<std::uint8_t>(text[i]);
    r.DataSize = static_cast<std::uint32_t>(text.size() + 1);
    return r;
}

RegValueRecord DwordValue(std::uint32_t keyNumber, const std::string& name, std::uint32_t number) {
    RegValueRecord r = Value(keyNumber, name);
    r.ValueType = 4;
    for (int i = 0; i < 4; ++i) r.Data[i] = static_cast<std::uint8_t>(number >> (8 * i));
    r.DataSize = 4;
    return r;
}

}  // namespace

std::string UninstallEntryKey(const InstallHeader& header) {
    return std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") +
           std::string(header.UninstallDisplayName,
                       strnlen(header.UninstallDisplayName, sizeof header.UninstallDisplayName));
}

bool AddUninstallEntryValues(BuildState& state, ScriptError& error) {
    pkg::PackageContents& c = *state.contents;
    const bool entry = c.header.CreateUninstaller && c.header.UninstallDisplayName[0] != '\0';
    if (!entry) {
        if (!state.entryValues.empty())
            return Fail(error, state.entryValues[0].line,
                        state.entryValues[0].key +
                            " needs the uninstall entry: CreateUninstaller=yes and an "
                            "UninstallDisplayName");
        return true;
    }
    // The key the stub writes the entry into. A key record of the script's
    // own for it is used as it is; otherwise one is added, which the
    // uninstallation deletes with the entry's values in it.
    const std::string subKey = UninstallEntryKey(c.header);
    const std::string path = std::string(names::RootNames[2]) + "\\" + subKey;
    int index = FindName(state.keyPaths, path);
    if (index < 0) {
        RegKeyRecord k = pkg::NewRegKeyRecord();
        k.Root = names::FirstRoot + 2;  // HKEY_LOCAL_MACHINE
        pkg::SetText(k.SubKey, subKey);
        c.regKeys.push_back(k);
        state.keyPaths.push_back(path);
        state.keyLines.push_back(0);
        index = static_cast<int>(c.regKeys.size()) - 1;
    }
    const std::uint32_t keyNumber = static_cast<std::uint32_t>(index) + 1;
    std::vector<RegValueRecord> values;
    for (const SetupEntry& e : state.entryValues) values.push_back(StringValue(keyNumber, e.key, e.value));
    // What the installation writes, in KiB rounded up.
    std::uint64_t bytes = 0;
    for (const FileRecord& f : c.files)
        if (!f.SkipAtInstall) bytes += f.InstalledSize;
    values.push_back(DwordValue(keyNumber, "EstimatedSize", static_cast<std::uint32_t>((bytes + 1023) / 1024)));
    // The stub can neither change nor repair an installation.
    values.push_back(DwordValue(keyNumber, "NoModify", 1));
    values.push_back(DwordValue(keyNumber, "NoRepair", 1));
    // A key the script passes over on a platform takes its values along.
    const RegKeyRecord& k = c.regKeys[index];
    for (RegValueRecord& v : values) {
        v.SkipAtInstall = k.SkipAtInstall;
        v.NotOnWindows95 = k.NotOnWindows95;
        v.NotOnWindowsNT = k.NotOnWindowsNT;
        c.regValues.push_back(v);
    }
    return true;
}

}  // namespace pkgbuild
