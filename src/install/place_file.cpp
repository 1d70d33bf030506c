// PlaceFile: installs one file record.
#include "install/install.h"

bool PlaceFile(Run&, os::Window, std::size_t, std::uint32_t&) { return false; }
