// The three message boxes every part of the program uses, and the dialog
// preparation both dialogs share.
#pragma once

#include "run/run.h"

// Logs the text (install mode, log open), then shows a stop box with OK.
void ShowError(Run& run, os::Window owner, const char* text);
void ShowMessage(Run& run, os::Window owner, const char* text);
// True only when the user chose Yes.
bool AskYesNo(Run& run, os::Window owner, const char* text);
// Composes "<ActiveTitle> - <word>" or the word alone into a 128-byte buffer.
void ComposeCaption(const Run& run, const char* word, char* caption);
void PrepareDialogWindow(Run& run, os::Window dialog);
