// Writes the packages of the Wine suite from a stub (setup.exe):
//
//   make_packages STUB OUTDIR [COMPONENTS]
//
// COMPONENTS is the directory of the suite's Win32 test programs
// (regserver.exe, testcomp_2_0_0_7.dll); without it the full package holds
// only data files. Beside the packages it writes expected-<NAME> files, the
// plain contents of the installed data files. Every package is described by the case list in
// tests/e2e/run.sh, which checks what the stub makes of it.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pkgwrite/package_writer.h"
#include "szdd/szdd.h"

namespace {

using pkg::Bytes;
using pkg::SetText;

bool ReadFile(const std::string& path, Bytes& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool WriteFile(const std::string& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out);
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

const char ReadmeText[] = "Read me first.\r\nThe E2E Demo.\r\n";
const char NotesText[] = "Notes in the second directory.\r\n";

// 2020-01-02 03:04:06 UTC, the last-write time every installed file gets.
os::FileTime FixedTime() {
    const std::uint64_t unixSeconds = 1577934246;
    const std::uint64_t ticks = (unixSeconds + 11644473600ull) * 10000000ull;
    return {static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32)};
}

// The header every package of the suite shares.
pkg::PackageContents Basic(const Bytes& stub) {
    pkg::PackageContents c;
    c.stub = stub;
    c.header = pkg::NewHeader();
    InstallHeader& h = c.header;
    SetText(h.MainDialogText, "This installs the E2E Demo on your computer.");
    SetText(h.HelpText, "Choose the directory for the E2E Demo.");
    SetText(h.HelpTextNT, "Choose the directory for the E2E Demo (NT).");
    SetText(h.FinishedText, "The E2E Demo is installed.");
    SetText(h.UninstallQuestion, "Do you want to remove the E2E Demo?");
    SetText(h.RestartText, "Restart Windows now?");
    SetText(h.InstallTitle, "E2E Setup");
    SetText(h.UninstallTitle, "E2E Uninstall");
    SetText(h.UninstallDisplayName, "E2E Demo");
    SetText(h.DefaultSubdir, "E2E Demo");
    SetText(h.UninstallItemName, "Uninstall E2E Demo");
    SetText(h.UninstallerName, "UNINST.EXE");
    h.CreateUninstaller = 1;
    h.CreateLog = 1;

    FileRecord readme = pkg::NewFileRecord();
    SetText(readme.FileName, "README.TXT");
    Bytes data = Text(ReadmeText);
    readme.InstalledSize = static_cast<std::uint32_t>(data.size());
    readme.LastWriteTime = readme.CreationTime = readme.LastAccessTime = FixedTime();
    readme.Attributes = os::FILE_ATTRIBUTE_ARCHIVE;
    readme.Vital = 1;
    c.files.push_back(readme);
    c.fileData.push_back(data);
    return c;
}

void AddFile(pkg::PackageContents& c, const std::string& name, std::uint32_t dirNumber,
             const Bytes& data, bool compressed) {
    FileRecord f = pkg::NewFileRecord();
    SetText(f.FileName, name);
    f.DirNumber = dirNumber;
    f.InstalledSize = static_cast<std::uint32_t>(data.size());
    f.LastWriteTime = f.CreationTime = f.LastAccessTime = FixedTime();
    f.Attributes = os::FILE_ATTRIBUTE_ARCHIVE;
    f.Vital = 1;
    f.Compressed = compressed ? 1 : 0;
    c.files.push_back(f);
    c.fileData.push_back(compressed ? szdd::Compress(data.data(), data.size()) : data);
}

void AddDir(pkg::PackageContents& c, const std::string& name) {
    DirRecord d = pkg::NewDirRecord();
    SetText(d.Name, name);
    c.dirs.push_back(d);
}

void AddValue(pkg::PackageContents& c, std::uint32_t key, const std::string& name,
              std::uint32_t type, const Bytes& data) {
    RegValueRecord v = pkg::NewRegValueRecord();
    SetText(v.ValueName, name);
    v.KeyNumber = key;
    v.ValueType = type;
    v.DataSize = static_cast<std::uint32_t>(data.size());
    std::memcpy(v.Data, data.data(), data.size());
    c.regValues.push_back(v);
}

// Text that compresses well, for the compressed file.
Bytes Lines(int count) {
    std::string s;
    for (int i = 0; i < count; ++i) s += "Line " + std::to_string(i) + " of the compressed file.\r\n";
    return Text(s);
}

// Bytes that do not compress, so that writing them takes a moment.
Bytes Noise(std::size_t size) {
    Bytes b(size);
    std::uint32_t x = 2463534242u;
    for (auto& byte : b) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        byte = static_cast<std::uint8_t>(x);
    }
    return b;
}

pkg::PackageContents Full(const Bytes& stub, const std::string& components) {
    pkg::PackageContents c = Basic(stub);
    AddDir(c, "DATA");
    AddDir(c, "DOCS");
    AddFile(c, "LINES.TXT", 1, Lines(400), true);
    AddFile(c, "NOTES.TXT", 2, Text(NotesText), false);
    AddFile(c, "NOISE.BIN", 1, Noise(16u << 20), false);
    if (!components.empty()) {
        Bytes server, component;
        if (ReadFile(components + "/regserver.exe", server)) {
            AddFile(c, "REGSERVER.EXE", 0, server, false);
            c.files.back().SelfRegister = 1;
            c.files.back().Shared = 1;
            c.files.back().RegisterByRun = 1;
        }
        if (ReadFile(components + "/testcomp_2_0_0_7.dll", component)) {
            // A new shared component that registers itself.
            AddFile(c, "E2ECOMP.DLL", 0, component, false);
            c.files.back().SelfRegister = 1;
            c.files.back().Shared = 1;
            // A shared component of the system directory, version 2.0.0.7.
            AddFile(c, "E2ETCOMP.DLL", 0, component, false);
            FileRecord& f = c.files.back();
            f.InSystemDir = 1;
            f.SelfRegister = 1;
            f.Shared = 1;
            f.CompareVersion = 1;
            f.FileVersionMS = 0x00020000;
            f.FileVersionLS = 0x00000007;
        }
    }

    RegKeyRecord key = pkg::NewRegKeyRecord();
    SetText(key.SubKey, "Software\\E2E Demo");
    key.Root = static_cast<std::uint32_t>(os::HKEY_LOCAL_MACHINE);
    c.regKeys.push_back(key);
    AddValue(c, 1, "Version", os::REG_SZ, Text(std::string("1.0") + '\0'));
    AddValue(c, 1, "Count", os::REG_DWORD, Bytes{42, 0, 0, 0});
    AddValue(c, 1, "Blob", 3, Bytes{1, 2, 3, 0xFE});
    AddValue(c, 1, "", os::REG_SZ, Text(std::string("E2E default") + '\0'));

    GroupRecord group = pkg::NewGroupRecord();
    SetText(group.Name, "E2E Demo");
    c.groups.push_back(group);
    ItemRecord item = pkg::NewItemRecord();
    SetText(item.Name, "E2E Readme");
    item.GroupNumber = 1;
    item.FileNumber = 1;
    c.items.push_back(item);
    return c;
}

// Two components that compare versions with what is in the destination:
// OLDER.DLL is packaged as 1.0.0.1, NEWER.DLL as 2.0.0.7.
pkg::PackageContents Versions(const Bytes& stub, const Bytes& v1, const Bytes& v2) {
    pkg::PackageContents c = Basic(stub);
    AddFile(c, "OLDER.DLL", 0, v1, false);
    c.files.back().CompareVersion = 1;
    c.files.back().FileVersionMS = 0x00010000;
    c.files.back().FileVersionLS = 0x00000001;
    AddFile(c, "NEWER.DLL", 0, v2, false);
    c.files.back().CompareVersion = 1;
    c.files.back().FileVersionMS = 0x00020000;
    c.files.back().FileVersionLS = 0x00000007;
    return c;
}

// The full package's header with one file, a Windows NT service program.
pkg::PackageContents Service(const Bytes& stub, const Bytes& program) {
    pkg::PackageContents c = Basic(stub);
    AddFile(c, "E2ESVC.EXE", 0, program, false);
    FileRecord& f = c.files.back();
    SetText(f.ServiceName, "E2ESvc");
    SetText(f.ServiceDisplayName, "E2E Service");
    return c;
}

// `length` letters running through the alphabet from `first`, in its case,
// so that a text cut anywhere reads differently.
std::string Letters(std::size_t length, char first) {
    const char base = first >= 'a' ? 'a' : 'A';
    std::string s(length, ' ');
    for (std::size_t i = 0; i < length; ++i)
        s[i] = static_cast<char>(base + (static_cast<std::size_t>(first - base) + i) % 26);
    return s;
}

// Directory and file names that make C:\E2E Long\<dir>\<file> 259 characters.
const std::size_t LongDirLength = 120;
const std::size_t LongFileLength = 259 - 11 - 1 - LongDirLength - 1;
const char LongText[] = "The file at the longest path.\r\n";

// The texts as long as their arrays allow (title 63, uninstall title 63,
// main text 255, finished text 255) and one file whose path reaches 259
// characters when installed into C:\E2E Long (260 with `extra` 1).
pkg::PackageContents Longest(const Bytes& stub, std::size_t extra = 0) {
    pkg::PackageContents c = Basic(stub);
    InstallHeader& h = c.header;
    SetText(h.InstallTitle, Letters(63, 'a'));
    SetText(h.UninstallTitle, Letters(63, 'B'));
    SetText(h.MainDialogText, Letters(255, 'c'));
    SetText(h.FinishedText, Letters(255, 'D'));
    SetText(h.UninstallQuestion, Letters(255, 'e'));
    AddDir(c, Letters(LongDirLength, 'L'));
    AddFile(c, Letters(LongFileLength + extra, 'p'), 1, Text(LongText), false);
    return c;
}

// The basic package and a compressed CUT.DAT whose stream is cut to a
// third: the expander gives fewer bytes than InstalledSize. With `shared`,
// CUT.DAT is not vital and a shared SHARED.DLL comes first.
pkg::PackageContents CutStream(const Bytes& stub, bool shared) {
    pkg::PackageContents c = Basic(stub);
    if (shared) {
        AddFile(c, "SHARED.DLL", 0, Text("A shared library for everyone.\r\n"), false);
        c.files.back().Shared = 1;
    }
    AddFile(c, "CUT.DAT", 0, Lines(200), true);
    c.files.back().Vital = shared ? 0 : 1;
    Bytes& stored = c.fileData.back();
    stored.resize(stored.size() / 3);
    return c;
}

bool Write(const std::string& dir, const std::string& name, const pkg::PackageContents& c) {
    Bytes file = pkg::WritePackage(c);
    if (!WriteFile(dir + "/" + name, file)) {
        std::fprintf(stderr, "make_packages: cannot write %s/%s\n", dir.c_str(), name.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: make_packages STUB OUTDIR [COMPONENTS]\n");
        return 2;
    }
    Bytes stub;
    if (!ReadFile(argv[1], stub)) {
        std::fprintf(stderr, "make_packages: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string out = argv[2];
    const std::string components = argc == 4 ? argv[3] : "";

    pkg::PackageContents basic = Basic(stub);

    // The header says it is 1000 bytes long: information error 1.
    pkg::PackageContents damaged = basic;
    damaged.header.HeaderSize = 1000;
    damaged.keepHeaderSize = true;

    pkg::PackageContents refuse95 = basic;
    refuse95.header.RefuseWindows95 = 1;

    pkg::PackageContents needs40 = basic;
    needs40.header.MinWindowsMajor = 4;
    needs40.header.MinWindowsMinor = 0;

    bool ok = Write(out, "basic.exe", basic) && Write(out, "damaged.exe", damaged) &&
              // Named like the uninstaller apart from letter case: uninstall mode.
              Write(out, "uninst.exe", basic) && Write(out, "refuse95.exe", refuse95) &&
              Write(out, "needs40.exe", needs40) && Write(out, "full.exe", Full(stub, components));
    // The longest texts and a file path of 259 characters; and the basic
    // package whose main text fills its array without a NUL: error 10.
    pkg::PackageContents noNul = basic;
    std::memset(noNul.header.MainDialogText, 'x', sizeof noNul.header.MainDialogText);
    ok = ok && Write(out, "longest.exe", Longest(stub)) && Write(out, "nonul.exe", noNul) &&
         Write(out, "longer.exe", Longest(stub, 1)) &&
         WriteFile(out + "/expected-LONG.TXT", Text(LongText));
    // Names the program refuses before it writes anything: a file named
    // after a device, a directory record that means the destination itself.
    pkg::PackageContents device = basic;
    AddFile(device, "Nul.txt", 0, Text("device"), false);
    pkg::PackageContents dotDir = basic;
    AddDir(dotDir, ".\\");
    ok = ok && Write(out, "device.exe", device) && Write(out, "dotdir.exe", dotDir);
    Bytes service, v1, v2;
    if (!components.empty() && ReadFile(components + "/testservice.exe", service))
        ok = ok && Write(out, "service.exe", Service(stub, service));
    if (!components.empty() && ReadFile(components + "/testcomp_1_0_0_1.dll", v1) &&
        ReadFile(components + "/testcomp_2_0_0_7.dll", v2))
        ok = ok && Write(out, "versions.exe", Versions(stub, v1, v2));
    ok = ok && Write(out, "cutvital.exe", CutStream(stub, false)) &&
         Write(out, "cutshared.exe", CutStream(stub, true));
    // The installed contents the suite compares against.
    ok = ok && WriteFile(out + "/expected-README.TXT", Text(ReadmeText)) &&
         WriteFile(out + "/expected-LINES.TXT", Lines(400)) &&
         WriteFile(out + "/expected-NOTES.TXT", Text(NotesText));
    return ok ? 0 : 1;
}
