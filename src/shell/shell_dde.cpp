// The program-manager DDE client: the instance and one command.
#include "shell/shell.h"

bool StartShellDde(Run& run) {
    (void)run;
    return false;
}

void EndShellDde(Run& run) {
    (void)run;
}

std::uint32_t ExecuteShellCommand(Run& run, const char* command) {
    (void)run;
    (void)command;
    return os::DMLERR_SYS_ERROR;
}
