// The installation record: what the installation found and what it did,
// kept in the uninstaller right after the installation information (the
// reader never reads past it). The uninstallation reads it to leave what was
// there before the first installation of the product.
//
// On disk: the entries, then the 4-byte length of everything between the end
// of the information and this length, then RecordTag. An entry is a kind
// byte and a NUL-terminated text (a path, "root\subkey", a group name); NUL
// bytes between entries are padding. Entries are written before the work
// they describe, so a killed run leaves a record at least as complete as its
// work; the first entry for an object is the one that counts, so a later
// installation of the same product carries the first one's findings forward.
#pragma once

#include <cstdint>

#include "run/run.h"

enum RecordKind : char {
    FoundPath = 'F',     // file or directory there before the first installation
    NewPath = 'f',       // not there: the installation's own
    ReplacedPath = 'R',  // there before, and replaced by the installation
    FoundKey = 'K',
    NewKey = 'k',
    FoundGroup = 'G',
    NewGroup = 'g',
    CountedShared = 'S', // the product's reference to a shared file is counted
};

inline constexpr char RecordTag[8] = {'i', 'N', 'S', 't', 'R', 'e', 'C', '1'};
constexpr long RecordFooterSize = 12;

// True when the record holds an entry of `kind` for `text` (any letter case).
bool RecordHas(const Run& run, char kind, const char* text);
// Notes whether an object was there before, unless the record knows already;
// returns what the record says: true when it was there before the first
// installation. `found` is the kind for "there"; its lower case is "not".
bool RecordFinding(Run& run, char found, const char* text, bool existsNow);
// Adds an entry in memory; RecordWrite puts it on disk.
void RecordAdd(Run& run, char kind, const char* text);
// Writes the entries added since the last write, with the footer, to the
// open uninstaller (nothing to do while none is written). A write that fails,
// or an entry that found no memory, is "Couldn't write data to '%s'.".
bool RecordWrite(Run& run, os::Window owner);
// Notes a directory the uninstallation sweeps: when it was there before and
// the record does not know it yet, every file in it too, except `spare`
// and the log.
void RecordDirectory(Run& run, const char* directory, const char* spare);
void RecordFooter(char* at, std::uint32_t length);
// A file or directory there before that the uninstallation must leave.
bool RecordKeepsPath(const Run& run, const char* path);
// "root\subkey" of a key record, the text of its entries (out: LogLineSize).
void RecordKeyText(char* out, std::uint32_t root, const char* subKey);

// Reads the record that ends at `end` in `file` and holds `end - start`
// bytes with its footer, into run.Record (start -1: wherever its length
// says). Without a tag it reads nothing and returns `absentIsFine`; a tag
// whose length does not reach exactly back to `start` is another file's
// data: false.
bool ReadRecord(Run& run, os::FileHandle file, long start, long end, bool absentIsFine);
void ReleaseRecord(Run& run);
