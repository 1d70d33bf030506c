// Packages and machines for the install engine's scenario tests: a package
// is made right in the test from records and file contents, then installed
// on a simulated machine with the whole program.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "support/package_builder.h"
#include "support/scenario.h"
#include "pe/pe_version.h"

namespace installtest {

inline Bytes B(const std::string& text) { return TextBytes(text); }

// A package of the shared builder with the scenarios' header (titles, an
// uninstaller, the log, Windows 3.1 or later) and vital archive files. Each
// adder returns the new record, to be set up before the next record is added.
class InstallPackage {
public:
    InstallPackage() {
        b_.Title("Test App")
            .UninstallTitle("Test App Removal")
            .Uninstaller("UNINST.EXE")
            .DefaultSubdir("APP")
            .FinishedText("Finished.")
            .RestartText("Restart now?")
            .CreateLog()
            .MinWindows(3, 10);
    }

    FileRecord& File(const std::string& name, const Bytes& content) {
        return b_.File(name, content).Vital().Attributes(os::FILE_ATTRIBUTE_ARCHIVE).LastFile();
    }
    FileRecord& File(const std::string& name, const std::string& content) {
        return File(name, B(content));
    }
    // Stored in the SZDD format and expanded at install.
    FileRecord& Compressed(const std::string& name, const Bytes& content) {
        File(name, content);
        return b_.Compressed().LastFile();
    }
    FileRecord& Compressed(const std::string& name, const std::string& content) {
        return Compressed(name, B(content));
    }
    DirRecord& Dir(const std::string& name) { return b_.Dir(name).LastDir(); }
    RegKeyRecord& Key(os::RegKey root, const std::string& subKey) {
        return b_.RegKey(root, subKey).LastRegKey();
    }
    RegValueRecord& Value(std::uint32_t keyNumber, const std::string& name, std::uint32_t type,
                          const Bytes& data) {
        return b_.Value(name, type, data).KeyNumber(keyNumber).LastRegValue();
    }
    // A string value, stored with its NUL.
    RegValueRecord& String(std::uint32_t keyNumber, const std::string& name,
                           const std::string& text) {
        return b_.Value(name, os::REG_SZ, text).KeyNumber(keyNumber).LastRegValue();
    }

    InstallHeader& Header() { return b_.Header(); }
    pkg::PackageContents& Contents() { return b_.Contents(); }
    Bytes Build() const { return b_.Build(); }
    // Offset of the first byte of file data in the written package.
    std::size_t DataOffset() const { return b_.Get().DataOffset(); }

private:
    PackageBuilder b_;
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
