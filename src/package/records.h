// The records of the installation information, exactly as a package stores
// them (after unscrambling): little-endian, fixed size, no padding.
// The reader reads the tables straight into arrays of these structures; a
// text field is read with FieldLength or CopyText, which never run past its
// array, and CheckReferences refuses a text without a NUL inside it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

#pragma pack(push, 1)

struct InstallHeader {
    char Marker[8];
    std::uint32_t HeaderSize;
    std::uint32_t FileCount;
    std::uint32_t IniStringCount;
    std::uint32_t DirCount;
    std::uint32_t GroupCount;
    std::uint32_t ItemCount;
    std::uint32_t RegKeyCount;
    std::uint32_t RegValueCount;
    std::uint32_t IniOptions;
    char MainDialogText[256];
    char HelpText[512];
    char HelpTextNT[512];
    char FinishedText[256];
    char UninstallQuestion[256];
    char RestartText[256];
    char InstallTitle[64];
    char UninstallTitle[64];
    char UninstallDisplayName[64];
    char Reserved[32];
    char DefaultSubdir[260];
    char UninstallItemName[64];
    char UninstallerName[512];
    char RunAfterInstall[512];
    char RunParameters[64];
    std::uint32_t MinWindowsMajor;
    std::uint32_t MinWindowsMinor;
    std::int32_t HelpFileNumber;
    std::uint32_t HelpContext;
    std::uint32_t CreateUninstaller;
    std::uint32_t UninstallItemAlways;
    std::uint32_t CreateLog;
    std::uint32_t DeleteLogOnSuccess;
    std::uint32_t RefuseWin32s;
    std::uint32_t RefuseWindows95;
    std::uint32_t RefuseWindowsNT;
};

struct FileRecord {
    std::uint32_t RecordSize;
    char FileName[512];
    char ServiceName[32];
    char ServiceDisplayName[32];
    char ServiceDependencies[32];
    std::uint32_t ServiceState;
    std::uint32_t InstalledSize;
    std::uint32_t StoredSize;
    os::FileTime CreationTime;
    os::FileTime LastAccessTime;
    os::FileTime LastWriteTime;
    std::uint32_t FileVersionMS;
    std::uint32_t FileVersionLS;
    std::uint8_t Trailer[16];
    std::uint32_t Attributes;
    std::uint32_t DirNumber;
    std::uint32_t OverwriteMode;
    std::uint32_t Compressed;
    std::uint32_t CompareVersion;
    std::uint32_t InSystemDir;
    std::uint32_t InWindowsDir;
    std::uint32_t KeepAtUninstall;
    std::uint32_t Shared;
    std::uint32_t SkipAtInstall;
    std::uint32_t Vital;
    std::uint32_t SelfRegister;
    std::uint32_t RegisterByRun;
    std::uint32_t AppendTrailer;
    std::uint32_t CheckInUse;
    std::uint32_t NeedsRestart;
    std::uint32_t AppPath;
    std::uint32_t RunService95;
    std::uint32_t StartService;
    std::uint32_t NotOnWindows95;
    std::uint32_t NotOnWindowsNT;
};

struct DirRecord {
    std::uint32_t RecordSize;
    char Name[256];
    std::uint32_t Attributes;
    std::uint32_t InSystemDir;
    std::uint32_t InWindowsDir;
    std::uint32_t KeepAtUninstall;
    std::uint32_t SkipAtInstall;
    std::uint32_t NotOnWindows95;
    std::uint32_t NotOnWindowsNT;
};

struct GroupRecord {
    std::uint32_t RecordSize;
    char Name[36];
    std::uint32_t SkipAtInstall;
    std::uint32_t Reserved44;
    std::uint32_t NotOnWindows95;
    std::uint32_t NotOnWindowsNT;
};

struct ItemRecord {
    std::uint32_t RecordSize;
    char Name[64];
    char Arguments[64];
    std::uint32_t GroupNumber;
    std::uint32_t FileNumber;
    std::uint32_t IconNumber;
    std::uint8_t Reserved144[8];
    std::uint32_t SkipAtInstall;
    std::uint32_t NotOnWindows95;
    std::uint32_t NotOnWindowsNT;
};

struct RegKeyRecord {
    std::uint32_t RecordSize;
    char SubKey[260];
    std::uint32_t Root;
    std::uint32_t KeyHandle;
    std::uint32_t KeepAtUninstall;
    std::uint32_t SkipAtInstall;
    std::uint32_t NotOnWindows95;
    std::uint32_t NotOnWindowsNT;
};

struct RegValueRecord {
    std::uint32_t RecordSize;
    char ValueName[256];
    std::uint32_t KeyNumber;
    std::uint32_t ValueType;
    std::uint32_t DataSize;
    std::uint8_t Data[128];
    std::uint32_t KeepAtUninstall;
    std::uint32_t SkipAtInstall;
    std::uint32_t NotOnWindows95;
    std::uint32_t NotOnWindowsNT;
};

#pragma pack(pop)

static_assert(sizeof(InstallHeader) == 3772);
static_assert(offsetof(InstallHeader, HeaderSize) == 8);
static_assert(offsetof(InstallHeader, FileCount) == 12);
static_assert(offsetof(InstallHeader, IniStringCount) == 16);
static_assert(offsetof(InstallHeader, DirCount) == 20);
static_assert(offsetof(InstallHeader, GroupCount) == 24);
static_assert(offsetof(InstallHeader, ItemCount) == 28);
static_assert(offsetof(InstallHeader, RegKeyCount) == 32);
static_assert(offsetof(InstallHeader, RegValueCount) == 36);
static_assert(offsetof(InstallHeader, IniOptions) == 40);
static_assert(offsetof(InstallHeader, MainDialogText) == 44);
static_assert(offsetof(InstallHeader, HelpText) == 300);
static_assert(offsetof(InstallHeader, HelpTextNT) == 812);
static_assert(offsetof(InstallHeader, FinishedText) == 1324);
static_assert(offsetof(InstallHeader, UninstallQuestion) == 1580);
static_assert(offsetof(InstallHeader, RestartText) == 1836);
static_assert(offsetof(InstallHeader, InstallTitle) == 2092);
static_assert(offsetof(InstallHeader, UninstallTitle) == 2156);
static_assert(offsetof(InstallHeader, UninstallDisplayName) == 2220);
static_assert(offsetof(InstallHeader, Reserved) == 2284);
static_assert(offsetof(InstallHeader, DefaultSubdir) == 2316);
static_assert(offsetof(InstallHeader, UninstallItemName) == 2576);
static_assert(offsetof(InstallHeader, UninstallerName) == 2640);
static_assert(offsetof(InstallHeader, RunAfterInstall) == 3152);
static_assert(offsetof(InstallHeader, RunParameters) == 3664);
static_assert(offsetof(InstallHeader, MinWindowsMajor) == 3728);
static_assert(offsetof(InstallHeader, MinWindowsMinor) == 3732);
static_assert(offsetof(InstallHeader, HelpFileNumber) == 3736);
static_assert(offsetof(InstallHeader, HelpContext) == 3740);
static_assert(offsetof(InstallHeader, CreateUninstaller) == 3744);
static_assert(offsetof(InstallHeader, UninstallItemAlways) == 3748);
static_assert(offsetof(InstallHeader, CreateLog) == 3752);
static_assert(offsetof(InstallHeader, DeleteLogOnSuccess) == 3756);
static_assert(offsetof(InstallHeader, RefuseWin32s) == 3760);
static_assert(offsetof(InstallHeader, RefuseWindows95) == 3764);
static_assert(offsetof(InstallHeader, RefuseWindowsNT) == 3768);

static_assert(sizeof(FileRecord) == 756);
static_assert(offsetof(FileRecord, FileName) == 4);
static_assert(offsetof(FileRecord, ServiceName) == 516);
static_assert(offsetof(FileRecord, ServiceDisplayName) == 548);
static_assert(offsetof(FileRecord, ServiceDependencies) == 580);
static_assert(offsetof(FileRecord, ServiceState) == 612);
static_assert(offsetof(FileRecord, InstalledSize) == 616);
static_assert(offsetof(FileRecord, StoredSize) == 620);
static_assert(offsetof(FileRecord, CreationTime) == 624);
static_assert(offsetof(FileRecord, LastAccessTime) == 632);
static_assert(offsetof(FileRecord, LastWriteTime) == 640);
static_assert(offsetof(FileRecord, FileVersionMS) == 648);
static_assert(offsetof(FileRecord, FileVersionLS) == 652);
static_assert(offsetof(FileRecord, Trailer) == 656);
static_assert(offsetof(FileRecord, Attributes) == 672);
static_assert(offsetof(FileRecord, DirNumber) == 676);
static_assert(offsetof(FileRecord, OverwriteMode) == 680);
static_assert(offsetof(FileRecord, Compressed) == 684);
static_assert(offsetof(FileRecord, CompareVersion) == 688);
static_assert(offsetof(FileRecord, InSystemDir) == 692);
static_assert(offsetof(FileRecord, InWindowsDir) == 696);
static_assert(offsetof(FileRecord, KeepAtUninstall) == 700);
static_assert(offsetof(FileRecord, Shared) == 704);
static_assert(offsetof(FileRecord, SkipAtInstall) == 708);
static_assert(offsetof(FileRecord, Vital) == 712);
static_assert(offsetof(FileRecord, SelfRegister) == 716);
static_assert(offsetof(FileRecord, RegisterByRun) == 720);
static_assert(offsetof(FileRecord, AppendTrailer) == 724);
static_assert(offsetof(FileRecord, CheckInUse) == 728);
static_assert(offsetof(FileRecord, NeedsRestart) == 732);
static_assert(offsetof(FileRecord, AppPath) == 736);
static_assert(offsetof(FileRecord, RunService95) == 740);
static_assert(offsetof(FileRecord, StartService) == 744);
static_assert(offsetof(FileRecord, NotOnWindows95) == 748);
static_assert(offsetof(FileRecord, NotOnWindowsNT) == 752);

static_assert(sizeof(DirRecord) == 288);
static_assert(offsetof(DirRecord, Name) == 4);
static_assert(offsetof(DirRecord, Attributes) == 260);
static_assert(offsetof(DirRecord, InSystemDir) == 264);
static_assert(offsetof(DirRecord, InWindowsDir) == 268);
static_assert(offsetof(DirRecord, KeepAtUninstall) == 272);
static_assert(offsetof(DirRecord, SkipAtInstall) == 276);
static_assert(offsetof(DirRecord, NotOnWindows95) == 280);
static_assert(offsetof(DirRecord, NotOnWindowsNT) == 284);

static_assert(sizeof(GroupRecord) == 56);
static_assert(offsetof(GroupRecord, Name) == 4);
static_assert(offsetof(GroupRecord, SkipAtInstall) == 40);
static_assert(offsetof(GroupRecord, Reserved44) == 44);
static_assert(offsetof(GroupRecord, NotOnWindows95) == 48);
static_assert(offsetof(GroupRecord, NotOnWindowsNT) == 52);

static_assert(sizeof(ItemRecord) == 164);
static_assert(offsetof(ItemRecord, Name) == 4);
static_assert(offsetof(ItemRecord, Arguments) == 68);
static_assert(offsetof(ItemRecord, GroupNumber) == 132);
static_assert(offsetof(ItemRecord, FileNumber) == 136);
static_assert(offsetof(ItemRecord, IconNumber) == 140);
static_assert(offsetof(ItemRecord, Reserved144) == 144);
static_assert(offsetof(ItemRecord, SkipAtInstall) == 152);
static_assert(offsetof(ItemRecord, NotOnWindows95) == 156);
static_assert(offsetof(ItemRecord, NotOnWindowsNT) == 160);

static_assert(sizeof(RegKeyRecord) == 288);
static_assert(offsetof(RegKeyRecord, SubKey) == 4);
static_assert(offsetof(RegKeyRecord, Root) == 264);
static_assert(offsetof(RegKeyRecord, KeyHandle) == 268);
static_assert(offsetof(RegKeyRecord, KeepAtUninstall) == 272);
static_assert(offsetof(RegKeyRecord, SkipAtInstall) == 276);
static_assert(offsetof(RegKeyRecord, NotOnWindows95) == 280);
static_assert(offsetof(RegKeyRecord, NotOnWindowsNT) == 284);

static_assert(sizeof(RegValueRecord) == 416);
static_assert(offsetof(RegValueRecord, ValueName) == 4);
static_assert(offsetof(RegValueRecord, KeyNumber) == 260);
static_assert(offsetof(RegValueRecord, ValueType) == 264);
static_assert(offsetof(RegValueRecord, DataSize) == 268);
static_assert(offsetof(RegValueRecord, Data) == 272);
static_assert(offsetof(RegValueRecord, KeepAtUninstall) == 400);
static_assert(offsetof(RegValueRecord, SkipAtInstall) == 404);
static_assert(offsetof(RegValueRecord, NotOnWindows95) == 408);
static_assert(offsetof(RegValueRecord, NotOnWindowsNT) == 412);

// The marker "iNSt" as one little-endian word; the scan compares two
// consecutive words against it, so the stub never holds all eight bytes.
constexpr std::uint32_t MarkerWord = 0x74534E69u;

constexpr std::uint32_t HeaderRecordSize = 3772;
constexpr std::uint32_t FileRecordSize = 756;
constexpr std::uint32_t DirRecordSize = 288;
constexpr std::uint32_t GroupRecordSize = 56;
constexpr std::uint32_t ItemRecordSize = 164;
constexpr std::uint32_t RegKeyRecordSize = 288;
constexpr std::uint32_t RegValueRecordSize = 416;
