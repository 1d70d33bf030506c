// RegisterAppPath and RegisterRunService95: the registry entries by which
// the shell finds a program and Windows 95 starts one at system start.
#include <cstring>

#include "install/install.h"
#include "text/format.h"

namespace {

void SetPathValue(Run& run, const char* subKey, const char* name, const char* path) {
    os::RegKey key = 0;
    if (run.os.RegCreateKeyEx(os::HKEY_LOCAL_MACHINE, subKey, os::KEY_ALL_ACCESS, &key) !=
        os::ERROR_SUCCESS)
        return;
    run.os.RegSetValueEx(key, name, os::REG_SZ, path,
                         static_cast<std::uint32_t>(std::strlen(path) + 1));
    run.os.RegCloseKey(key);
}

}  // namespace

void RegisterAppPath(Run& run, const char* path, const char* fileName) {
    char subKey[sizeof AppPathsKey + 1 + sizeof(FileRecord::FileName)];
    FormatText(subKey, sizeof subKey, "%s\\%s", AppPathsKey, fileName);
    SetPathValue(run, subKey, "", path);
}

void RegisterRunService95(Run& run, const char* path, const char* serviceName) {
    SetPathValue(run, RunServicesKey, serviceName, path);
}
