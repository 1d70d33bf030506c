// The system checks: version and platform, files in use, destination.
#include "run/checks.h"

void DetectWindowsVersion(Run&) {}
bool RefuseUnsupportedPlatform(Run&) { return true; }
bool CheckWindowsVersion(Run&) { return true; }
bool CheckFilesInUse(Run&) { return true; }
bool CheckDestination(Run&) { return true; }
