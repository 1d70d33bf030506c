// Arbitrary bytes as the package file: open it, find the marker, read and
// check the installation information, check the package's length, and
// resolve every record path. Nothing may crash or read out of bounds, and
// every block and handle the reader took must be given back.
#include <cstring>
#include <memory>

#include "fuzz_check.h"
#include "package/package.h"
#include "platform/sim/machine.h"
#include "run/run.h"

namespace {

constexpr const char* PackagePath = "C:\\SETUP.EXE";

// One machine serves many inputs (a new one costs a sandbox directory); it
// is renewed now and then so the boxes it records do not pile up.
sim::Machine& SharedMachine() {
    static std::unique_ptr<sim::Machine> machine;
    static unsigned uses = 0;
    if (!machine || ++uses % 512 == 0)
        machine = std::make_unique<sim::Machine>(sim::Machine::NT40());
    return *machine;
}

char* PathBlock(Run& run, const char* text) {
    char* block = static_cast<char*>(run.os.Alloc(PathSize));
    if (block) std::strncpy(block, text, PathSize - 1);
    return block;
}

template <typename T>
void Release(Run& run, T*& block) {
    if (block) run.os.Free(block);
    block = nullptr;
}

// Every path the install would build, into exact-size buffers so that a
// write past 260 bytes is caught.
void ResolveEveryPath(Run& run) {
    run.DestinationDir = PathBlock(run, "C:\\Program Files\\APP");
    run.WindowsDir = PathBlock(run, "C:\\WINDOWS");
    run.SystemDir = PathBlock(run, "C:\\WINDOWS\\SYSTEM32");
    if (!CheckPaths(run)) return;
    std::unique_ptr<char[]> path(new char[PathSize]);
    for (std::uint32_t i = 0; i < run.Header->DirCount; ++i) {
        const std::size_t length = DirPath(run, i, path.get());
        fuzz::Require(length > 0 && length < PathSize && std::strlen(path.get()) == length,
                      "a directory path that passed CheckPaths resolves within 259 characters");
    }
    for (std::uint32_t i = 0; i < run.Header->FileCount; ++i) {
        const std::size_t length = FilePath(run, i, path.get());
        fuzz::Require(length > 0 && length < PathSize && std::strlen(path.get()) == length,
                      "a file path that passed CheckPaths resolves within 259 characters");
    }
}

void ReleaseRun(Run& run) {
    Release(run, run.ScanBuffer);
    Release(run, run.Header);
    Release(run, run.Files);
    Release(run, run.Dirs);
    Release(run, run.Groups);
    Release(run, run.Items);
    Release(run, run.RegKeys);
    Release(run, run.RegValues);
    Release(run, run.DestinationDir);
    Release(run, run.WindowsDir);
    Release(run, run.SystemDir);
    if (run.Package != os::InvalidFile) run.os.LClose(run.Package);
    run.Package = os::InvalidFile;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sim::Machine& m = SharedMachine();
    m.WriteFile(PackagePath, sim::Bytes(data, data + size));
    const std::size_t boxesBefore = m.Boxes().size();
    {
        Run run(m);
        const bool read = OpenPackage(run, PackagePath) && FindInfoMarker(run) &&
                          ReadInstallInfo(run);
        if (read) {
            fuzz::Require(run.InfoSize >= HeaderRecordSize, "InfoSize counts at least the header");
            if (CheckReferences(run) && CheckPackageLength(run)) ResolveEveryPath(run);
        }
        // A refusal is always explained to the user.
        const bool refused = m.Boxes().size() > boxesBefore;
        fuzz::Require(read || refused, "a package that was not read was refused with a box");
        ReleaseRun(run);
    }
    fuzz::Require(m.OutstandingBlocks() == 0, "every block the reader took is released");
    fuzz::Require(m.OpenFileHandles() == 0, "the package file is closed");
    return 0;
}
