// The packages the fuzzers start from: small ones that between them hold
// every kind of record and most header switches.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "support/package_builder.h"

namespace fuzz {

// Named packages, each small enough to install in a few milliseconds.
std::vector<std::pair<std::string, Package>> SeedPackages();

}  // namespace fuzz
