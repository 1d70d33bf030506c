// The main dialog (resource 128) and the progress dialog (resource 129).
// Their logic is here; the window mechanics are the platform's.
#pragma once

#include <cstdint>

#include "run/run.h"
#include "text/messages.h"

// Opens the main dialog modally: 1 accepted, 0 cancelled, -1 not opened.
std::intptr_t MainDialog(Run& run);
std::intptr_t MainDialogProc(void* context, os::Window dialog, unsigned message,
                             std::uintptr_t wParam, std::intptr_t lParam);
bool ValidateDestination(Run& run, os::Window dialog);
// Writes the typed destination one way (one backslash between parts, no "."
// part, no trailing backslash) and sets DirectoryPart and DestinationRoot.
// Empty when it may hold the installation, else the message that refuses it.
MessageId DestinationFault(Run& run);
void ReportFieldError(Run& run, os::Window dialog, int item, const char* text);

// The work the progress dialog runs (its RunWorkMessage handler): 1 when it
// succeeded, else 0. Window 0 in a silent run.
using ProgressWork = std::intptr_t (*)(Run& run, os::Window dialog);
// Opens the progress dialog modally and runs `work` in it (RunWork does the
// installation or the uninstallation). 1 success, 0 failure or cancel, -1 not
// opened.
std::intptr_t ProgressDialog(Run& run, ProgressWork work);
std::intptr_t ProgressDialogProc(void* context, os::Window dialog, unsigned message,
                                 std::uintptr_t wParam, std::intptr_t lParam);
