// RemoveRegistryEntries: the registry phase of the uninstallation, the values of the
// value records and then the keys of the key records.
#include <cstring>

#include "package/package.h"
#include "package/record.h"
#include "log/log.h"
#include "text/boxes.h"
#include "text/format.h"
#include "text/messages.h"
#include "uninstall/uninstall.h"

bool RemoveRegistryEntries(Run& run, os::Window owner) {
    const std::uint32_t keyCount = run.Header->RegKeyCount;
    if (keyCount == 0 && run.Header->RegValueCount == 0) return true;

    // The handles are held beside the table (run.KeyHandles), opened for
    // every key record, left or not, so that values below a kept key go.
    if (keyCount != 0 && run.KeyHandles == nullptr) {
        run.KeyHandles = static_cast<os::RegKey*>(run.os.Alloc(keyCount * sizeof(os::RegKey)));
        if (run.KeyHandles == nullptr) {
            ShowError(run, owner, MessageId::OutOfMemory);
            return false;
        }
    }
    for (std::uint32_t n = 0; n < keyCount; ++n) {
        const RegKeyRecord& record = run.RegKeys[n];
        char subKey[sizeof record.SubKey];
        CopyText(subKey, sizeof subKey, record.SubKey, sizeof record.SubKey);
        os::RegKey key = 0;
        if (run.os.RegOpenKeyEx(record.Root, subKey, os::KEY_ALL_ACCESS, &key) != os::ERROR_SUCCESS)
            key = 0;
        run.KeyHandles[n] = key;
    }

    for (std::uint32_t n = 0; n < run.Header->RegValueCount; ++n) {
        const RegValueRecord& value = run.RegValues[n];
        if (LeftAtUninstall(run, value)) continue;
        // A key number outside the table names no key: nothing to delete.
        if (value.KeyNumber == 0 || value.KeyNumber > keyCount) continue;
        const os::RegKey key = run.KeyHandles[value.KeyNumber - 1];
        if (key == 0) continue;
        char valueName[sizeof value.ValueName];
        CopyText(valueName, sizeof valueName, value.ValueName, sizeof value.ValueName);
        run.os.RegDeleteValue(key, valueName);
    }

    for (std::uint32_t n = 0; n < keyCount; ++n) {
        const RegKeyRecord& record = run.RegKeys[n];
        if (run.KeyHandles[n] != 0) {
            run.os.RegCloseKey(run.KeyHandles[n]);
            run.KeyHandles[n] = 0;
        }
        if (LeftAtUninstall(run, record)) continue;
        char subKey[sizeof record.SubKey];
        CopyText(subKey, sizeof subKey, record.SubKey, sizeof record.SubKey);
        // An empty subkey would name the root itself: it is never deleted.
        if (subKey[0] == '\0') continue;
        // A key that was there before keeps everything but the values
        // written here.
        char text[LogLineSize];
        RecordKeyText(text, record.Root, subKey);
        if (RecordHas(run, FoundKey, text)) continue;
        run.os.RegDeleteKey(record.Root, subKey);
    }
    run.os.Free(run.KeyHandles);
    run.KeyHandles = nullptr;
    return true;
}
