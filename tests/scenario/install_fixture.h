// Packages and machines for the install engine's scenario tests: a package
// is made right in the test from records and file contents, then installed
// on a simulated machine with the whole program.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "support/scenario.h"
#include "pe/pe_version.h"
#include "pkgwrite/checksum.h"
#include "pkgwrite/package_writer.h"
#include "szdd/szdd.h"

namespace installtest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes B(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A package being written. Each adder returns the new record, to be set up
// before the next record is added.
class InstallPackage {
public:
    InstallPackage() {
        c.stub = Bytes(600, 0);
        for (std::size_t i = 0; i < c.stub.size(); ++i) c.stub[i] = static_cast<std::uint8_t>(i * 7);
        c.header = pkg::NewHeader();
        pkg::SetText(c.header.InstallTitle, "Test App");
        pkg::SetText(c.header.UninstallTitle, "Test App Removal");
        pkg::SetText(c.header.UninstallerName, "UNINST.EXE");
        pkg::SetText(c.header.DefaultSubdir, "APP");
        pkg::SetText(c.header.FinishedText, "Finished.");
        pkg::SetText(c.header.RestartText, "Restart now?");
        c.header.CreateUninstaller = 1;
        c.header.CreateLog = 1;
        c.header.MinWindowsMajor = 3;
        c.header.MinWindowsMinor = 10;
    }

    FileRecord& File(const std::string& name, const Bytes& content) {
        FileRecord r = pkg::NewFileRecord();
        pkg::SetText(r.FileName, name);
        r.InstalledSize = static_cast<std::uint32_t>(content.size());
        r.Vital = 1;
        r.Attributes = os::FILE_ATTRIBUTE_ARCHIVE;
        c.files.push_back(r);
        c.fileData.push_back(content);
        return c.files.back();
    }
    FileRecord& File(const std::string& name, const std::string& content) {
        return File(name, B(content));
    }
    // Stored in the SZDD format and expanded at install.
    FileRecord& Compressed(const std::string& name, const Bytes& content) {
        FileRecord& r = File(name, content);
        c.fileData.back() = szdd::Compress(content.data(), content.size(), name.back());
        r.Compressed = 1;
        return r;
    }
    FileRecord& Compressed(const std::string& name, const std::string& content) {
        return Compressed(name, B(content));
    }
    DirRecord& Dir(const std::string& name) {
        DirRecord d = pkg::NewDirRecord();
        pkg::SetText(d.Name, name);
        c.dirs.push_back(d);
        return c.dirs.back();
    }
    RegKeyRecord& Key(os::RegKey root, const std::string& subKey) {
        RegKeyRecord k = pkg::NewRegKeyRecord();
        pkg::SetText(k.SubKey, subKey);
        k.Root = static_cast<std::uint32_t>(root);
        c.regKeys.push_back(k);
        return c.regKeys.back();
    }
    RegValueRecord& Value(std::uint32_t keyNumber, const std::string& name, std::uint32_t type,
                          const Bytes& data) {
        RegValueRecord v = pkg::NewRegValueRecord();
        pkg::SetText(v.ValueName, name);
        v.KeyNumber = keyNumber;
        v.ValueType = type;
        v.DataSize = static_cast<std::uint32_t>(data.size());
        for (std::size_t i = 0; i < data.size() && i < sizeof v.Data; ++i) v.Data[i] = data[i];
        c.regValues.push_back(v);
        return c.regValues.back();
    }
    RegValueRecord& String(std::uint32_t keyNumber, const std::string& name,
                           const std::string& text) {
        Bytes data = B(text);
        data.push_back(0);
        return Value(keyNumber, name, os::REG_SZ, data);
    }

    InstallHeader& Header() { return c.header; }
    Bytes Build() const { return pkg::WritePackage(c); }
    // Offset of the first byte of file data in the written package.
    std::size_t DataOffset() const {
        std::size_t stored = 0;
        for (const Bytes& d : pkg::Completed(c).fileData) stored += d.size();
        return Build().size() - stored - c.trailing.size() - (c.checksum ? pkg::TrailerSize : 0);
    }

    pkg::PackageContents c;
};

inline os::FileTime Time(std::uint64_t value) {
    return os::FileTime{static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32)};
}

inline const std::string Destination = "C:\\APP";
inline std::string At(const std::string& name) { return Destination + "\\" + name; }

inline scenario::RunResult Install(sim::Machine& m, const InstallPackage& p,
                                   const std::string& destination = Destination) {
    return scenario::Install(m, p.Build(), destination);
}

// The texts of the error boxes of a run, in order.
inline std::vector<std::string> Errors(const scenario::RunResult& r) {
    std::vector<std::string> out;
    for (const sim::Box& b : r.boxes)
        if ((b.type & os::MB_ICONERROR) != 0) out.push_back(b.text);
    return out;
}

// True when a yes/no box with this text was asked.
inline bool Asked(const scenario::RunResult& r, const std::string& text) {
    for (const sim::Box& b : r.boxes)
        if ((b.type & os::MB_YESNO) != 0 && b.text == text) return true;
    return false;
}

inline const std::string RestartQuestion = "Finished.\r\rRestart now?";

// The number of the HWrite call that writes the data of the file whose log
// line "Creating file: " begins with `dataPath` in an undisturbed run: each
// log line is one write, the data follow their line, and a package without
// an uninstaller writes nothing else before them. 0 when there is no such
// line.
inline int DataWriteCall(const InstallPackage& p, const std::string& dataPath,
                         const std::function<sim::Machine()>& fresh = sim::Machine::NT40) {
    sim::Machine clean = fresh();
    const scenario::RunResult r = scenario::Install(clean, p.Build(), Destination);
    const std::string line = "Creating file: " + dataPath;
    for (std::size_t n = 0; n < r.logLines.size(); ++n)
        if (r.logLines[n].compare(0, line.size(), line) == 0) return static_cast<int>(n) + 2;
    return 0;
}

// Whether `needle` lines appear in `lines` in this order (others may come
// between them).
inline bool InOrder(const std::vector<std::string>& lines,
                    const std::vector<std::string>& needles) {
    std::size_t at = 0;
    for (const std::string& line : lines)
        if (at < needles.size() && line == needles[at]) ++at;
    return at == needles.size();
}

}  // namespace installtest
