// The program's entry: the platform is a local object, the engine does the rest.
#include "platform/win32/win32_windows.h"

#include "run/main_sequence.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Win32Platform platform;
    return RunProgram(platform, CommandLineTail(::GetCommandLineA()));
}
