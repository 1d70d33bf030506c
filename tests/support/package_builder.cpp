// The test package builder: fluent record building over PackageContents.
#include "support/package_builder.h"

#include <cstring>
#include <stdexcept>
#include <strings.h>

#include "szdd/szdd.h"

Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes PatternBytes(std::size_t size, std::uint32_t seed) {
    Bytes out(size);
    std::uint32_t state = seed * 2654435761u + 12345u;
    for (std::size_t i = 0; i < size; ++i) {
        // Runs of words from a small vocabulary: some repetition, some noise.
        if (i % 16 == 0) state = state * 1103515245u + 12345u;
        out[i] = static_cast<std::uint8_t>("abcdefgh ijkl\r\n01"[(state >> ((i % 16) + 8)) % 17]);
    }
    return out;
}

Bytes DefaultStub() {
    static const char text[] = "MZ test stub: the installation information follows.";
    Bytes stub(text, text + sizeof text);
    stub.resize(512, 0);
    return stub;
}

// ---- Package ----------------------------------------------------------------

Package::Package() {
    contents_.stub = DefaultStub();
    contents_.header = pkg::NewHeader();
}

Package::Package(const pkg::PackageContents& contents) : contents_(contents) {}

Bytes Package::Build() const { return pkg::WritePackage(contents_); }

std::uint32_t Package::InfoOffset() const { return static_cast<std::uint32_t>(contents_.stub.size()); }

std::uint32_t Package::InfoSize() const {
    const InstallHeader h = pkg::Completed(contents_).header;
    return HeaderRecordSize + h.FileCount * FileRecordSize + h.DirCount * DirRecordSize +
           h.GroupCount * GroupRecordSize + h.ItemCount * ItemRecordSize +
           h.RegKeyCount * RegKeyRecordSize + h.RegValueCount * RegValueRecordSize;
}

std::uint32_t Package::DataOffset(std::size_t index) const {
    const pkg::PackageContents c = pkg::Completed(contents_);
    std::uint32_t offset = InfoOffset() + InfoSize();
    for (std::size_t i = 0; i < index && i < c.files.size(); ++i) offset += c.files[i].StoredSize;
    return offset;
}

// ---- PackageBuilder -----------------------------------------------------------

namespace {

template <std::size_t N>
void Put(char (&field)[N], const std::string& text, const char* what) {
    if (!pkg::SetText(field, text))
        throw std::invalid_argument(std::string(what) + " too long for its field: " + text);
}

template <typename T>
T& Back(std::vector<T>& table, const char* what) {
    if (table.empty()) throw std::logic_error(std::string("no ") + what + " record added yet");
    return table.back();
}

}  // namespace

PackageBuilder::PackageBuilder() = default;

#define HEADER_TEXT(Method, Field)                                 \
    PackageBuilder& PackageBuilder::Method(const std::string& text) { \
        Put(Header().Field, text, #Field);                          \
        return *this;                                               \
    }
HEADER_TEXT(Title, InstallTitle)
HEADER_TEXT(UninstallTitle, UninstallTitle)
HEADER_TEXT(UninstallerName, UninstallerName)
HEADER_TEXT(MainDialogText, MainDialogText)
HEADER_TEXT(HelpText, HelpText)
HEADER_TEXT(HelpTextNT, HelpTextNT)
HEADER_TEXT(FinishedText, FinishedText)
HEADER_TEXT(UninstallQuestion, UninstallQuestion)
HEADER_TEXT(RestartText, RestartText)
HEADER_TEXT(UninstallDisplayName, UninstallDisplayName)
HEADER_TEXT(DefaultSubdir, DefaultSubdir)
HEADER_TEXT(UninstallItemName, UninstallItemName)
#undef HEADER_TEXT

#define HEADER_FLAG(Method, Field)                       \
    PackageBuilder& PackageBuilder::Method(bool on) {    \
        Header().Field = on ? 1 : 0;                     \
        return *this;                                    \
    }
HEADER_FLAG(UninstallItemAlways, UninstallItemAlways)
HEADER_FLAG(CreateLog, CreateLog)
HEADER_FLAG(DeleteLogOnSuccess, DeleteLogOnSuccess)
HEADER_FLAG(RefuseWin32s, RefuseWin32s)
HEADER_FLAG(RefuseWindows95, RefuseWindows95)
HEADER_FLAG(RefuseWindowsNT, RefuseWindowsNT)
#undef HEADER_FLAG

PackageBuilder& PackageBuilder::Uninstaller(const std::string& name) {
    UninstallerName(name);
    Header().CreateUninstaller = 1;
    return *this;
}

PackageBuilder& PackageBuilder::RunAfterInstall(const std::string& file, const std::string& parameters) {
    Put(Header().RunAfterInstall, file, "RunAfterInstall");
    Put(Header().RunParameters, parameters, "RunParameters");
    return *this;
}

PackageBuilder& PackageBuilder::MinWindows(std::uint32_t major, std::uint32_t minor) {
    Header().MinWindowsMajor = major;
    Header().MinWindowsMinor = minor;
    return *this;
}

PackageBuilder& PackageBuilder::HelpFile(std::int32_t fileNumber, std::uint32_t context) {
    Header().HelpFileNumber = fileNumber;
    Header().HelpContext = context;
    return *this;
}

PackageBuilder& PackageBuilder::IniStrings(std::uint32_t count, std::uint32_t options) {
    Header().IniStringCount = count;
    Header().IniOptions = options;
    return *this;
}

PackageBuilder& PackageBuilder::Dir(const std::string& name) {
    DirRecord r = pkg::NewDirRecord();
    Put(r.Name, name, "directory name");
    Contents().dirs.push_back(r);
    last_ = Kind::Dir;
    return *this;
}

PackageBuilder& PackageBuilder::File(const std::string& name, const Bytes& data) {
    FileRecord r = pkg::NewFileRecord();
    Put(r.FileName, name, "file name");
    r.InstalledSize = static_cast<std::uint32_t>(data.size());
    r.StoredSize = static_cast<std::uint32_t>(data.size());
    Contents().files.push_back(r);
    Contents().fileData.resize(Contents().files.size() - 1);
    Contents().fileData.push_back(data);
    last_ = Kind::File;
    return *this;
}

PackageBuilder& PackageBuilder::Compressed() {
    FileRecord& f = LastFile();
    Bytes& data = Contents().fileData.back();
    const std::size_t length = std::strlen(f.FileName);
    const char missing = length ? f.FileName[length - 1] : 0;
    data = szdd::Compress(data.data(), data.size(), missing);
    f.StoredSize = static_cast<std::uint32_t>(data.size());
    f.Compressed = 1;
    return *this;
}

#define FILE_FLAG(Method, Field)                       \
    PackageBuilder& PackageBuilder::Method(bool on) {  \
        LastFile().Field = on ? 1 : 0;                 \
        return *this;                                  \
    }
FILE_FLAG(Shared, Shared)
FILE_FLAG(Vital, Vital)
FILE_FLAG(CheckInUse, CheckInUse)
FILE_FLAG(NeedsRestart, NeedsRestart)
FILE_FLAG(AppPath, AppPath)
FILE_FLAG(RunService95, RunService95)
FILE_FLAG(StartService, StartService)
FILE_FLAG(CompareVersion, CompareVersion)
#undef FILE_FLAG

PackageBuilder& PackageBuilder::SelfRegister(bool byRun) {
    LastFile().SelfRegister = 1;
    LastFile().RegisterByRun = byRun ? 1 : 0;
    return *this;
}

PackageBuilder& PackageBuilder::AppendTrailer(const Bytes& trailer16) {
    FileRecord& f = LastFile();
    if (trailer16.size() != sizeof f.Trailer) throw std::invalid_argument("a trailer has 16 bytes");
    std::memcpy(f.Trailer, trailer16.data(), sizeof f.Trailer);
    f.AppendTrailer = 1;
    return *this;
}

PackageBuilder& PackageBuilder::Service(const std::string& name, const std::string& displayName,
                                        const std::vector<std::string>& dependencies) {
    FileRecord& f = LastFile();
    Put(f.ServiceName, name, "service name");
    Put(f.ServiceDisplayName, displayName, "service display name");
    std::string list;
    for (const std::string& d : dependencies) list += d + '\0';
    // The list ends with an empty name: one more NUL after the last one.
    if (list.size() + 1 > sizeof f.ServiceDependencies)
        throw std::invalid_argument("service dependencies too long for their field");
    std::memset(f.ServiceDependencies, 0, sizeof f.ServiceDependencies);
    std::memcpy(f.ServiceDependencies, list.data(), list.size());
    return *this;
}

PackageBuilder& PackageBuilder::Version(std::uint32_t ms, std::uint32_t ls) {
    LastFile().FileVersionMS = ms;
    LastFile().FileVersionLS = ls;
    return *this;
}

PackageBuilder& PackageBuilder::OverwriteMode(std::uint32_t mode) {
    LastFile().OverwriteMode = mode;
    return *this;
}

PackageBuilder& PackageBuilder::LastWriteTime(os::FileTime time) {
    LastFile().LastWriteTime = time;
    return *this;
}

PackageBuilder& PackageBuilder::Times(os::FileTime creation, os::FileTime access, os::FileTime write) {
    FileRecord& f = LastFile();
    f.CreationTime = creation;
    f.LastAccessTime = access;
    f.LastWriteTime = write;
    return *this;
}

PackageBuilder& PackageBuilder::InDir(const std::string& dirName) {
    const std::vector<DirRecord>& dirs = Contents().dirs;
    for (std::size_t i = 0; i < dirs.size(); ++i) {
        if (strcasecmp(dirs[i].Name, dirName.c_str()) == 0)
            return DirNumber(static_cast<std::uint32_t>(i + 1));
    }
    throw std::invalid_argument("no directory record named " + dirName);
}

PackageBuilder& PackageBuilder::DirNumber(std::uint32_t number) {
    LastFile().DirNumber = number;
    return *this;
}

PackageBuilder& PackageBuilder::StoredData(const Bytes& data) {
    FileRecord& f = LastFile();
    Contents().fileData.back() = data;
    f.StoredSize = static_cast<std::uint32_t>(data.size());
    return *this;
}

PackageBuilder& PackageBuilder::InstalledSize(std::uint32_t size) {
    LastFile().InstalledSize = size;
    return *this;
}

PackageBuilder& PackageBuilder::Group(const std::string& name) {
    GroupRecord r = pkg::NewGroupRecord();
    Put(r.Name, name, "group name");
    Contents().groups.push_back(r);
    last_ = Kind::Group;
    return *this;
}

PackageBuilder& PackageBuilder::Item(const std::string& name, const std::string& fileName,
                                     const std::string& arguments) {
    const std::vector<FileRecord>& files = Contents().files;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (strcasecmp(files[i].FileName, fileName.c_str()) == 0)
            return ItemNumbered(name, static_cast<std::uint32_t>(Contents().groups.size()),
                                static_cast<std::uint32_t>(i + 1), arguments);
    }
    throw std::invalid_argument("no file record named " + fileName);
}

PackageBuilder& PackageBuilder::ItemNumbered(const std::string& name, std::uint32_t groupNumber,
                                             std::uint32_t fileNumber, const std::string& arguments) {
    ItemRecord r = pkg::NewItemRecord();
    Put(r.Name, name, "item name");
    Put(r.Arguments, arguments, "item arguments");
    r.GroupNumber = groupNumber;
    r.FileNumber = fileNumber;
    Contents().items.push_back(r);
    last_ = Kind::Item;
    return *this;
}

PackageBuilder& PackageBuilder::IconNumber(std::uint32_t number) {
    LastItem().IconNumber = number;
    return *this;
}

PackageBuilder& PackageBuilder::GroupNumber(std::uint32_t number) {
    LastItem().GroupNumber = number;
    return *this;
}

PackageBuilder& PackageBuilder::FileNumber(std::uint32_t number) {
    LastItem().FileNumber = number;
    return *this;
}

PackageBuilder& PackageBuilder::RegKey(os::RegKey root, const std::string& subKey) {
    RegKeyRecord r = pkg::NewRegKeyRecord();
    Put(r.SubKey, subKey, "registry key");
    r.Root = static_cast<std::uint32_t>(root);
    Contents().regKeys.push_back(r);
    last_ = Kind::RegKey;
    return *this;
}

PackageBuilder& PackageBuilder::Value(const std::string& name, std::uint32_t type, const Bytes& data) {
    RegValueRecord r = pkg::NewRegValueRecord();
    Put(r.ValueName, name, "value name");
    if (data.size() > sizeof r.Data) throw std::invalid_argument("value data over 128 bytes");
    r.KeyNumber = static_cast<std::uint32_t>(Contents().regKeys.size());
    r.ValueType = type;
    r.DataSize = static_cast<std::uint32_t>(data.size());
    if (!data.empty()) std::memcpy(r.Data, data.data(), data.size());
    Contents().regValues.push_back(r);
    last_ = Kind::RegValue;
    return *this;
}

PackageBuilder& PackageBuilder::Value(const std::string& name, std::uint32_t type, const std::string& text) {
    Bytes data(text.begin(), text.end());
    data.push_back(0);
    return Value(name, type, data);
}

PackageBuilder& PackageBuilder::Value(const std::string& name, std::uint32_t number) {
    Bytes data(4);
    for (int i = 0; i < 4; ++i) data[i] = static_cast<std::uint8_t>(number >> (8 * i));
    return Value(name, os::REG_DWORD, data);
}

PackageBuilder& PackageBuilder::KeyNumber(std::uint32_t number) {
    LastRegValue().KeyNumber = number;
    return *this;
}

#define RECORD_FLAG(Method, Field, ...)                                          \
    PackageBuilder& PackageBuilder::Method(bool on) {                            \
        const std::uint32_t v = on ? 1 : 0;                                      \
        switch (last_) {                                                         \
            __VA_ARGS__                                                          \
            default: throw std::logic_error(#Method " does not apply to the last record"); \
        }                                                                        \
        return *this;                                                            \
    }
#define CASE(K, Accessor, Field) \
    case Kind::K: Accessor().Field = v; break;

RECORD_FLAG(InSystemDir, InSystemDir, CASE(File, LastFile, InSystemDir) CASE(Dir, LastDir, InSystemDir))
RECORD_FLAG(InWindowsDir, InWindowsDir, CASE(File, LastFile, InWindowsDir) CASE(Dir, LastDir, InWindowsDir))
RECORD_FLAG(KeepAtUninstall, KeepAtUninstall,
            CASE(File, LastFile, KeepAtUninstall) CASE(Dir, LastDir, KeepAtUninstall)
            CASE(RegKey, LastRegKey, KeepAtUninstall) CASE(RegValue, LastRegValue, KeepAtUninstall))
#define ALL_KINDS(Field)                                                                   \
    CASE(File, LastFile, Field) CASE(Dir, LastDir, Field) CASE(Group, LastGroup, Field)    \
    CASE(Item, LastItem, Field) CASE(RegKey, LastRegKey, Field) CASE(RegValue, LastRegValue, Field)
RECORD_FLAG(SkipAtInstall, SkipAtInstall, ALL_KINDS(SkipAtInstall))
RECORD_FLAG(NotOnWindows95, NotOnWindows95, ALL_KINDS(NotOnWindows95))
RECORD_FLAG(NotOnWindowsNT, NotOnWindowsNT, ALL_KINDS(NotOnWindowsNT))
#undef ALL_KINDS
#undef CASE
#undef RECORD_FLAG

PackageBuilder& PackageBuilder::Attributes(std::uint32_t attributes) {
    if (last_ == Kind::File) LastFile().Attributes = attributes;
    else if (last_ == Kind::Dir) LastDir().Attributes = attributes;
    else throw std::logic_error("Attributes applies to files and directories");
    return *this;
}

PackageBuilder& PackageBuilder::Stub(const Bytes& stub) {
    Contents().stub = stub;
    return *this;
}

PackageBuilder& PackageBuilder::MarkerAt(std::size_t offset) {
    Bytes& stub = Contents().stub;
    // The filler byte appears nowhere in the marker.
    stub.resize(offset, 0xCC);
    return *this;
}

PackageBuilder& PackageBuilder::Trailing(const Bytes& bytes) {
    Contents().trailing = bytes;
    return *this;
}

FileRecord& PackageBuilder::LastFile() { return Back(Contents().files, "file"); }
DirRecord& PackageBuilder::LastDir() { return Back(Contents().dirs, "directory"); }
GroupRecord& PackageBuilder::LastGroup() { return Back(Contents().groups, "group"); }
ItemRecord& PackageBuilder::LastItem() { return Back(Contents().items, "item"); }
RegKeyRecord& PackageBuilder::LastRegKey() { return Back(Contents().regKeys, "registry key"); }
RegValueRecord& PackageBuilder::LastRegValue() { return Back(Contents().regValues, "registry value"); }
