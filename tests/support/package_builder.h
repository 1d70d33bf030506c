// A compact builder of test packages. Records are added in table order;
// the modifiers that follow a record apply to that record:
//
//   Package p = PackageBuilder()
//       .Title("App").Uninstaller("UNINST.EXE").DefaultSubdir("APP")
//       .Dir("SUB")
//       .File("TOOL.DLL", TextBytes("tool")).Compressed().Shared().InDir("SUB")
//       .RegKey(os::HKEY_LOCAL_MACHINE, "Software\\App").Value("Name", os::REG_SZ, "x")
//       .Group("App").Item("Tool", "TOOL.DLL");
//   Bytes b = p.Build();
//
// Everything stays reachable for damage on purpose: Contents() gives the raw
// PackageContents (records, stored data, the keep* switches), the Last*()
// accessors the record just added, MarkerAt() pads the stub so the marker
// lands at a chosen file offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pkgwrite/package_writer.h"
#include "platform/platform.h"

using Bytes = std::vector<std::uint8_t>;

// The bytes of a text, without a NUL.
Bytes TextBytes(const std::string& text);
// `size` bytes of a repeatable pattern that compresses somewhat.
Bytes PatternBytes(std::size_t size, std::uint32_t seed = 1);
// The default stub: a small fixed byte string that holds no marker.
Bytes DefaultStub();

class Package {
public:
    Package();
    explicit Package(const pkg::PackageContents& contents);

    Bytes Build() const;
    pkg::PackageContents& Contents() { return contents_; }
    const pkg::PackageContents& Contents() const { return contents_; }
    InstallHeader& Header() { return contents_.header; }

    // Where the installation information starts, how long it is (the header
    // and the tables as the counts say), and where the stored data of file
    // record `index` (0-based) begin, in the built package.
    std::uint32_t InfoOffset() const;
    std::uint32_t InfoSize() const;
    std::uint32_t DataOffset(std::size_t index = 0) const;

private:
    pkg::PackageContents contents_;
};

class PackageBuilder {
public:
    PackageBuilder();

    // ---- Header ------------------------------------------------------------
    PackageBuilder& Title(const std::string& installTitle);
    PackageBuilder& UninstallTitle(const std::string& title);
    // Sets UninstallerName and CreateUninstaller.
    PackageBuilder& Uninstaller(const std::string& name);
    PackageBuilder& UninstallerName(const std::string& name);  // CreateUninstaller untouched
    PackageBuilder& MainDialogText(const std::string& text);
    PackageBuilder& HelpText(const std::string& text);
    PackageBuilder& HelpTextNT(const std::string& text);
    PackageBuilder& FinishedText(const std::string& text);
    PackageBuilder& UninstallQuestion(const std::string& text);
    PackageBuilder& RestartText(const std::string& text);
    PackageBuilder& UninstallDisplayName(const std::string& text);
    PackageBuilder& DefaultSubdir(const std::string& text);
    PackageBuilder& UninstallItemName(const std::string& text);
    PackageBuilder& UninstallItemAlways(bool on = true);
    PackageBuilder& RunAfterInstall(const std::string& file, const std::string& parameters = "");
    PackageBuilder& MinWindows(std::uint32_t major, std::uint32_t minor = 0);
    // 1-based file number (0 = none) and the help context.
    PackageBuilder& HelpFile(std::int32_t fileNumber, std::uint32_t context = 0);
    PackageBuilder& CreateLog(bool on = true);
    PackageBuilder& DeleteLogOnSuccess(bool on = true);
    PackageBuilder& RefuseWin32s(bool on = true);
    PackageBuilder& RefuseWindows95(bool on = true);
    PackageBuilder& RefuseWindowsNT(bool on = true);
    PackageBuilder& IniStrings(std::uint32_t count, std::uint32_t options);

    // ---- Directory records -------------------------------------------------
    PackageBuilder& Dir(const std::string& name);

    // ---- File records ------------------------------------------------------
    // The data are stored as given; InstalledSize is their size.
    PackageBuilder& File(const std::string& name, const Bytes& data);
    // Stores the file SZDD-compressed (with the project's compressor).
    PackageBuilder& Compressed();
    PackageBuilder& Shared(bool on = true);
    PackageBuilder& Vital(bool on = true);
    PackageBuilder& SelfRegister(bool byRun = false);
    PackageBuilder& CheckInUse(bool on = true);
    PackageBuilder& NeedsRestart(bool on = true);
    PackageBuilder& AppPath(bool on = true);
    PackageBuilder& RunService95(bool on = true);
    PackageBuilder& AppendTrailer(const Bytes& trailer16);
    PackageBuilder& Service(const std::string& name, const std::string& displayName,
                            const std::vector<std::string>& dependencies = {});
    PackageBuilder& StartService(bool on = true);
    PackageBuilder& Version(std::uint32_t ms, std::uint32_t ls);
    PackageBuilder& CompareVersion(bool on = true);
    PackageBuilder& OverwriteMode(std::uint32_t mode);
    PackageBuilder& LastWriteTime(os::FileTime time);
    PackageBuilder& Times(os::FileTime creation, os::FileTime access, os::FileTime write);
    // The file's directory record, by name (added before).
    PackageBuilder& InDir(const std::string& dirName);
    PackageBuilder& DirNumber(std::uint32_t number);
    // Replaces the stored bytes (and StoredSize) without touching InstalledSize.
    PackageBuilder& StoredData(const Bytes& data);
    PackageBuilder& InstalledSize(std::uint32_t size);

    // ---- Program groups and items ------------------------------------------
    PackageBuilder& Group(const std::string& name);
    // An item of the last group for the file of that name (added before).
    PackageBuilder& Item(const std::string& name, const std::string& fileName,
                         const std::string& arguments = "");
    // An item by numbers (1-based, 0 = none), for tables that need not hold
    // the group or the file.
    PackageBuilder& ItemNumbered(const std::string& name, std::uint32_t groupNumber,
                                 std::uint32_t fileNumber, const std::string& arguments = "");
    PackageBuilder& IconNumber(std::uint32_t number);
    PackageBuilder& GroupNumber(std::uint32_t number);
    PackageBuilder& FileNumber(std::uint32_t number);

    // ---- Registry ----------------------------------------------------------
    PackageBuilder& RegKey(os::RegKey root, const std::string& subKey);
    // A value of the last key: a string (stored with its NUL), a number, or raw data.
    PackageBuilder& Value(const std::string& name, std::uint32_t type, const std::string& text);
    PackageBuilder& Value(const std::string& name, std::uint32_t number);
    PackageBuilder& Value(const std::string& name, std::uint32_t type, const Bytes& data);
    PackageBuilder& KeyNumber(std::uint32_t number);

    // ---- Flags of the record just added (whatever its kind) ----------------
    PackageBuilder& InSystemDir(bool on = true);   // files and directories
    PackageBuilder& InWindowsDir(bool on = true);  // files and directories
    PackageBuilder& Attributes(std::uint32_t attributes);  // files and directories
    PackageBuilder& KeepAtUninstall(bool on = true);  // files, directories, keys, values
    PackageBuilder& SkipAtInstall(bool on = true);
    PackageBuilder& NotOnWindows95(bool on = true);
    PackageBuilder& NotOnWindowsNT(bool on = true);

    // ---- The file around the information -----------------------------------
    PackageBuilder& Stub(const Bytes& stub);
    // Pads (or cuts) the stub so that the marker starts at `offset`.
    PackageBuilder& MarkerAt(std::size_t offset);
    PackageBuilder& Trailing(const Bytes& bytes);

    // ---- Raw access --------------------------------------------------------
    pkg::PackageContents& Contents() { return package_.Contents(); }
    InstallHeader& Header() { return package_.Header(); }
    FileRecord& LastFile();
    DirRecord& LastDir();
    GroupRecord& LastGroup();
    ItemRecord& LastItem();
    RegKeyRecord& LastRegKey();
    RegValueRecord& LastRegValue();

    Bytes Build() const { return package_.Build(); }
    const Package& Get() const { return package_; }
    operator Package() const { return package_; }  // NOLINT: fluent use

private:
    enum class Kind { None, Dir, File, Group, Item, RegKey, RegValue };
    Kind last_ = Kind::None;
    Package package_;
};
