// The switches of an unattended run. A command-line tail that begins with
// /S, /D= or /LOG= (any letter case) is read as switches:
//
//   /S [/LOG=<log path>] [/D=<destination>]
//
// in this order, separated by blanks. /LOG= takes everything up to the first
// blank that is followed by /D=, or to the end of the line; /D= takes the rest
// of the line. Blanks inside a value belong to it, blanks after it do not; a
// value may be enclosed in double quotes, which are removed, and may hold no
// other quote. A value is never empty; a log path holds at most 259
// characters, a destination at most 254 (as many as the main dialog's field
// takes). /D= and /LOG= are only valid after /S. Any other tail is a
// package path.
#pragma once

#include "run/run.h"

enum class CommandLine { PackagePath, Switches, Invalid };

// Sets run.Silent, run.LogSwitch and run.DestinationSwitch from the switches
// it could read, also when the rest of the tail is refused.
CommandLine ReadCommandLine(Run& run, const char* tail);
