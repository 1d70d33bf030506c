// Version, modules and libraries, processes, version resources, SZDD
// expansion and the completion calls.
#include "platform/win32/win32_windows.h"

namespace {

// A component's DllRegisterServer/DllUnregisterServer: STDAPI, no arguments.
using ComponentEntry = LONG(WINAPI*)();

constexpr DWORD StartupInfoSize = 68;  // the size of STARTUPINFOA on 32-bit Windows

}  // namespace

bool os::Platform::GetVersionEx(os::VersionInfo* info) {
    OSVERSIONINFOA version;
    ::ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);  // 148
    BOOL ok = ::GetVersionExA(&version);
    info->Major = version.dwMajorVersion;
    info->Minor = version.dwMinorVersion;
    info->Build = version.dwBuildNumber;
    info->PlatformId = version.dwPlatformId;
    return ok != 0;
}

unsigned os::Platform::GetModuleFileName(char* buffer, unsigned size) {
    return ::GetModuleFileNameA(nullptr, buffer, size);
}

bool os::Platform::GetModuleHandle(const char* name) {
    return ::GetModuleHandleA(name) != nullptr;
}

os::LibraryHandle os::Platform::LoadLibrary(const char* path) {
    return reinterpret_cast<os::LibraryHandle>(::LoadLibraryA(path));
}

os::EntryPoint os::Platform::GetProcAddress(os::LibraryHandle library, const char* name) {
    return reinterpret_cast<os::EntryPoint>(
        ::GetProcAddress(reinterpret_cast<HMODULE>(library), name));
}

std::int32_t os::Platform::CallEntryPoint(os::EntryPoint entry) {
    return reinterpret_cast<ComponentEntry>(entry)();
}

bool os::Platform::FreeLibrary(os::LibraryHandle library) {
    return ::FreeLibrary(reinterpret_cast<HMODULE>(library)) != 0;
}

os::ProcessHandle os::Platform::CreateProcess(const char* commandLine, int show,
                                               std::uint32_t creationFlags) {
    // CreateProcess may write into the command line it is given, so it gets a copy.
    char line[2048];
    int length = ::lstrlenA(commandLine);
    if (length >= static_cast<int>(sizeof(line))) {
        ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    ::CopyMemory(line, commandLine, length + 1);

    STARTUPINFOA startup;
    ::ZeroMemory(&startup, sizeof(startup));
    startup.cb = StartupInfoSize;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION process;
    if (!::CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, creationFlags, nullptr, nullptr,
                          &startup, &process)) {
        return 0;
    }
    ::CloseHandle(process.hThread);
    return reinterpret_cast<os::ProcessHandle>(process.hProcess);
}

bool os::Platform::GetExitCodeProcess(os::ProcessHandle process, std::uint32_t* code) {
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(reinterpret_cast<HANDLE>(process), &exitCode)) return false;
    *code = exitCode;
    return true;
}

bool os::Platform::CloseProcess(os::ProcessHandle process) {
    return ::CloseHandle(reinterpret_cast<HANDLE>(process)) != 0;
}

void os::Platform::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::uint32_t os::Platform::GetFileVersionInfoSize(const char* path) {
    DWORD unused = 0;
    return ::GetFileVersionInfoSizeA(path, &unused);
}

bool os::Platform::GetFileVersionInfo(const char* path, std::uint32_t size, void* data) {
    return ::GetFileVersionInfoA(path, 0, size, data) != 0;
}

bool os::Platform::QueryFileVersion(const void* data, std::uint32_t* versionMS,
                                     std::uint32_t* versionLS) {
    void* fixed = nullptr;
    UINT length = 0;
    char root[] = "\\";
    if (!::VerQueryValueA(data, root, &fixed, &length) || fixed == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    const VS_FIXEDFILEINFO* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    *versionMS = info->dwFileVersionMS;
    *versionLS = info->dwFileVersionLS;
    return true;
}

int os::Platform::LZOpenFile(const char* path, int mode) {
    OFSTRUCT open;
    ::ZeroMemory(&open, sizeof(open));
    char name[MAX_PATH];
    int length = ::lstrlenA(path);
    if (length >= MAX_PATH) return LZERROR_BADINHANDLE;
    ::CopyMemory(name, path, length + 1);
    return ::LZOpenFileA(name, &open, static_cast<WORD>(mode));
}

long os::Platform::LZCopy(int source, int target) { return ::LZCopy(source, target); }

void os::Platform::LZClose(int handle) { ::LZClose(handle); }

void os::Platform::ShellExecute(const char* file, const char* parameters,
                                 const char* directory, int show) {
    ::ShellExecuteA(nullptr, nullptr, file, parameters, directory, show);
}

void os::Platform::WinHelp(const char* path, unsigned command, std::uint32_t data) {
    ::WinHelpA(::GetDesktopWindow(), path, command, data);
}

void os::Platform::ExitWindowsEx(unsigned flags) { ::ExitWindowsEx(flags, 0); }

bool os::Platform::IsDBCSLeadByte(unsigned char lead) { return ::IsDBCSLeadByte(lead) != 0; }

int os::Platform::CompareTextNoCase(const char* a, const char* b) { return ::lstrcmpiA(a, b); }
