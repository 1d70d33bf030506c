// The program's entry point. The C runtime's start-up code is not linked
// (there are no static constructors to run and no runtime DLL to need), so
// this is where the process starts, once the start-up code has expanded the
// program (start_packed.cpp). The platform is a local object with no state
// of its own.
//
// The program is built without stack probes, which makes every call that
// passes arguments shorter. Windows commits a thread's stack one page at a
// time, as the page below the committed part (the guard page) is touched, so
// a function whose frame passes the next page needs a probe. Instead, the
// entry point touches the first StackCommitted bytes page by page before
// anything else runs. The program's calls stay well inside that depth, and
// the build refuses any function whose frame passes 16 KB (see the link
// options), so no frame can step over the guard page.
#include "platform/win32/win32_windows.h"

#include "run/main_sequence.h"

namespace {

constexpr unsigned PageSize = 4096;
constexpr unsigned StackCommitted = 256 * 1024;

// Touches each page below `top`, nearest first, so that every touch lands
// on the guard page and Windows commits the page.
__attribute__((noinline)) void CommitStack(volatile char* top) {
    for (unsigned offset = PageSize; offset <= StackCommitted; offset += PageSize) {
        top[-static_cast<int>(offset)] = 0;
    }
}

}  // namespace

extern "C" __attribute__((force_align_arg_pointer, used, externally_visible)) void WinMainCRTStartup() {
    char here;
    CommitStack(&here);
    os::Platform platform;
    ::ExitProcess(static_cast<UINT>(RunProgram(platform, CommandLineTail(::GetCommandLineA()))));
}
