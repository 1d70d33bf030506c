// The user's way to stop the work: the Cancel command of the progress dialog
// and the poll the engines call between steps.
#pragma once

#include "run/run.h"

// The Cancel command: asks, and on Yes sets AbortRequested and ends the dialog.
void CancelCommand(Run& run, os::Window dialog);
// Turns a held mouse button on Cancel or a held Escape into the Cancel command.
bool PollCancel(Run& run);
