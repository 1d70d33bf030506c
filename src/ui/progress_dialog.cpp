// The progress dialog: the work run, the Cancel command and the cancel poll.
#include "ui/dialogs.h"

std::intptr_t ProgressDialog(Run& run) {
    return run.os.DialogBox(os::ProgressDialogId, 0, ProgressDialogProc, &run);
}

std::intptr_t ProgressDialogProc(void*, os::Window, unsigned, std::uintptr_t, std::intptr_t) {
    return 0;
}

void RunWork(Run&, os::Window) {}

void CancelCommand(Run&, os::Window) {}

bool PollCancel(Run& run) { return run.AbortRequested; }
