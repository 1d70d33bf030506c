// The program's entry point. The C runtime's start-up code is not linked
// (there are no static constructors to run and no runtime DLL to need), so
// this is where Windows starts the process. The platform is a local object
// with no state of its own.
#include "platform/win32/win32_windows.h"

#include "run/main_sequence.h"

extern "C" __attribute__((force_align_arg_pointer, used, externally_visible)) void WinMainCRTStartup() {
    os::Platform platform;
    ::ExitProcess(static_cast<UINT>(RunProgram(platform, CommandLineTail(::GetCommandLineA()))));
}
