// The program-manager DDE client: the program-wide instance and the
// execution of one command with its retry rule.
#include <cstring>

#include "shell/shell.h"
#include "log/log.h"
#include "text/boxes.h"
#include "text/messages.h"

namespace {

constexpr std::uint32_t ExecuteTimeoutMs = 10000;
constexpr int MaxRetries = 4;  // so at most 5 tries
constexpr std::uint32_t RetryPauseMs = 500;

}  // namespace

bool StartShellDde(Run& run) {
    if (run.os.DdeInitialize(&run.DdeInstance) != os::DMLERR_NO_ERROR) {
        run.DdeInstance = 0;
        ShowError(run, 0, MessageId::CouldntInitializeDde);
        return false;
    }
    return true;
}

void EndShellDde(Run& run) {
    if (run.DdeInstance != 0) run.os.DdeUninitialize(run.DdeInstance);
}

// Only a shell that is slow to acknowledge is asked again; every other
// error is final at the first try.
std::uint32_t ExecuteShellCommand(Run& run, const char* command) {
    const std::uint32_t size = static_cast<std::uint32_t>(std::strlen(command) + 1);
    for (int retries = 0;; ++retries) {
        if (run.os.DdeExecute(run.ShellConversation, command, size, ExecuteTimeoutMs)) {
            run.LastDdeError = 0;
            return 0;
        }
        run.LastDdeError = run.os.DdeGetLastError(run.DdeInstance);
        if (run.LastDdeError != os::DMLERR_EXECACKTIMEOUT || retries >= MaxRetries)
            return run.LastDdeError;
        run.os.Sleep(RetryPauseMs);
    }
}
