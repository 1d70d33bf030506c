/* A program that registers itself when run with /REGSERVER: it writes
 * HKLM\Software\E2E Test Server "Registered" = "yes"; /UNREGSERVER deletes
 * the key. Any other command line exits with 2 and changes nothing. */
#include <windows.h>
#include <string.h>

#define KEY "Software\\E2E Test Server"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show) {
    HKEY key;
    LONG status;
    (void)instance;
    (void)previous;
    (void)show;
    if (strstr(line, "/REGSERVER") && !strstr(line, "/UNREGSERVER")) {
        status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                                 NULL);
        if (status != ERROR_SUCCESS) return 1;
        status = RegSetValueExA(key, "Registered", 0, REG_SZ, (const BYTE *)"yes", 4);
        RegCloseKey(key);
        return status == ERROR_SUCCESS ? 0 : 1;
    }
    if (strstr(line, "/UNREGSERVER"))
        return RegDeleteKeyA(HKEY_LOCAL_MACHINE, KEY) == ERROR_SUCCESS ? 0 : 1;
    return 2;
}
