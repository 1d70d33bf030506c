// A whole installation, then the uninstallation, on a simulated machine,
// driven by a fuzzed package. The input is one byte choosing the machine and
// the user's answers, then the installation information in its plain form
// (see plain_info.h), which is scrambled behind a fixed stub; mutations thus
// reach the fields the engines act on. Each run must end cleanly: exit code
// 0 or 1, a failed run explained by a box, and every block, file handle and
// registry key given back. The byte also chooses the destination, among them
// ones long enough for the records' paths to reach their limit.
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "package/records.h"
#include "plain_info.h"
#include "platform/sim/machine.h"
#include "run/run.h"
#include "support/scenario.h"

namespace {

// The first byte of the input.
constexpr std::uint8_t MachineBits = 0x07;
constexpr std::uint8_t AnswerNo = 0x08;        // every question answered No
constexpr std::uint8_t InstallOnly = 0x10;     // no uninstallation afterwards
constexpr std::uint8_t DestinationBits = 0x60;  // which destination is typed
constexpr std::uint8_t ProgramsFail = 0x80;     // registration and programs report failure

// A short one, one with blanks (quoting), and two long enough that the
// records' paths reach the 259-character limit.
std::string DestinationFor(std::uint8_t config) {
    switch ((config & DestinationBits) >> 5) {
        case 1: return "C:\\Program Files\\My App";
        case 2: return "C:\\" + std::string(100, 'D') + "\\" + std::string(100, 'E');
        case 3: return "C:\\" + std::string(120, 'L') + "\\" + std::string(115, 'M') + "\\N";
        default: return "C:\\APP";
    }
}

sim::Machine MachineFor(std::uint8_t config) {
    switch (config & MachineBits) {
        case 1: return sim::Machine::Windows95();
        case 2: return sim::Machine::NT351();
        case 3: return sim::Machine::Win32s();
        case 4: return sim::Machine::Windows10();
        default: return sim::Machine::NT40();
    }
}

void CheckRun(const scenario::RunResult& r, const char* phase) {
    auto require = [phase](bool holds, const char* what) {
        if (!holds) std::fprintf(stderr, "%s: ", phase);
        fuzz::Require(holds, what);
    };
    require(r.exitCode == 0 || r.exitCode == 1, "the exit code is 0 or 1");
    require(r.exitCode == 0 || !r.boxes.empty(), "a failed run showed at least one box");
    require(r.outstandingBlocks == 0, "every memory block is released at the end of a run");
    require(r.openFiles == 0, "every file handle is closed at the end of a run");
    require(r.openKeys == 0, "every registry key is closed at the end of a run");
}

// Every file the package names becomes something the machine can load and
// run, in the destination and in the system directory, so that registration
// and the program to run after the installation get past LoadLibrary and
// CreateProcess. Only the first few records are looked at.
void KnowTheFiles(sim::Machine& m, const std::string& destination, bool fail,
                  const std::uint8_t* plain, std::size_t size) {
    if (size < sizeof(InstallHeader)) return;
    InstallHeader h;
    std::memcpy(&h, plain, sizeof h);
    const std::size_t count = h.FileCount < 4 ? h.FileCount : 4;
    char system[PathSize] = {};
    m.GetSystemDirectory(system, sizeof system);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = sizeof(InstallHeader) + i * sizeof(FileRecord);
        if (size < at + sizeof(FileRecord)) return;
        FileRecord f;
        std::memcpy(&f, plain + at, sizeof f);
        const void* nul = std::memchr(f.FileName, 0, sizeof f.FileName);
        if (!nul || f.FileName[0] == 0) continue;
        const std::string name(f.FileName, static_cast<std::size_t>(static_cast<const char*>(nul) - f.FileName));
        for (const std::string& dir : {destination, std::string(system)}) {
            const std::string path = scenario::JoinPath(dir, name);
            m.AddComponent(path, fail ? 1 : 0, fail ? 1 : 0);
            m.AddProgram(path, fail ? 1 : 0);
        }
    }
}

// The uninstaller's name as the plain header holds it ("" when unterminated).
std::string UninstallerName(const std::uint8_t* plain, std::size_t size) {
    const std::size_t at = offsetof(InstallHeader, UninstallerName);
    const std::size_t length = sizeof(InstallHeader::UninstallerName);
    if (size < at + length) return std::string();
    const char* name = reinterpret_cast<const char*>(plain + at);
    const void* nul = std::memchr(name, 0, length);
    return nul ? std::string(name, static_cast<const char*>(nul)) : std::string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t config = data[0];
    const sim::Bytes package = fuzz::PackageFromPlainInfo(data + 1, size - 1);

    const std::string destination = DestinationFor(config);
    sim::Machine m = MachineFor(config);
    if (config & AnswerNo) m.SetDefaultAnswer(os::IDNO);
    // Only the last level of the destination is created by the program.
    m.MakeDirectories(destination.substr(0, destination.rfind('\\')));
    KnowTheFiles(m, destination, (config & ProgramsFail) != 0, data + 1, size - 1);
    const scenario::RunResult installed = scenario::Install(m, package, destination);
    CheckRun(installed, "install");
    if (installed.exitCode != 0 || (config & InstallOnly)) return 0;

    const std::string name = UninstallerName(data + 1, size - 1);
    if (name.empty() || !m.Exists(scenario::JoinPath(destination, name))) return 0;
    const scenario::RunResult removed = scenario::Uninstall(m, destination, name);
    CheckRun(removed, "uninstall");
    return 0;
}
