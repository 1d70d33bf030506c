// What a name in the installation information may look like. The program
// refuses a package that breaks these rules before it writes anything, and
// the builder refuses the script line that would make one; both read the
// rules from here. Plain functions over NUL-ended texts: no platform calls.
#pragma once

// A name joined below a base directory (a file or directory record, the
// program run after the installation). It must stay below the base: no
// drive, no leading separator, no ".." part and no part made only of dots
// and blanks, which Windows may read as the parent. It must name something
// below the base, not the base itself ("", ".", ".\."). No part may be a
// DOS device name (CON, NUL, COM1, LPT1.TXT...), which opens the device
// instead of a file.
bool IsNameBelowBase(const char* name);

// The uninstall entry's name becomes one key below the list of programs: a
// backslash would make it another key, and blanks alone name no program.
bool IsEntryName(const char* name);
