// AddSharedReference: the SharedDLLs reference count of a shared file.
#include "install/install.h"

void AddSharedReference(Run& run, const char* path) {
    // A fresh system has no such key yet: the first shared file makes it.
    os::RegKey key = 0;
    if (run.os.RegCreateKeyEx(os::HKEY_LOCAL_MACHINE, SharedDllsKey,
                              os::KEY_QUERY_VALUE | os::KEY_SET_VALUE, &key) != os::ERROR_SUCCESS)
        return;
    std::uint32_t count = 0;
    std::uint32_t type = 0;
    std::uint32_t size = sizeof count;
    // A missing or unreadable value counts as 0, so the first install gives 1.
    if (run.os.RegQueryValueEx(key, path, &type, &count, &size) != os::ERROR_SUCCESS) count = 0;
    if (count != 0xFFFFFFFFu) ++count;
    run.os.RegSetValueEx(key, path, os::REG_DWORD, &count, sizeof count);
    run.os.RegCloseKey(key);
}
