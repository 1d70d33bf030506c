// RegisterComponent: self-registration of a placed component.
#include "install/install.h"

bool RegisterComponent(Run&, os::Window, const char*, bool) { return false; }
