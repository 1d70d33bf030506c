// Checks every scenario makes of what the user sees, as failures of the
// test that ran it.
#include <gtest/gtest.h>

#include "support/scenario.h"

namespace {

void FailBoxBehindOtherWindows(const std::string& text) {
    ADD_FAILURE() << "a box that may open behind other windows: " << text;
}

const bool installed = (scenario::BoxBehindOtherWindows = FailBoxBehindOtherWindows, true);

}  // namespace
