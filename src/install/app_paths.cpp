// RegisterAppPath and RegisterRunService95.
#include "install/install.h"

void RegisterAppPath(Run&, const char*, const char*) {}
void RegisterRunService95(Run&, const char*, const char*) {}
