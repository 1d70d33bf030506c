// <windows.h> for the backend's sources: included after platform.h, with the
// Win32 macros that would rename the Platform methods taken away again.
#pragma once

#include "platform/win32/win32_platform.h"

#include <windows.h>
#include <lzexpand.h>
#include <shellapi.h>
#include <winver.h>
#include <ddeml.h>

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
