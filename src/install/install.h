// The install engine.
#pragma once

#include <cstddef>
#include <cstdint>

#include "run/run.h"
#include "text/messages.h"

bool RunInstall(Run& run, os::Window owner);
bool PathExists(Run& run, const char* path);
bool MakeDirectory(Run& run, const char* path);

// The uninstaller's image, read from a signed package: its certificate
// entry cleared and its PE checksum made right for `size` bytes (true). An
// image without a certificate entry is left as it is (false).
bool UnsignImage(unsigned char* image, long size);
// "Couldn't read data from '%s'." with the running program's full path.
void ShowReadDataError(Run& run, os::Window owner);

bool PlaceFile(Run& run, os::Window owner, std::size_t index, std::uint32_t& position);
// Moves the package read position on by a record's stored size
// ("Couldn't skip file." on failure).
bool SkipStoredData(Run& run, os::Window owner, std::uint32_t size);

// The keys under HKEY_LOCAL_MACHINE that registration writes and the
// uninstallation removes again.
inline constexpr char SharedDllsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
inline constexpr char AppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
inline constexpr char RunServicesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";

// Registration of placed files.
void AddSharedReference(Run& run, const char* path);
// The self-registration of a placed component (byRun: "/REGSERVER" rather
// than DllRegisterServer), or its undoing before the uninstallation deletes
// it. Only the registration writes log lines.
enum class Registration { Register, Unregister };
bool RegisterComponent(Run& run, os::Window owner, const char* path, bool byRun,
                       Registration direction);
// Runs "program arguments" hidden and waits; the exit code, or -1.
std::int32_t RunAndWait(Run& run, const char* program, const char* arguments);
void RegisterAppPath(Run& run, const char* path, const char* fileName);
void RegisterRunService95(Run& run, const char* path, const char* serviceName);

// Registry keys and values of the installation information.
extern const char* const RootNames[8];
const char* RootName(std::uint32_t root);
bool CreateRegistryKeys(Run& run, os::Window owner);
bool SetRegistryValues(Run& run, os::Window owner);
void CloseRegistryKeys(Run& run);
// Closes every key still open and releases run.KeyHandles; the final
// clean-up calls it on every way out.
void ReleaseRegistryKeys(Run& run);
