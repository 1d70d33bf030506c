// The registry keys and values of the installation information: the key
// pass, the value pass and the closing of the keys.
#include <cstring>

#include "install/install.h"
#include "log/log.h"
#include "package/package.h"
#include "package/record.h"
#include "text/boxes.h"
#include "text/format.h"
#include "text/messages.h"
#include "status/progress.h"

const char* const RootNames[8] = {"HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",
                                  "HKEY_LOCAL_MACHINE",    "HKEY_USERS",
                                  "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG",
                                  "HKEY_DYN_DATA",         ""};

const char* RootName(std::uint32_t root) { return RootNames[root & 7u]; }

namespace {

// What RegSetValueExA answers for a key that is not open.
constexpr long ErrorInvalidHandle = 6;

// The open keys live beside the table: a handle may not fit the record's
// 32-bit KeyHandle field, and a handle stored in the package is never used.
bool HoldKeyHandles(Run& run, os::Window owner) {
    const std::uint32_t count = run.Header->RegKeyCount;
    if (count == 0 || run.KeyHandles != nullptr) return true;
    if (count > static_cast<std::size_t>(-1) / sizeof(os::RegKey)) {
        ShowError(run, owner, MessageId::OutOfMemory);
        return false;
    }
    run.KeyHandles = static_cast<os::RegKey*>(run.os.Alloc(count * sizeof(os::RegKey)));
    if (run.KeyHandles == nullptr) {
        ShowError(run, owner, MessageId::OutOfMemory);
        return false;
    }
    return true;
}

// The key of a value record, 0 when it is not open (passed over, failed or
// a number outside the table).
os::RegKey KeyOfValue(const Run& run, const RegValueRecord& value) {
    if (run.KeyHandles == nullptr) return 0;
    if (value.KeyNumber < 1 || value.KeyNumber > run.Header->RegKeyCount) return 0;
    return run.KeyHandles[value.KeyNumber - 1];
}

}  // namespace

bool CreateRegistryKeys(Run& run, os::Window owner) {
    if (!HoldKeyHandles(run, owner)) return false;
    char text[LogLineSize];
    char subKey[sizeof(RegKeyRecord::SubKey) + 1];
    // Which of the keys the uninstallation deletes were there before, noted
    // before any of them is created.
    for (std::uint32_t n = 0; run.RecordFile != os::InvalidFile && n < run.Header->RegKeyCount; ++n) {
        const RegKeyRecord& key = run.RegKeys[n];
        if (LeftAtUninstall(run, key)) continue;
        CopyText(subKey, sizeof subKey, key.SubKey, sizeof key.SubKey);
        RecordKeyText(text, key.Root, subKey);
        os::RegKey handle = 0;
        const bool exists = !RecordHas(run, FoundKey, text) && !RecordHas(run, NewKey, text) &&
                            run.os.RegOpenKeyEx(key.Root, subKey, os::KEY_QUERY_VALUE, &handle) ==
                                os::ERROR_SUCCESS;
        if (exists) run.os.RegCloseKey(handle);
        RecordFinding(run, FoundKey, text, exists);
    }
    if (!RecordWrite(run, owner)) return false;
    for (std::uint32_t n = 0; n < run.Header->RegKeyCount; ++n) {
        const RegKeyRecord& key = run.RegKeys[n];
        if (!AppliesAtInstall(run, key)) continue;
        CopyText(subKey, sizeof subKey, key.SubKey, sizeof key.SubKey);
        const char* root = RootName(key.Root);
        SetStatusLabel(run, Msg(MessageId::AddingRegistryKey));
        FormatText(text, sizeof text, "%s\\%s", root, subKey);
        SetStatusDetail(run, text);
        FormatText(text, sizeof text, "Creating registry key '%s\\%s'...", root, subKey);
        LogText(run, text);
        os::RegKey handle = 0;
        const long status = run.os.RegCreateKeyEx(key.Root, subKey, os::KEY_ALL_ACCESS, &handle);
        if (status != os::ERROR_SUCCESS) {
            run.KeyHandles[n] = 0;
            ShowError(run, owner, MessageId::CouldntCreateKey, root, subKey,
                      static_cast<int>(status));
            return false;
        }
        run.KeyHandles[n] = handle;
    }
    return true;
}

bool SetRegistryValues(Run& run, os::Window owner) {
    char text[LogLineSize];
    char subKey[sizeof(RegKeyRecord::SubKey) + 1];
    char name[sizeof(RegValueRecord::ValueName) + 1];
    for (std::uint32_t n = 0; n < run.Header->RegValueCount; ++n) {
        const RegValueRecord& value = run.RegValues[n];
        if (!AppliesAtInstall(run, value)) continue;
        const char* root = "";
        subKey[0] = '\0';
        if (value.KeyNumber >= 1 && value.KeyNumber <= run.Header->RegKeyCount) {
            const RegKeyRecord& key = run.RegKeys[value.KeyNumber - 1];
            root = RootName(key.Root);
            CopyText(subKey, sizeof subKey, key.SubKey, sizeof key.SubKey);
        }
        CopyText(name, sizeof name, value.ValueName, sizeof value.ValueName);
        SetStatusLabel(run, Msg(MessageId::AddingRegistryValue));
        FormatText(text, sizeof text, "%s\\%s\\%s", root, subKey, name);
        SetStatusDetail(run, text);
        FormatText(text, sizeof text, "Adding registry value '%s\\%s\\%s'...", root, subKey, name);
        LogText(run, text);

        const os::RegKey handle = KeyOfValue(run, value);
        const std::uint32_t size =
            value.DataSize <= sizeof value.Data ? value.DataSize : sizeof value.Data;
        const long status = handle == 0
                                ? ErrorInvalidHandle
                                : run.os.RegSetValueEx(handle, name, value.ValueType, value.Data,
                                                       size);
        if (status != os::ERROR_SUCCESS) {
            ShowError(run, owner, MessageId::CouldntCreateValue, root, subKey, name,
                      static_cast<int>(status));
            return false;
        }
    }
    return true;
}

void CloseRegistryKeys(Run& run) {
    if (run.KeyHandles == nullptr || run.Header == nullptr) return;
    for (std::uint32_t n = 0; n < run.Header->RegKeyCount; ++n) {
        if (run.KeyHandles[n] != 0) {
            run.os.RegCloseKey(run.KeyHandles[n]);
            run.KeyHandles[n] = 0;
        }
    }
}

void ReleaseRegistryKeys(Run& run) {
    CloseRegistryKeys(run);
    if (run.KeyHandles != nullptr) {
        run.os.Free(run.KeyHandles);
        run.KeyHandles = nullptr;
    }
}
