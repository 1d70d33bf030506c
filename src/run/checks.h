// The system checks before any work: version, platform, files in use,
// destination drive and system directory.
#pragma once

#include "run/run.h"

void DetectWindowsVersion(Run& run);
bool RefuseUnsupportedPlatform(Run& run);
bool CheckWindowsVersion(Run& run);
bool CheckFilesInUse(Run& run);
bool CheckDestination(Run& run);
