// For the benchmarks only: a simulated machine that finds names in its
// sandbox through a cache kept current by change notifications, instead of
// reading the directory at every lookup (which makes writing n files into
// one directory take time growing with n squared). The tests' machine reads
// the directory; only the benchmarks link simwin_name_cache.
#pragma once

#include "platform/sim/machine.h"

namespace sim {

void UseNameCache(Machine& machine);

}  // namespace sim
