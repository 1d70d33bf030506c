// <windows.h> for the backend's sources: included after platform.h, with the
// Win32 macros that would rename the Platform methods taken away again.
//
// The backend defines os::Platform's member functions itself, each passed
// straight to the ANSI Win32 call it stands for, with no logic of its own.
// The product has only this backend, so the interface is bound directly
// (PLATFORM_DIRECT): no subclass and no virtual calls.
#pragma once

#include "platform/platform.h"

#ifndef PLATFORM_DIRECT
#error "The Win32 backend is built with PLATFORM_DIRECT"
#endif

#include <windows.h>
#include <lzexpand.h>
#include <shellapi.h>
#include <winver.h>
#include <ddeml.h>

// These headers declare their functions without the import attribute, so a
// call would go through a jump stub the linker adds (8 bytes each); declared
// imported, a call reads the import address table directly.
extern "C" {
__declspec(dllimport) LONG WINAPI LZCopy(INT, INT);
__declspec(dllimport) INT WINAPI LZOpenFileA(LPSTR, LPOFSTRUCT, WORD);
__declspec(dllimport) VOID WINAPI LZClose(INT);
__declspec(dllimport) UINT WINAPI DdeInitializeA(LPDWORD, PFNCALLBACK, DWORD, DWORD);
__declspec(dllimport) WINBOOL WINAPI DdeUninitialize(DWORD);
__declspec(dllimport) HCONV WINAPI DdeConnect(DWORD, HSZ, HSZ, PCONVCONTEXT);
__declspec(dllimport) WINBOOL WINAPI DdeDisconnect(HCONV);
__declspec(dllimport) HDDEDATA WINAPI DdeClientTransaction(LPBYTE, DWORD, HCONV, HSZ, UINT, UINT, DWORD,
                                                          LPDWORD);
__declspec(dllimport) UINT WINAPI DdeGetLastError(DWORD);
__declspec(dllimport) HSZ WINAPI DdeCreateStringHandleA(DWORD, LPCSTR, int);
__declspec(dllimport) WINBOOL WINAPI DdeFreeStringHandle(DWORD, HSZ);
__declspec(dllimport) DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR, LPDWORD);
__declspec(dllimport) WINBOOL WINAPI GetFileVersionInfoA(LPCSTR, DWORD, DWORD, LPVOID);
__declspec(dllimport) WINBOOL WINAPI VerQueryValueA(LPCVOID, LPCSTR, LPVOID*, PUINT);
}

#undef CreateFile
#undef DeleteFile
#undef CreateDirectory
#undef RemoveDirectory
#undef FindFirstFile
#undef FindNextFile
#undef MoveFileEx
#undef SetCurrentDirectory
#undef GetDiskFreeSpace
#undef GetDriveType
#undef GetWindowsDirectory
#undef GetSystemDirectory
#undef GetTempPath
#undef GetTempFileName
#undef GetShortPathName
#undef WritePrivateProfileString
#undef RegOpenKeyEx
#undef RegCreateKeyEx
#undef RegQueryValueEx
#undef RegSetValueEx
#undef RegDeleteValue
#undef RegDeleteKey
#undef OpenSCManager
#undef CreateService
#undef OpenService
#undef StartService
#undef DdeInitialize
#undef MessageBox
#undef DialogBox
#undef PostMessage
#undef SetWindowText
#undef PeekMessage
#undef GetVersionEx
#undef GetModuleFileName
#undef GetModuleHandle
#undef LoadLibrary
#undef CreateProcess
#undef GetFileVersionInfoSize
#undef GetFileVersionInfo
#undef LZOpenFile
#undef ShellExecute
#undef WinHelp
#undef GetFileAttributes
#undef SetFileAttributes
#undef GetUserName
