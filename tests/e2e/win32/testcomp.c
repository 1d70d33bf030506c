/* A component for the registration tests: DllRegisterServer writes
 * HKLM\Software\E2E Test Component "Registered" = "yes",
 * DllUnregisterServer deletes the key again. */
#include <windows.h>

#define KEY "Software\\E2E Test Component"

HRESULT __stdcall DllRegisterServer(void) {
    HKEY key;
    LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                                  NULL);
    if (status != ERROR_SUCCESS) return (HRESULT)status;
    status = RegSetValueExA(key, "Registered", 0, REG_SZ, (const BYTE *)"yes", 4);
    RegCloseKey(key);
    return (HRESULT)status;
}

HRESULT __stdcall DllUnregisterServer(void) {
    return (HRESULT)RegDeleteKeyA(HKEY_LOCAL_MACHINE, KEY);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
