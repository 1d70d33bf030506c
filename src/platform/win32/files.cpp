// Memory, handle-based files, names, drives and special directories.
#include "platform/win32/win32_windows.h"

static_assert(sizeof(os::FileTime) == sizeof(FILETIME), "FILETIME layout");

namespace {

HFILE AsHfile(os::FileHandle file) { return static_cast<HFILE>(file); }
HANDLE AsHandle(os::FileHandle file) { return reinterpret_cast<HANDLE>(file); }

const FILETIME* AsFiletime(const os::FileTime* time) {
    return reinterpret_cast<const FILETIME*>(time);
}
FILETIME* AsFiletime(os::FileTime* time) { return reinterpret_cast<FILETIME*>(time); }

void CopyFindData(const WIN32_FIND_DATAA& from, os::FindData* to) {
    to->Attributes = from.dwFileAttributes;
    unsigned i = 0;
    for (; i + 1 < sizeof(to->Name) && from.cFileName[i] != '\0'; ++i) to->Name[i] = from.cFileName[i];
    to->Name[i] = '\0';
}

}  // namespace

void* os::Platform::Alloc(std::size_t size) {
    return reinterpret_cast<void*>(::GlobalAlloc(GPTR, size));
}

void os::Platform::Free(void* block) { ::GlobalFree(reinterpret_cast<HGLOBAL>(block)); }

std::uint32_t os::Platform::GetLastError() { return ::GetLastError(); }

os::FileHandle os::Platform::LOpen(const char* path, int mode) { return ::_lopen(path, mode); }

os::FileHandle os::Platform::LCreat(const char* path, int attributes) {
    return ::_lcreat(path, attributes);
}

long os::Platform::HRead(os::FileHandle file, void* buffer, long count) {
    return ::_hread(AsHfile(file), buffer, count);
}

long os::Platform::HWrite(os::FileHandle file, const void* buffer, long count) {
    return ::_hwrite(AsHfile(file), static_cast<LPCCH>(buffer), count);
}

long os::Platform::LSeek(os::FileHandle file, long offset, int origin) {
    return ::_llseek(AsHfile(file), offset, origin);
}

int os::Platform::LClose(os::FileHandle file) { return ::_lclose(AsHfile(file)); }

os::FileHandle os::Platform::CreateFile(const char* path, std::uint32_t access,
                                         std::uint32_t share, std::uint32_t disposition,
                                         std::uint32_t flags) {
    HANDLE h = ::CreateFileA(path, access, share, nullptr, disposition, flags, nullptr);
    return reinterpret_cast<os::FileHandle>(h);
}

bool os::Platform::GetFileTime(os::FileHandle file, os::FileTime* creation,
                                os::FileTime* access, os::FileTime* write) {
    return ::GetFileTime(AsHandle(file), AsFiletime(creation), AsFiletime(access),
                         AsFiletime(write)) != 0;
}

bool os::Platform::SetFileTime(os::FileHandle file, const os::FileTime* creation,
                                const os::FileTime* access, const os::FileTime* write) {
    return ::SetFileTime(AsHandle(file), AsFiletime(creation), AsFiletime(access),
                         AsFiletime(write)) != 0;
}

bool os::Platform::SetEndOfFile(os::FileHandle file) {
    return ::SetEndOfFile(AsHandle(file)) != 0;
}

bool os::Platform::CloseHandle(os::FileHandle file) { return ::CloseHandle(AsHandle(file)) != 0; }

std::uint32_t os::Platform::GetFileAttributes(const char* path) {
    return ::GetFileAttributesA(path);
}

bool os::Platform::SetFileAttributes(const char* path, std::uint32_t attributes) {
    return ::SetFileAttributesA(path, attributes) != 0;
}

bool os::Platform::DeleteFile(const char* path) { return ::DeleteFileA(path) != 0; }

bool os::Platform::CreateDirectory(const char* path) {
    // No descriptor, inheritable handle: the 12-byte record the engine asks for.
    SECURITY_ATTRIBUTES security;
    security.nLength = sizeof(security);
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = TRUE;
    return ::CreateDirectoryA(path, &security) != 0;
}

bool os::Platform::RemoveDirectory(const char* path) { return ::RemoveDirectoryA(path) != 0; }

os::FindHandle os::Platform::FindFirstFile(const char* pattern, os::FindData* data) {
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA(pattern, &found);
    if (h == INVALID_HANDLE_VALUE) return os::InvalidFind;
    CopyFindData(found, data);
    return reinterpret_cast<os::FindHandle>(h);
}

bool os::Platform::FindNextFile(os::FindHandle search, os::FindData* data) {
    WIN32_FIND_DATAA found;
    if (!::FindNextFileA(reinterpret_cast<HANDLE>(search), &found)) return false;
    CopyFindData(found, data);
    return true;
}

bool os::Platform::FindClose(os::FindHandle search) {
    return ::FindClose(reinterpret_cast<HANDLE>(search)) != 0;
}

bool os::Platform::MoveFileEx(const char* from, const char* to, std::uint32_t flags) {
    return ::MoveFileExA(from, to, flags) != 0;
}

bool os::Platform::SetCurrentDirectory(const char* path) {
    return ::SetCurrentDirectoryA(path) != 0;
}

bool os::Platform::GetDiskFreeSpace(const char* root, std::uint32_t* sectorsPerCluster,
                                     std::uint32_t* bytesPerSector,
                                     std::uint32_t* freeClusters,
                                     std::uint32_t* totalClusters) {
    DWORD sectors = 0, bytes = 0, free = 0, total = 0;
    BOOL ok = ::GetDiskFreeSpaceA(root, &sectors, &bytes, &free, &total);
    if (sectorsPerCluster) *sectorsPerCluster = sectors;
    if (bytesPerSector) *bytesPerSector = bytes;
    if (freeClusters) *freeClusters = free;
    if (totalClusters) *totalClusters = total;
    return ok != 0;
}

unsigned os::Platform::GetDriveType(const char* root) { return ::GetDriveTypeA(root); }

unsigned os::Platform::GetWindowsDirectory(char* buffer, unsigned size) {
    return ::GetWindowsDirectoryA(buffer, size);
}

unsigned os::Platform::GetSystemDirectory(char* buffer, unsigned size) {
    return ::GetSystemDirectoryA(buffer, size);
}

unsigned os::Platform::GetTempPath(unsigned size, char* buffer) {
    return ::GetTempPathA(size, buffer);
}

unsigned os::Platform::GetTempFileName(const char* directory, const char* prefix, char* out) {
    return ::GetTempFileNameA(directory, prefix, 0, out);
}

unsigned os::Platform::GetShortPathName(const char* path, char* out, unsigned size) {
    return ::GetShortPathNameA(path, out, size);
}

bool os::Platform::WritePrivateProfileString(const char* section, const char* key,
                                              const char* value, const char* file) {
    return ::WritePrivateProfileStringA(section, key, value, file) != 0;
}
