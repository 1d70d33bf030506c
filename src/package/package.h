// Finding, reading and checking the installation information of a package,
// and resolving its records to paths.
#pragma once

#include <cstddef>
#include <cstdint>

#include "run/run.h"

// Error numbers of "Error %i in installation info.". 1, 2, 4, 5, 6, 8 and 9
// are the record-size checks; the others refuse data that would otherwise be
// read out of bounds.
enum InfoError : int {
    BadHeaderSize = 1,
    BadFileRecord = 2,
    BadDirRecord = 4,
    BadGroupRecord = 5,
    BadItemRecord = 6,
    BadRegKeyRecord = 8,
    BadRegValueRecord = 9,
    UnterminatedText = 10,  // a text field without a NUL inside its array
    BadReference = 11,      // a record number outside its table, or a bad root
    PathTooLong = 12,       // a resolved path that does not fit 259 characters
    BadCount = 13,          // a table too large to be held or read
    BadDataSize = 14,       // a registry value's DataSize beyond its 128 bytes
    UnsafeName = 15,        // a name outside or naming its base, a device, a bad entry name
};

// Shows "Error %i in installation info." with the number.
void ShowInfoError(Run& run, int number);

bool OpenPackage(Run& run, const char* path);
bool FindInfoMarker(Run& run);
// The marker is looked for in blocks of this size, read one after another;
// it is found only with all its eight bytes inside one block.
constexpr long InfoScanBlock = 8192;
// The first position in a block of `count` bytes where the marker starts
// with all eight bytes inside it, or -1.
long FindMarkerInBlock(const unsigned char* block, long count);
bool ReadInstallInfo(Run& run);
// plain byte i = stored byte i - (i mod 256)
void Unscramble(unsigned char* buffer, long length);
// Install mode: refuses a package shorter than its information plus the
// stored data of every file ("Couldn't read installation info."), then one
// whose checksum does not match (CheckPackageSum).
bool CheckPackageLength(Run& run);
// Refuses a package whose checksum trailer, found at `end` (where the file
// data end), does not match its bytes ("The installation package is
// damaged..."). A package without a trailer passes. Either way the file is
// left at the file data.
bool CheckPackageSum(Run& run, long end);
// Refuses record numbers outside their tables and unterminated texts.
bool CheckReferences(Run& run);
// Once the destination is known: refuses any record path over 259 characters.
bool CheckPaths(Run& run);

// Path resolution into a 260-byte buffer. Returns the length written, or 0
// (and an empty text) when the path would not fit.
std::size_t DirPath(const Run& run, std::size_t index, char* out);
std::size_t FilePath(const Run& run, std::size_t index, char* out);
void TrimTrailingBackslash(os::Platform& os, char* text);
// The PE checksum of a whole file in memory, written into its header: the
// 16-bit words summed with the carries folded back in, the checksum field
// counting as zero, plus the length.
void SetPeChecksum(unsigned char* image, long size);
// Any output may be null. drive: 3 bytes; directory, base, extension: 256.
// A two-byte character of the active code page is never a separator.
void SplitPath(os::Platform& os, const char* path, char* drive, char* directory, char* base,
               char* extension);

// Record applicability.
template <typename Record>
bool ExcludedOnPlatform(const Run& run, const Record& r) {
    return (r.NotOnWindows95 && run.IsWindows95) || (r.NotOnWindowsNT && run.IsWindowsNT);
}
template <typename Record>
bool AppliesAtInstall(const Run& run, const Record& r) {
    return !r.SkipAtInstall && !ExcludedOnPlatform(run, r);
}
template <typename Record>
bool LeftAtUninstall(const Run& run, const Record& r) {
    return r.KeepAtUninstall || ExcludedOnPlatform(run, r);
}
