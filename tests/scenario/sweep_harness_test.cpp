// The sweep's own checks: a run that leaves something behind, or fails
// without saying so, is reported at its failure point.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sweep_harness.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// A stand-in for the program: opens the package and allocates one block;
// when the open fails it gives up with exit code 1 and no box.
scenario::RunResult LeakyRun(sim::Machine& m) {
    scenario::RunResult r;
    void* block = m.Alloc(16);
    const os::FileHandle file = m.LOpen("C:\\SETUP.EXE", os::OF_READ);
    if (file == os::InvalidFile) {
        r.exitCode = 1;
    } else {
        m.LClose(file);
        m.Free(block);
        r.exitCode = 0;
    }
    r.outstandingBlocks = m.OutstandingBlocks();
    r.openFiles = m.OpenFileHandles();
    return r;
}

sim::Machine WithPackage() {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\SETUP.EXE", "package");
    return m;
}

TEST(SweepHarness, ReportsALeakedBlockAndASilentFailureAtTheirFailurePoint) {
    sweep::Totals totals;
    const std::vector<std::string> problems = sweep::Sweep(WithPackage, LeakyRun, nullptr, totals);
    EXPECT_EQ(totals.runs, 3);  // Alloc#1, LOpen#1, LClose#1
    EXPECT_EQ(totals.failed, 1);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_THAT(problems[0], HasSubstr("LOpen#1: failed without an error box"));
    EXPECT_THAT(problems[0], HasSubstr("1 blocks not released"));
}

TEST(SweepHarness, ListsEveryCallIndexOfTheRunAndNoneBeforeIt) {
    const std::map<std::string, int> before = {{"HRead", 2}, {"Free", 1}};
    const std::map<std::string, int> after = {{"HRead", 4}, {"Free", 3}, {"LOpen", 1}};
    std::vector<std::string> names;
    for (const sweep::Point& p : sweep::FailurePoints(before, after)) names.push_back(p.Name());
    EXPECT_THAT(names, ElementsAre("HRead#3", "HRead#4", "LOpen#1"));
}

}  // namespace
