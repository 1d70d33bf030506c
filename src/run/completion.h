// What follows a successful work run, and the uninstaller's self-removal.
#pragma once

#include "run/run.h"

void CompleteInstall(Run& run);
void CompleteUninstall(Run& run);
void StartSelfRemoval(Run& run);
void AskRestart(Run& run);
