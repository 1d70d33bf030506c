// The simulated machine as the engine sees it: every os::Platform call,
// answered from the machine's whole state (State, state.h, private to
// src/platform/sim). The tests make and look at the machine through Machine
// (machine.h), which is these calls plus the tests' set-up, failure
// injection and inspection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/platform.h"

namespace sim {

class Machine;

class PlatformCalls : public os::Platform {
public:
    void* Alloc(std::size_t size) override;
    void Free(void* block) override;
    std::uint32_t GetLastError() override;

    os::FileHandle LOpen(const char* path, int mode) override;
    os::FileHandle LCreat(const char* path, int attributes) override;
    long HRead(os::FileHandle file, void* buffer, long count) override;
    long HWrite(os::FileHandle file, const void* buffer, long count) override;
    long LSeek(os::FileHandle file, long offset, int origin) override;
    int LClose(os::FileHandle file) override;
    os::FileHandle CreateFile(const char* path, std::uint32_t access, std::uint32_t share,
                              std::uint32_t disposition, std::uint32_t flags) override;
    bool GetFileTime(os::FileHandle file, os::FileTime* creation, os::FileTime* access,
                     os::FileTime* write) override;
    bool SetFileTime(os::FileHandle file, const os::FileTime* creation,
                     const os::FileTime* access, const os::FileTime* write) override;
    bool SetEndOfFile(os::FileHandle file) override;
    bool CloseHandle(os::FileHandle file) override;

    std::uint32_t GetFileAttributes(const char* path) override;
    bool SetFileAttributes(const char* path, std::uint32_t attributes) override;
    bool DeleteFile(const char* path) override;
    bool CreateDirectory(const char* path) override;
    bool RemoveDirectory(const char* path) override;
    os::FindHandle FindFirstFile(const char* pattern, os::FindData* data) override;
    bool FindNextFile(os::FindHandle search, os::FindData* data) override;
    bool FindClose(os::FindHandle search) override;
    bool MoveFileEx(const char* from, const char* to, std::uint32_t flags) override;
    bool SetCurrentDirectory(const char* path) override;

    bool GetDiskFreeSpace(const char* root, std::uint32_t* sectorsPerCluster,
                          std::uint32_t* bytesPerSector, std::uint32_t* freeClusters,
                          std::uint32_t* totalClusters) override;
    unsigned GetDriveType(const char* root) override;
    unsigned GetWindowsDirectory(char* buffer, unsigned size) override;
    unsigned GetSystemDirectory(char* buffer, unsigned size) override;
    unsigned GetTempPath(unsigned size, char* buffer) override;
    unsigned GetTempFileName(const char* directory, const char* prefix, char* out) override;
    unsigned GetShortPathName(const char* path, char* out, unsigned size) override;
    bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                                   const char* file) override;

    long RegOpenKeyEx(os::RegKey root, const char* subKey, std::uint32_t access,
                      os::RegKey* result) override;
    long RegCreateKeyEx(os::RegKey root, const char* subKey, std::uint32_t access,
                        os::RegKey* result) override;
    long RegQueryValueEx(os::RegKey key, const char* name, std::uint32_t* type, void* data,
                         std::uint32_t* size) override;
    long RegSetValueEx(os::RegKey key, const char* name, std::uint32_t type, const void* data,
                       std::uint32_t size) override;
    long RegDeleteValue(os::RegKey key, const char* name) override;
    long RegDeleteKey(os::RegKey root, const char* subKey) override;
    long RegCloseKey(os::RegKey key) override;

    os::ScHandle OpenSCManager(std::uint32_t access) override;
    os::ScHandle CreateService(os::ScHandle manager, const char* name, const char* displayName,
                               std::uint32_t access, std::uint32_t serviceType,
                               std::uint32_t startType, std::uint32_t errorControl,
                               const char* binaryPath, const char* dependencies) override;
    os::ScHandle OpenService(os::ScHandle manager, const char* name,
                             std::uint32_t access) override;
    bool StartService(os::ScHandle service) override;
    bool ControlService(os::ScHandle service, std::uint32_t control) override;
    bool QueryServiceStatus(os::ScHandle service, std::uint32_t* state) override;
    bool DeleteService(os::ScHandle service) override;
    bool CloseServiceHandle(os::ScHandle handle) override;

    unsigned DdeInitialize(std::uint32_t* instance) override;
    bool DdeUninitialize(std::uint32_t instance) override;
    os::DdeConversation DdeConnect(std::uint32_t instance, const char* service) override;
    bool DdeDisconnect(os::DdeConversation conversation) override;
    bool DdeExecute(os::DdeConversation conversation, const void* data, std::uint32_t size,
                    std::uint32_t timeoutMs) override;
    unsigned DdeGetLastError(std::uint32_t instance) override;
    std::uint32_t DdeRequestGroups(std::uint32_t instance, os::DdeConversation conversation,
                                   char* buffer, std::uint32_t size) override;

    int MessageBox(os::Window owner, const char* text, const char* caption,
                   unsigned type) override;
    std::intptr_t DialogBox(int id, os::Window owner, os::DialogProc proc,
                            void* context) override;
    bool EndDialog(os::Window dialog, std::intptr_t result) override;
    bool PostMessage(os::Window window, unsigned message, std::uintptr_t wParam,
                     std::intptr_t lParam) override;
    void SendCancelCommand(os::Window dialog) override;
    std::intptr_t SetItemText(os::Window dialog, int item, const char* text) override;
    std::intptr_t GetItemText(os::Window dialog, int item, char* buffer, int size) override;
    void LimitItemText(os::Window dialog, int item, int count) override;
    void SelectItemText(os::Window dialog, int item, int from, int to) override;
    void FocusItem(os::Window dialog, int item) override;
    void MessageBeep(unsigned type) override;
    void SetWindowText(os::Window window, const char* text) override;
    void SetSmallIcon(os::Window window, int iconId) override;
    bool GetDesktopRect(os::Rect* rect) override;
    bool GetClientRect(os::Window window, os::Rect* rect) override;
    void MoveWindow(os::Window window, int x, int y) override;
    void ShowWindow(os::Window window, int command) override;
    bool GetItemRect(os::Window dialog, int item, bool clientCoordinates,
                     os::Rect* rect) override;
    void SetWaitCursor() override;
    void PeekMessage() override;
    short GetAsyncKeyState(int key) override;
    bool GetCursorPos(os::Point* point) override;
    os::DeviceContext BeginPaint(os::Window window) override;
    void EndPaint(os::Window window, os::DeviceContext dc) override;
    os::DeviceContext GetDC(os::Window window) override;
    void ReleaseDC(os::Window window, os::DeviceContext dc) override;
    void PaintProgress(os::DeviceContext dc, const os::Rect& filled, const os::Rect& text,
                       const char* percent) override;

    bool GetVersionEx(os::VersionInfo* info) override;
    unsigned GetModuleFileName(char* buffer, unsigned size) override;
    bool GetModuleHandle(const char* name) override;
    os::LibraryHandle LoadLibrary(const char* path) override;
    os::EntryPoint GetProcAddress(os::LibraryHandle library, const char* name) override;
    std::int32_t CallEntryPoint(os::EntryPoint entry) override;
    bool FreeLibrary(os::LibraryHandle library) override;
    os::ProcessHandle CreateProcess(const char* commandLine, int show,
                                    std::uint32_t creationFlags) override;
    bool GetExitCodeProcess(os::ProcessHandle process, std::uint32_t* code) override;
    bool CloseProcess(os::ProcessHandle process) override;
    void Sleep(std::uint32_t milliseconds) override;

    std::uint32_t GetFileVersionInfoSize(const char* path) override;
    bool GetFileVersionInfo(const char* path, std::uint32_t size, void* data) override;
    bool QueryFileVersion(const void* data, std::uint32_t* versionMS,
                          std::uint32_t* versionLS) override;

    int LZOpenFile(const char* path, int mode) override;
    long LZCopy(int source, int target) override;
    void LZClose(int handle) override;

    void ShellExecute(const char* file, const char* parameters, const char* directory,
                      int show) override;
    void WinHelp(const char* path, unsigned command, std::uint32_t data) override;
    void ExitWindowsEx(unsigned flags) override;

    bool IsDBCSLeadByte(unsigned char byte) override;
    int CompareTextNoCase(const char* a, const char* b) override;


    // The whole state; defined in state.h, private to the implementation.
    struct State;

protected:
    // Only a Machine is made: the calls that run the tests' scripted
    // programs and components hand them the Machine.
    PlatformCalls();
    PlatformCalls(PlatformCalls&&) noexcept;
    PlatformCalls& operator=(PlatformCalls&&) noexcept;
    ~PlatformCalls() override;
    // This machine, for the tests' programs and components a call runs.
    Machine& TheMachine();

    std::unique_ptr<State> s_;
};

}  // namespace sim
