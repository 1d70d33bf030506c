// The names the script and the inspector give to record fields, flags,
// attributes, registry roots and value types. One table each, shared by the
// builder (which reads them) and the inspector (which prints them).
#pragma once

#include <cstddef>
#include <cstdint>

#include "package/records.h"

namespace names {

template <class Record>
struct Flag {
    const char* name;
    std::uint32_t Record::*field;
};

// Flags of a [Files] line. "Compressed" is also set by the default of
// Compress=; "Uncompressed" (handled by the builder) clears it for one line.
inline constexpr Flag<FileRecord> FileFlags[] = {
    {"Compressed", &FileRecord::Compressed},
    {"CompareVersion", &FileRecord::CompareVersion},
    {"KeepAtUninstall", &FileRecord::KeepAtUninstall},
    {"Shared", &FileRecord::Shared},
    {"SkipAtInstall", &FileRecord::SkipAtInstall},
    {"Vital", &FileRecord::Vital},
    {"SelfRegister", &FileRecord::SelfRegister},
    {"RegisterByRun", &FileRecord::RegisterByRun},
    {"CheckInUse", &FileRecord::CheckInUse},
    {"NeedsRestart", &FileRecord::NeedsRestart},
    {"AppPath", &FileRecord::AppPath},
    {"RunService95", &FileRecord::RunService95},
    {"StartService", &FileRecord::StartService},
    {"NotOnWindows95", &FileRecord::NotOnWindows95},
    {"NotOnWindowsNT", &FileRecord::NotOnWindowsNT},
};

inline constexpr Flag<DirRecord> DirFlags[] = {
    {"KeepAtUninstall", &DirRecord::KeepAtUninstall},
    {"SkipAtInstall", &DirRecord::SkipAtInstall},
    {"NotOnWindows95", &DirRecord::NotOnWindows95},
    {"NotOnWindowsNT", &DirRecord::NotOnWindowsNT},
};

inline constexpr Flag<GroupRecord> GroupFlags[] = {
    {"SkipAtInstall", &GroupRecord::SkipAtInstall},
    {"NotOnWindows95", &GroupRecord::NotOnWindows95},
    {"NotOnWindowsNT", &GroupRecord::NotOnWindowsNT},
};

inline constexpr Flag<ItemRecord> ItemFlags[] = {
    {"SkipAtInstall", &ItemRecord::SkipAtInstall},
    {"NotOnWindows95", &ItemRecord::NotOnWindows95},
    {"NotOnWindowsNT", &ItemRecord::NotOnWindowsNT},
};

inline constexpr Flag<RegKeyRecord> RegKeyFlags[] = {
    {"KeepAtUninstall", &RegKeyRecord::KeepAtUninstall},
    {"SkipAtInstall", &RegKeyRecord::SkipAtInstall},
    {"NotOnWindows95", &RegKeyRecord::NotOnWindows95},
    {"NotOnWindowsNT", &RegKeyRecord::NotOnWindowsNT},
};

inline constexpr Flag<RegValueRecord> RegValueFlags[] = {
    {"KeepAtUninstall", &RegValueRecord::KeepAtUninstall},
    {"SkipAtInstall", &RegValueRecord::SkipAtInstall},
    {"NotOnWindows95", &RegValueRecord::NotOnWindows95},
    {"NotOnWindowsNT", &RegValueRecord::NotOnWindowsNT},
};

struct Number {
    const char* name;
    std::uint32_t value;
};

inline constexpr Number Attributes[] = {
    {"ReadOnly", 0x01}, {"Hidden", 0x02}, {"System", 0x04},
    {"Directory", 0x10}, {"Archive", 0x20}, {"Normal", 0x80},
};

// Registry roots by their full names; the index is the low three bits.
inline constexpr const char* RootNames[] = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};
inline constexpr const char* RootShortNames[] = {
    "HKCR", "HKCU", "HKLM", "HKU", "HKPD", "HKCC", "HKDD",
};
constexpr std::uint32_t FirstRoot = 0x80000000u;
constexpr std::uint32_t RootCount = 7;

inline constexpr Number ValueTypes[] = {
    {"string", 1}, {"expand", 2}, {"binary", 3}, {"dword", 4},
};

inline constexpr Number OverwriteModes[] = {
    {"always", 0}, {"never", 2}, {"older", 4},
};

// The header's texts: the script's key, the record's field, where it lies.
struct HeaderText {
    const char* key;
    const char* field;
    std::size_t offset;
    std::size_t size;
    bool lineBreaks;  // %n in the script stands for a line break
};

#define NAMES_HEADER_TEXT(key, field, breaks) \
    {key, #field, offsetof(InstallHeader, field), sizeof(InstallHeader::field), breaks}
inline constexpr HeaderText HeaderTexts[] = {
    NAMES_HEADER_TEXT("Title", InstallTitle, false),
    NAMES_HEADER_TEXT("UninstallTitle", UninstallTitle, false),
    NAMES_HEADER_TEXT("MainText", MainDialogText, true),
    NAMES_HEADER_TEXT("HelpText", HelpText, true),
    NAMES_HEADER_TEXT("HelpTextNT", HelpTextNT, true),
    NAMES_HEADER_TEXT("FinishedText", FinishedText, true),
    NAMES_HEADER_TEXT("UninstallQuestion", UninstallQuestion, true),
    NAMES_HEADER_TEXT("RestartText", RestartText, true),
    NAMES_HEADER_TEXT("UninstallDisplayName", UninstallDisplayName, false),
    NAMES_HEADER_TEXT("DefaultDir", DefaultSubdir, false),
    NAMES_HEADER_TEXT("UninstallItemName", UninstallItemName, false),
    NAMES_HEADER_TEXT("Uninstaller", UninstallerName, false),
    NAMES_HEADER_TEXT("RunAfterInstall", RunAfterInstall, false),
    NAMES_HEADER_TEXT("RunParameters", RunParameters, false),
};
#undef NAMES_HEADER_TEXT

struct HeaderSwitch {
    const char* key;
    std::uint32_t InstallHeader::*field;
};
inline constexpr HeaderSwitch HeaderSwitches[] = {
    {"CreateUninstaller", &InstallHeader::CreateUninstaller},
    {"UninstallItemAlways", &InstallHeader::UninstallItemAlways},
    {"CreateLog", &InstallHeader::CreateLog},
    {"DeleteLogOnSuccess", &InstallHeader::DeleteLogOnSuccess},
};

// Refuse= words.
inline constexpr HeaderSwitch RefuseWords[] = {
    {"win32s", &InstallHeader::RefuseWin32s},
    {"win95", &InstallHeader::RefuseWindows95},
    {"nt", &InstallHeader::RefuseWindowsNT},
};

}  // namespace names
