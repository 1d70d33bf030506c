// The registry and the Service Control Manager.
#include "platform/win32/win32_windows.h"

namespace {

HKEY AsKey(os::RegKey key) { return reinterpret_cast<HKEY>(key); }
SC_HANDLE AsService(os::ScHandle handle) { return reinterpret_cast<SC_HANDLE>(handle); }

}  // namespace

long os::Platform::RegOpenKeyEx(os::RegKey root, const char* subKey, std::uint32_t access,
                                 os::RegKey* result) {
    HKEY key = nullptr;
    LONG status = ::RegOpenKeyExA(AsKey(root), subKey, 0, access, &key);
    *result = status == ERROR_SUCCESS ? reinterpret_cast<os::RegKey>(key) : 0;
    return status;
}

long os::Platform::RegCreateKeyEx(os::RegKey root, const char* subKey, std::uint32_t access,
                                   os::RegKey* result) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    char noClass[1] = {0};
    LONG status = ::RegCreateKeyExA(AsKey(root), subKey, 0, noClass, REG_OPTION_NON_VOLATILE,
                                    access, nullptr, &key, &disposition);
    *result = status == ERROR_SUCCESS ? reinterpret_cast<os::RegKey>(key) : 0;
    return status;
}

long os::Platform::RegQueryValueEx(os::RegKey key, const char* name, std::uint32_t* type,
                                    void* data, std::uint32_t* size) {
    DWORD valueType = 0;
    DWORD valueSize = size ? *size : 0;
    LONG status = ::RegQueryValueExA(AsKey(key), name, nullptr, &valueType,
                                     static_cast<LPBYTE>(data), size ? &valueSize : nullptr);
    if (type) *type = valueType;
    if (size) *size = valueSize;
    return status;
}

long os::Platform::RegSetValueEx(os::RegKey key, const char* name, std::uint32_t type,
                                  const void* data, std::uint32_t size) {
    return ::RegSetValueExA(AsKey(key), name, 0, type, static_cast<const BYTE*>(data), size);
}

long os::Platform::RegDeleteValue(os::RegKey key, const char* name) {
    return ::RegDeleteValueA(AsKey(key), name);
}

long os::Platform::RegDeleteKey(os::RegKey root, const char* subKey) {
    return ::RegDeleteKeyA(AsKey(root), subKey);
}

long os::Platform::RegCloseKey(os::RegKey key) { return ::RegCloseKey(AsKey(key)); }

os::ScHandle os::Platform::OpenSCManager(std::uint32_t access) {
    return reinterpret_cast<os::ScHandle>(::OpenSCManagerA(nullptr, nullptr, access));
}

os::ScHandle os::Platform::CreateService(os::ScHandle manager, const char* name,
                                          const char* displayName, std::uint32_t access,
                                          std::uint32_t serviceType, std::uint32_t startType,
                                          std::uint32_t errorControl, const char* binaryPath,
                                          const char* dependencies) {
    return reinterpret_cast<os::ScHandle>(::CreateServiceA(
        AsService(manager), name, displayName, access, serviceType, startType, errorControl,
        binaryPath, nullptr, nullptr, dependencies, nullptr, nullptr));
}

os::ScHandle os::Platform::OpenService(os::ScHandle manager, const char* name,
                                        std::uint32_t access) {
    return reinterpret_cast<os::ScHandle>(::OpenServiceA(AsService(manager), name, access));
}

bool os::Platform::StartService(os::ScHandle service) {
    return ::StartServiceA(AsService(service), 0, nullptr) != 0;
}

bool os::Platform::ControlService(os::ScHandle service, std::uint32_t control) {
    SERVICE_STATUS status;
    return ::ControlService(AsService(service), control, &status) != 0;
}

bool os::Platform::QueryServiceStatus(os::ScHandle service, std::uint32_t* state) {
    SERVICE_STATUS status;
    if (!::QueryServiceStatus(AsService(service), &status)) return false;
    *state = status.dwCurrentState;
    return true;
}

bool os::Platform::DeleteService(os::ScHandle service) {
    return ::DeleteService(AsService(service)) != 0;
}

bool os::Platform::CloseServiceHandle(os::ScHandle handle) {
    return ::CloseServiceHandle(AsService(handle)) != 0;
}
