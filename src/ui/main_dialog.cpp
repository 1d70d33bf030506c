// The main dialog: the destination directory and the Install, Cancel and
// Help buttons.
#include "ui/dialogs.h"

std::intptr_t MainDialog(Run& run) {
    return run.os.DialogBox(os::MainDialogId, 0, MainDialogProc, &run);
}

std::intptr_t MainDialogProc(void*, os::Window, unsigned, std::uintptr_t, std::intptr_t) {
    return 0;
}

bool ValidateDestination(Run&, os::Window) { return false; }

void ReportFieldError(Run&, os::Window, int, const char*) {}
