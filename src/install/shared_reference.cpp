// AddSharedReference: the SharedDLLs count of a shared file.
#include "install/install.h"

void AddSharedReference(Run&, const char*) {}
