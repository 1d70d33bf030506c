// The message boxes every part of the program uses, and the dialog
// preparation both dialogs share. None is shown in a silent run. The error
// box that also logs its text is ShowError (log/log.h).
#pragma once

#include "run/run.h"

// A stop box with OK.
void ShowStopBox(Run& run, os::Window owner, const char* text);
void ShowMessage(Run& run, os::Window owner, const char* text);
// True only when the user chose Yes.
bool AskYesNo(Run& run, os::Window owner, const char* text);
// Composes "<ActiveTitle> - <word>" or the word alone into a 128-byte buffer.
void ComposeCaption(const Run& run, const char* word, char* caption);
void PrepareDialogWindow(Run& run, os::Window dialog);
