// What follows a successful work run, and the uninstaller's self-removal.
#include "run/completion.h"

void CompleteInstall(Run&) {}
void CompleteUninstall(Run&) {}
void StartSelfRemoval(Run&) {}
void AskRestart(Run&) {}
