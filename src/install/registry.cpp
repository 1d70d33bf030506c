// The registry keys and values of the installation information.
#include "install/install.h"

const char* const RootNames[8] = {"HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",
                                  "HKEY_LOCAL_MACHINE",    "HKEY_USERS",
                                  "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG",
                                  "HKEY_DYN_DATA",         ""};
const char* RootName(std::uint32_t root) { return RootNames[root & 7u]; }
bool CreateRegistryKeys(Run&, os::Window) { return false; }
bool SetRegistryValues(Run&, os::Window) { return false; }
void CloseRegistryKeys(Run&) {}
void ReleaseRegistryKeys(Run&) {}
