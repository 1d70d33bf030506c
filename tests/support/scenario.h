// Runs the whole program, entry to exit code, on a simulated machine and
// gathers what a person would see: the boxes in order, the installation log
// and the exit code.
//
//   sim::Machine m = sim::Machine::NT40();
//   m.TypeDestination("C:\\APP");
//   m.PressInstall();
//   scenario::RunResult r = scenario::RunPackage(m, package);
//   EXPECT_EQ(r.exitCode, 0);
//   EXPECT_THAT(r.logLines, Contains("The installation was successful!"));
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "support/package_builder.h"

namespace scenario {

using Bytes = std::vector<std::uint8_t>;

constexpr const char* DefaultPackagePath = "C:\\SETUP.EXE";

struct RunResult {
    int exitCode = -1;
    std::vector<sim::Box> boxes;         // every box shown during this run, in order
    std::string log;                     // InstLog.txt as this run left it ("" when none)
    std::vector<std::string> logLines;   // the log split at CR LF (no empty last piece)
    std::string logPath;                 // where the log was found ("" when none)
    std::size_t outstandingBlocks = 0;   // memory blocks not released after the run
    std::size_t openFiles = 0;           // file handles not closed after the run
    std::size_t openKeys = 0;            // registry keys not closed after the run

    // The texts and captions of the boxes, in order.
    std::vector<std::string> BoxTexts() const;
    std::vector<std::string> BoxCaptions() const;
    // "caption|text" for each box, the shortest way to assert both in order.
    std::vector<std::string> BoxSummary() const;
};

// Writes the package at `packagePath`, makes it the running program and runs
// the program with the command-line tail. The user's script (answers,
// destination, button presses) is set on the machine before.
RunResult RunPackage(sim::Machine& m, const Bytes& package, const std::string& tail = "",
                     const std::string& packagePath = DefaultPackagePath);

// Types `destination` into the main dialog, presses Install, and runs the
// package as RunPackage does.
RunResult Install(sim::Machine& m, const Bytes& package, const std::string& destination,
                  const std::string& packagePath = DefaultPackagePath);

// Runs the installed uninstaller `destination\uninstallerName` as the running
// program (no command line). The answer to the uninstall question is the
// machine's (Yes by default).
RunResult Uninstall(sim::Machine& m, const std::string& destination,
                    const std::string& uninstallerName = "UNINST.EXE");

// Runs whatever program the machine names as its own file, with a tail.
RunResult RunAsIs(sim::Machine& m, const std::string& tail = "");

// Called for every box a run shows without bringing it to the front; the
// test program makes it a failure of the running test.
extern void (*BoxBehindOtherWindows)(const std::string& text);

// The log's text split into lines at CR LF.
std::vector<std::string> SplitLines(const std::string& text);

// The package most scenarios start from: install title "App", uninstall
// title "App Uninstall", uninstaller UNINST.EXE, default subdirectory APP,
// a log, the finished text "App is installed." and the uninstall question
// "Remove App?". No records: each test adds its own.
PackageBuilder AppPackage();

// Joins a Windows directory and a name with one backslash.
std::string JoinPath(const std::string& directory, const std::string& name);

}  // namespace scenario
