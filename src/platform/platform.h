// The one interface between the engine and the operating system.
//
// Every operation the installer needs from Windows is declared here, kept
// close to the Win32 call it stands for: same arguments, same results, same
// error codes. The Win32 backend (src/platform/win32) passes each call
// straight through; the simulated backend (src/platform/sim) models a whole
// Windows machine for the host tests and can make any call fail.
//
// Nothing in the engine includes <windows.h>; it uses the types and
// constants below instead.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/resources.h"  // the dialogs', items' and icons' numbers

namespace os {

// ---- Handles -------------------------------------------------------------
// Plain integers so that both backends can hold whatever they need in them.
using FileHandle = std::intptr_t;  // _lopen/_lcreat/CreateFileA handle
using RegKey = std::uintptr_t;     // HKEY; the predefined roots are 0x80000000..6
using Window = std::uintptr_t;     // HWND; 0 = none
using DeviceContext = std::uintptr_t;  // HDC; 0 = none
using FindHandle = std::uintptr_t;     // FindFirstFileA; InvalidFind on failure
using ScHandle = std::uintptr_t;       // SC_HANDLE; 0 on failure
using ProcessHandle = std::uintptr_t;  // process handle; 0 on failure
using LibraryHandle = std::uintptr_t;  // HMODULE; 0 on failure
using EntryPoint = std::uintptr_t;     // FARPROC; 0 when not exported
using DdeConversation = std::uintptr_t;  // HCONV; 0 on failure

constexpr FileHandle InvalidFile = -1;  // HFILE_ERROR / INVALID_HANDLE_VALUE
constexpr FindHandle InvalidFind = ~static_cast<FindHandle>(0);

// ---- Files ---------------------------------------------------------------
constexpr int OF_READ = 0x0000;
constexpr int OF_WRITE = 0x0001;
constexpr int OF_READWRITE = 0x0002;
constexpr int OF_SHARE_EXCLUSIVE = 0x0010;
constexpr int OF_SHARE_DENY_WRITE = 0x0020;
constexpr int OF_CREATE = 0x1000;

constexpr int SEEK_FROM_BEGIN = 0;  // FILE_BEGIN
constexpr int SEEK_FROM_CURRENT = 1;
constexpr int SEEK_FROM_END = 2;

constexpr std::uint32_t GENERIC_READ = 0x80000000u;
constexpr std::uint32_t GENERIC_WRITE = 0x40000000u;
constexpr std::uint32_t FILE_SHARE_READ = 1;
constexpr std::uint32_t FILE_SHARE_WRITE = 2;
constexpr std::uint32_t CREATE_ALWAYS = 2;
constexpr std::uint32_t OPEN_EXISTING = 3;
constexpr std::uint32_t FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000u;

constexpr std::uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
constexpr std::uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr std::uint32_t FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr std::uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr std::uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

constexpr std::uint32_t MOVEFILE_REPLACE_EXISTING = 1;
constexpr std::uint32_t MOVEFILE_DELAY_UNTIL_REBOOT = 4;

// System error codes the engine and the tests meet.
constexpr std::uint32_t ERROR_FILE_NOT_FOUND = 2;
constexpr std::uint32_t ERROR_PATH_NOT_FOUND = 3;
constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;
constexpr std::uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr std::uint32_t ERROR_NO_MORE_FILES = 18;
constexpr std::uint32_t ERROR_SHARING_VIOLATION = 32;
constexpr std::uint32_t ERROR_HANDLE_DISK_FULL = 39;
constexpr std::uint32_t ERROR_ALREADY_EXISTS = 183;
constexpr std::uint32_t ERROR_SERVICE_REQUEST_TIMEOUT = 1053;
constexpr std::uint32_t ERROR_SERVICE_DOES_NOT_EXIST = 1060;
constexpr std::uint32_t ERROR_SERVICE_NOT_ACTIVE = 1062;
constexpr std::uint32_t ERROR_SERVICE_EXISTS = 1073;
constexpr std::uint32_t ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;

struct FileTime {
    std::uint32_t Low;
    std::uint32_t High;
};

struct FindData {
    std::uint32_t Attributes;
    char Name[260];
};

// ---- Registry ------------------------------------------------------------
constexpr RegKey HKEY_CLASSES_ROOT = 0x80000000u;
constexpr RegKey HKEY_CURRENT_USER = 0x80000001u;
constexpr RegKey HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr RegKey HKEY_USERS = 0x80000003u;

constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001;
constexpr std::uint32_t KEY_SET_VALUE = 0x0002;
constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;
constexpr std::uint32_t REG_SZ = 1;
constexpr std::uint32_t REG_DWORD = 4;
constexpr long ERROR_SUCCESS = 0;

// ---- Services ------------------------------------------------------------
constexpr std::uint32_t SC_MANAGER_ALL_ACCESS = 0xF003F;
constexpr std::uint32_t SERVICE_ALL_ACCESS = 0xF01FF;
constexpr std::uint32_t SERVICE_QUERY_STATUS = 0x0004;
constexpr std::uint32_t SERVICE_WIN32_OWN_PROCESS = 0x10;
constexpr std::uint32_t SERVICE_AUTO_START = 2;
constexpr std::uint32_t SERVICE_DEMAND_START = 3;
constexpr std::uint32_t SERVICE_ERROR_NORMAL = 1;
constexpr std::uint32_t SERVICE_CONTROL_STOP = 1;
constexpr std::uint32_t SERVICE_STOPPED = 1;
constexpr std::uint32_t SERVICE_START_PENDING = 2;
constexpr std::uint32_t SERVICE_STOP_PENDING = 3;
constexpr std::uint32_t SERVICE_RUNNING = 4;
constexpr std::uint32_t SERVICE_PAUSED = 7;

// ---- DDE -----------------------------------------------------------------
constexpr std::uint32_t DMLERR_NO_ERROR = 0;
constexpr std::uint32_t DMLERR_EXECACKTIMEOUT = 0x4005;
constexpr std::uint32_t DMLERR_NO_CONV_ESTABLISHED = 0x400A;
constexpr std::uint32_t DMLERR_NOTPROCESSED = 0x4009;
constexpr std::uint32_t DMLERR_SYS_ERROR = 0x400F;

// ---- User interface ------------------------------------------------------
constexpr unsigned WM_DESTROY = 0x0002;
constexpr unsigned WM_PAINT = 0x000F;
constexpr unsigned WM_SETCURSOR = 0x0020;
constexpr unsigned WM_INITDIALOG = 0x0110;
constexpr unsigned WM_COMMAND = 0x0111;
constexpr unsigned RunWorkMessage = 0x0400 + 1024;  // WM_USER + 1024 = 2048

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDHELP = 9;

constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_YESNO = 0x04;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_DEFBUTTON2 = 0x100;
// Brings the box to the front, even over a shell window that opened after
// the program's own (the program group shown after an installation).
constexpr unsigned MB_SETFOREGROUND = 0x10000;

constexpr int VK_LBUTTON = 0x01;
constexpr int VK_ESCAPE = 0x1B;

struct Rect {
    int left;
    int top;
    int right;
    int bottom;
};

struct Point {
    int x;
    int y;
};

// A dialog procedure of the engine. The backend calls it for every message
// of a dialog opened with DialogBox; the result is the procedure's BOOL.
using DialogProc = std::intptr_t (*)(void* context, Window dialog, unsigned message,
                                     std::uintptr_t wParam, std::intptr_t lParam);

// ---- System --------------------------------------------------------------
constexpr std::uint32_t VER_PLATFORM_WIN32s = 0;
constexpr std::uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;
constexpr std::uint32_t STILL_ACTIVE = 259;
constexpr unsigned HELP_CONTEXT = 1;
constexpr unsigned EWX_REBOOT = 2;
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWNA = 8;

struct VersionInfo {
    std::uint32_t Major;
    std::uint32_t Minor;
    std::uint32_t Build;
    std::uint32_t PlatformId;
};

// How the interface is bound. The host build keeps it virtual, so that the
// simulated backend and the tests' own platforms derive from it. The product
// (PLATFORM_DIRECT, set by the Win32 build) has exactly one backend: there
// the methods are plain member functions that src/platform/win32 defines for
// os::Platform itself, with no subclass and no table of virtual functions, so
// that link-time optimisation can inline the thin pass-throughs into the
// engine's call sites. The engine's code is the same in both builds
// (run.os.DeleteFile(...)).
#ifdef PLATFORM_DIRECT
#define PLATFORM_METHOD
#define PLATFORM_ABSTRACT
#define PLATFORM_DESTRUCTOR
#else
#define PLATFORM_METHOD virtual
#define PLATFORM_ABSTRACT = 0
#define PLATFORM_DESTRUCTOR virtual ~Platform() = default;
#endif

// Every operating-system operation of the engine. Results follow the Win32
// call named in the comment: a failing call returns what that call returns on
// failure and leaves its code for GetLastError.
class Platform {
public:
    PLATFORM_DESTRUCTOR

    // Memory: GlobalAlloc(GPTR) and GlobalFree. Returns null when no memory.
    PLATFORM_METHOD void* Alloc(std::size_t size) PLATFORM_ABSTRACT;
    PLATFORM_METHOD void Free(void* block) PLATFORM_ABSTRACT;
    PLATFORM_METHOD std::uint32_t GetLastError() PLATFORM_ABSTRACT;

    // Handle-based files: _lopen, _lcreat, _hread, _hwrite, _llseek, _lclose.
    // Read and Write return the count moved or -1; Seek the new position or -1.
    PLATFORM_METHOD FileHandle LOpen(const char* path, int mode) PLATFORM_ABSTRACT;
    PLATFORM_METHOD FileHandle LCreat(const char* path, int attributes) PLATFORM_ABSTRACT;
    PLATFORM_METHOD long HRead(FileHandle file, void* buffer, long count) PLATFORM_ABSTRACT;
    PLATFORM_METHOD long HWrite(FileHandle file, const void* buffer, long count) PLATFORM_ABSTRACT;
    PLATFORM_METHOD long LSeek(FileHandle file, long offset, int origin) PLATFORM_ABSTRACT;
    PLATFORM_METHOD int LClose(FileHandle file) PLATFORM_ABSTRACT;
    // CreateFileA, for explicit sharing and file times. InvalidFile on failure.
    PLATFORM_METHOD FileHandle CreateFile(const char* path, std::uint32_t access, std::uint32_t share,
                                  std::uint32_t disposition, std::uint32_t flags) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool GetFileTime(FileHandle file, FileTime* creation, FileTime* access,
                             FileTime* write) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool SetFileTime(FileHandle file, const FileTime* creation, const FileTime* access,
                             const FileTime* write) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool SetEndOfFile(FileHandle file) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool CloseHandle(FileHandle file) PLATFORM_ABSTRACT;

    // Names: attributes, deletion, directories, search.
    PLATFORM_METHOD std::uint32_t GetFileAttributes(const char* path) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool SetFileAttributes(const char* path, std::uint32_t attributes) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool DeleteFile(const char* path) PLATFORM_ABSTRACT;
    // CreateDirectoryA with a 12-byte security record: no descriptor, inheritable.
    PLATFORM_METHOD bool CreateDirectory(const char* path) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool RemoveDirectory(const char* path) PLATFORM_ABSTRACT;
    PLATFORM_METHOD FindHandle FindFirstFile(const char* pattern, FindData* data) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool FindNextFile(FindHandle search, FindData* data) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool FindClose(FindHandle search) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool MoveFileEx(const char* from, const char* to, std::uint32_t flags) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool SetCurrentDirectory(const char* path) PLATFORM_ABSTRACT;

    // Drives and special directories.
    PLATFORM_METHOD bool GetDiskFreeSpace(const char* root, std::uint32_t* sectorsPerCluster,
                                  std::uint32_t* bytesPerSector, std::uint32_t* freeClusters,
                                  std::uint32_t* totalClusters) PLATFORM_ABSTRACT;
    PLATFORM_METHOD unsigned GetDriveType(const char* root) PLATFORM_ABSTRACT;
    // These three return the length copied, 0 on failure (as the Win32 calls).
    PLATFORM_METHOD unsigned GetWindowsDirectory(char* buffer, unsigned size) PLATFORM_ABSTRACT;
    PLATFORM_METHOD unsigned GetSystemDirectory(char* buffer, unsigned size) PLATFORM_ABSTRACT;
    PLATFORM_METHOD unsigned GetTempPath(unsigned size, char* buffer) PLATFORM_ABSTRACT;
    // GetTempFileNameA with unique 0: creates the file; returns its number or 0.
    PLATFORM_METHOD unsigned GetTempFileName(const char* directory, const char* prefix, char* out) PLATFORM_ABSTRACT;
    PLATFORM_METHOD unsigned GetShortPathName(const char* path, char* out, unsigned size) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool WritePrivateProfileString(const char* section, const char* key,
                                           const char* value, const char* file) PLATFORM_ABSTRACT;

    // Registry. Results are Win32 status codes, ERROR_SUCCESS (0) on success.
    PLATFORM_METHOD long RegOpenKeyEx(RegKey root, const char* subKey, std::uint32_t access,
                              RegKey* result) PLATFORM_ABSTRACT;
    PLATFORM_METHOD long RegCreateKeyEx(RegKey root, const char* subKey, std::uint32_t access,
                                RegKey* result) PLATFORM_ABSTRACT;
    PLATFORM_METHOD long RegQueryValueEx(RegKey key, const char* name, std::uint32_t* type, void* data,
                                 std::uint32_t* size) PLATFORM_ABSTRACT;
    PLATFORM_METHOD long RegSetValueEx(RegKey key, const char* name, std::uint32_t type, const void* data,
                               std::uint32_t size) PLATFORM_ABSTRACT;
    PLATFORM_METHOD long RegDeleteValue(RegKey key, const char* name) PLATFORM_ABSTRACT;
    PLATFORM_METHOD long RegDeleteKey(RegKey root, const char* subKey) PLATFORM_ABSTRACT;
    PLATFORM_METHOD long RegCloseKey(RegKey key) PLATFORM_ABSTRACT;

    // Service Control Manager. Handles are 0 on failure.
    PLATFORM_METHOD ScHandle OpenSCManager(std::uint32_t access) PLATFORM_ABSTRACT;
    PLATFORM_METHOD ScHandle CreateService(ScHandle manager, const char* name, const char* displayName,
                                   std::uint32_t access, std::uint32_t serviceType,
                                   std::uint32_t startType, std::uint32_t errorControl,
                                   const char* binaryPath, const char* dependencies) PLATFORM_ABSTRACT;
    PLATFORM_METHOD ScHandle OpenService(ScHandle manager, const char* name, std::uint32_t access) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool StartService(ScHandle service) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool ControlService(ScHandle service, std::uint32_t control) PLATFORM_ABSTRACT;
    // QueryServiceStatus; the current state goes to *state.
    PLATFORM_METHOD bool QueryServiceStatus(ScHandle service, std::uint32_t* state) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool DeleteService(ScHandle service) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool CloseServiceHandle(ScHandle handle) PLATFORM_ABSTRACT;

    // The program-manager DDE conversation. DdeInitialize returns a DMLERR code.
    PLATFORM_METHOD unsigned DdeInitialize(std::uint32_t* instance) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool DdeUninitialize(std::uint32_t instance) PLATFORM_ABSTRACT;
    // DdeConnect with service and topic both named `service` (CP_WINANSI).
    PLATFORM_METHOD DdeConversation DdeConnect(std::uint32_t instance, const char* service) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool DdeDisconnect(DdeConversation conversation) PLATFORM_ABSTRACT;
    // DdeClientTransaction, XTYP_EXECUTE, CF_TEXT; data includes the NUL.
    PLATFORM_METHOD bool DdeExecute(DdeConversation conversation, const void* data, std::uint32_t size,
                            std::uint32_t timeoutMs) PLATFORM_ABSTRACT;
    PLATFORM_METHOD unsigned DdeGetLastError(std::uint32_t instance) PLATFORM_ABSTRACT;
    // DdeClientTransaction, XTYP_REQUEST of the item "Groups", CF_TEXT: the
    // shell's group names, one a line, into buffer, NUL-terminated; returns
    // the length, 0 when the shell gives none.
    PLATFORM_METHOD std::uint32_t DdeRequestGroups(std::uint32_t instance, DdeConversation conversation,
                                                   char* buffer, std::uint32_t size) PLATFORM_ABSTRACT;

    // User interface.
    PLATFORM_METHOD int MessageBox(Window owner, const char* text, const char* caption,
                           unsigned type) PLATFORM_ABSTRACT;
    // DialogBoxParamA of template `id`; returns the EndDialog result or -1.
    PLATFORM_METHOD std::intptr_t DialogBox(int id, Window owner, DialogProc proc, void* context) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool EndDialog(Window dialog, std::intptr_t result) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool PostMessage(Window window, unsigned message, std::uintptr_t wParam,
                             std::intptr_t lParam) PLATFORM_ABSTRACT;
    // SendMessageA of WM_COMMAND(IDCANCEL, BN_CLICKED) from the dialog's Cancel button.
    PLATFORM_METHOD void SendCancelCommand(Window dialog) PLATFORM_ABSTRACT;
    PLATFORM_METHOD std::intptr_t SetItemText(Window dialog, int item, const char* text) PLATFORM_ABSTRACT;
    // WM_GETTEXT with a buffer of `size` characters; returns the length or -1.
    PLATFORM_METHOD std::intptr_t GetItemText(Window dialog, int item, char* buffer, int size) PLATFORM_ABSTRACT;
    PLATFORM_METHOD void LimitItemText(Window dialog, int item, int count) PLATFORM_ABSTRACT;
    PLATFORM_METHOD void SelectItemText(Window dialog, int item, int from, int to) PLATFORM_ABSTRACT;
    PLATFORM_METHOD void FocusItem(Window dialog, int item) PLATFORM_ABSTRACT;
    PLATFORM_METHOD void MessageBeep(unsigned type) PLATFORM_ABSTRACT;
    PLATFORM_METHOD void SetWindowText(Window window, const char* text) PLATFORM_ABSTRACT;
    PLATFORM_METHOD void SetSmallIcon(Window window, int iconId) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool GetDesktopRect(Rect* rect) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool GetClientRect(Window window, Rect* rect) PLATFORM_ABSTRACT;
    // SetWindowPos with SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE.
    PLATFORM_METHOD void MoveWindow(Window window, int x, int y) PLATFORM_ABSTRACT;
    PLATFORM_METHOD void ShowWindow(Window window, int command) PLATFORM_ABSTRACT;
    // Screen rectangle of a dialog item, converted to the dialog's client
    // coordinates when `clientCoordinates` is set. False when the item does not exist.
    PLATFORM_METHOD bool GetItemRect(Window dialog, int item, bool clientCoordinates, Rect* rect) PLATFORM_ABSTRACT;
    PLATFORM_METHOD void SetWaitCursor() PLATFORM_ABSTRACT;
    PLATFORM_METHOD void PeekMessage() PLATFORM_ABSTRACT;
    PLATFORM_METHOD short GetAsyncKeyState(int key) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool GetCursorPos(Point* point) PLATFORM_ABSTRACT;
    // Painting of the progress bar: BeginPaint/EndPaint and GetDC/ReleaseDC.
    PLATFORM_METHOD DeviceContext BeginPaint(Window window) PLATFORM_ABSTRACT;
    PLATFORM_METHOD void EndPaint(Window window, DeviceContext dc) PLATFORM_ABSTRACT;
    PLATFORM_METHOD DeviceContext GetDC(Window window) PLATFORM_ABSTRACT;
    PLATFORM_METHOD void ReleaseDC(Window window, DeviceContext dc) PLATFORM_ABSTRACT;
    // Yellow from filled.left to filled.right, white from filled.right to
    // text.right, then `percent` centred in navy inside `text`.
    PLATFORM_METHOD void PaintProgress(DeviceContext dc, const Rect& filled, const Rect& text,
                               const char* percent) PLATFORM_ABSTRACT;

    // Processes, modules, libraries.
    PLATFORM_METHOD bool GetVersionEx(VersionInfo* info) PLATFORM_ABSTRACT;
    PLATFORM_METHOD unsigned GetModuleFileName(char* buffer, unsigned size) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool GetModuleHandle(const char* name) PLATFORM_ABSTRACT;
    PLATFORM_METHOD LibraryHandle LoadLibrary(const char* path) PLATFORM_ABSTRACT;
    PLATFORM_METHOD EntryPoint GetProcAddress(LibraryHandle library, const char* name) PLATFORM_ABSTRACT;
    // Calls an entry point that takes no arguments and returns a 32-bit status.
    PLATFORM_METHOD std::int32_t CallEntryPoint(EntryPoint entry) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool FreeLibrary(LibraryHandle library) PLATFORM_ABSTRACT;
    // CreateProcessA with no application name and the given command line,
    // STARTF_USESHOWWINDOW with `show`; 0 on failure.
    PLATFORM_METHOD ProcessHandle CreateProcess(const char* commandLine, int show,
                                        std::uint32_t creationFlags) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool GetExitCodeProcess(ProcessHandle process, std::uint32_t* code) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool CloseProcess(ProcessHandle process) PLATFORM_ABSTRACT;
    PLATFORM_METHOD void Sleep(std::uint32_t milliseconds) PLATFORM_ABSTRACT;

    // Version resources: GetFileVersionInfoSizeA, GetFileVersionInfoA and
    // VerQueryValueA of "\" giving dwFileVersionMS/LS.
    PLATFORM_METHOD std::uint32_t GetFileVersionInfoSize(const char* path) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool GetFileVersionInfo(const char* path, std::uint32_t size, void* data) PLATFORM_ABSTRACT;
    PLATFORM_METHOD bool QueryFileVersion(const void* data, std::uint32_t* versionMS,
                                  std::uint32_t* versionLS) PLATFORM_ABSTRACT;

    // SZDD expansion: LZOpenFileA (read or OF_CREATE), LZCopy, LZClose.
    // Negative results are errors.
    PLATFORM_METHOD int LZOpenFile(const char* path, int mode) PLATFORM_ABSTRACT;
    PLATFORM_METHOD long LZCopy(int source, int target) PLATFORM_ABSTRACT;
    PLATFORM_METHOD void LZClose(int handle) PLATFORM_ABSTRACT;

    // Completion.
    PLATFORM_METHOD void ShellExecute(const char* file, const char* parameters, const char* directory,
                              int show) PLATFORM_ABSTRACT;
    PLATFORM_METHOD void WinHelp(const char* path, unsigned command, std::uint32_t data) PLATFORM_ABSTRACT;
    PLATFORM_METHOD void ExitWindowsEx(unsigned flags) PLATFORM_ABSTRACT;

    // Text of the active code page: IsDBCSLeadByte, and lstrcmpiA (negative,
    // 0 or positive; 0 when the two are equal apart from letter case).
    PLATFORM_METHOD bool IsDBCSLeadByte(unsigned char byte) PLATFORM_ABSTRACT;
    PLATFORM_METHOD int CompareTextNoCase(const char* a, const char* b) PLATFORM_ABSTRACT;
};

}  // namespace os
