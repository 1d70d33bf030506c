// RunAndWait: runs a program hidden and waits for its exit code.
#include <cstring>

#include "install/install.h"
#include "text/format.h"

namespace {
constexpr std::uint32_t NormalPriorityClass = 0x20;
constexpr std::uint32_t ExitPollInterval = 100;
}  // namespace

// The wait has no time limit. A registration program has no known upper
// duration, the message table has no words for a time-out, and giving up
// would leave the program registering on its own while the installation
// goes on as if it had failed. A program that never ends can still be ended
// from outside, which ends this wait with its exit code.
std::int32_t RunAndWait(Run& run, const char* program, const char* arguments) {
    // The program path is quoted: unquoted, a path with blanks would start
    // the part before the first blank as a program of its own.
    char commandLine[PathSize + 3 + 256];
    const std::size_t need = std::strlen(program) + std::strlen(arguments) + 4;
    if (need > sizeof commandLine) return -1;
    FormatText(commandLine, sizeof commandLine, "\"%s\" %s", program, arguments);

    const os::ProcessHandle process =
        run.os.CreateProcess(commandLine, os::SW_HIDE, NormalPriorityClass);
    if (process == 0) return -1;
    for (;;) {
        run.os.Sleep(ExitPollInterval);
        std::uint32_t code = 0;
        if (!run.os.GetExitCodeProcess(process, &code)) {
            run.os.CloseProcess(process);
            return -1;
        }
        if (code != os::STILL_ACTIVE) {
            run.os.CloseProcess(process);
            return static_cast<std::int32_t>(code);
        }
    }
}
