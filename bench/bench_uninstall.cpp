// RemoveDirectoryFiles on the simulated Windows: a directory of 1,000, 2,000,
// 5,000 and 20,000 files, and the largest count among entries that stay
// (500 subdirectories and 500 files held open by another process), against
// `rm -r` of the same tree on the same disk. The time per file shows whether
// the work grows with the count of entries or faster.
// The machine reads the directory at every lookup, as the tests' machine
// does: the names here are looked up in the case they are stored in, and
// the name cache of bench_install makes no difference.
//
//   bench_uninstall [counts...]     default 1000 2000 5000 20000
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_util.h"
#include "uninstall/uninstall.h"
#include "unit/shell_engine_run.h"

namespace {

constexpr const char* Directory = "C:\\APP\\DATA";

struct Case {
    std::size_t files;
    std::size_t subdirectories;  // stay
    std::size_t inUse;           // stay
};

std::string Name(std::size_t i) {
    char text[32];
    std::snprintf(text, sizeof text, "F%06zu.DAT", i);
    return text;
}

// The directory on a fresh machine, ready for RemoveDirectoryFiles.
std::unique_ptr<enginetest::EngineRun> Prepare(const Case& c) {
    auto e = std::make_unique<enginetest::EngineRun>(sim::Machine::NT40());
    e->Bind(true);
    e->m.MakeDirectories(Directory);
    const std::string dir = Directory;
    const bench::Bytes data(100, 'x');
    // Written straight into the sandbox: the machine gives files it has not
    // met the attributes of a new file (archive) when it first meets them.
    const std::string host = e->m.HostPath(dir);
    for (std::size_t i = 0; i < c.files + c.inUse; ++i) bench::WriteHostFile(host + "/" + Name(i), data);
    for (std::size_t i = 0; i < c.inUse; ++i) e->m.LockFile(dir + "\\" + Name(c.files + i));
    for (std::size_t i = 0; i < c.subdirectories; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "\\SUB%05zu", i);
        e->m.MakeDirectories(dir + text);
    }
    return e;
}

void PrepareHost(const Case& c, const std::string& tree) {
    bench::RemoveTree(tree);
    std::filesystem::create_directories(tree);
    const bench::Bytes data(100, 'x');
    for (std::size_t i = 0; i < c.files + c.inUse; ++i) bench::WriteHostFile(tree + "/" + Name(i), data);
    for (std::size_t i = 0; i < c.subdirectories; ++i)
        std::filesystem::create_directories(tree + "/SUB" + std::to_string(i));
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<Case> cases;
    for (int i = 1; i < argc; ++i) cases.push_back({std::strtoull(argv[i], nullptr, 10), 0, 0});
    if (cases.empty()) cases = {{1000, 0, 0}, {2000, 0, 0}, {5000, 0, 0}, {20000, 0, 0}};
    const std::size_t largest = cases.back().files;
    cases.push_back({largest, 500, 500});
    const int runs = bench::Runs();
    const std::string tree = "/tmp/bench-uninstall-tree";

    double first = 0;
    std::size_t firstCount = 0;
    for (const Case& c : cases) {
        std::unique_ptr<enginetest::EngineRun> e;
        std::size_t left = 0;
        const double ours = bench::MedianSeconds(
            runs, [&] { e.reset(); e = Prepare(c); },
            [&] { RemoveDirectoryFiles(e->run, enginetest::ProgressWindow, Directory, false); });
        left = e->m.ListDirectory(Directory).size();
        e.reset();
        const double rm = bench::MedianSeconds(
            runs, [&] { PrepareHost(c, tree); }, [&] { bench::Shell("rm -r '" + tree + "'"); });
        std::string figure = "RemoveDirectoryFiles, " + std::to_string(c.files) + " files";
        char perFile[64];
        std::snprintf(perFile, sizeof perFile, "; %.1f us per entry",
                      ours * 1e6 / double(c.files + c.subdirectories + c.inUse));
        std::string note = "rm -r of the same tree; above 1 is faster" + std::string(perFile);
        if (c.subdirectories || c.inUse) {
            figure += " + " + std::to_string(c.subdirectories) + " subdirectories + " +
                      std::to_string(c.inUse) + " files in use";
        } else if (firstCount == 0) {
            first = ours;
            firstCount = c.files;
        } else {
            char growth[96];
            std::snprintf(growth, sizeof growth, "; %.1fx the time of %zu files for %.1fx the count",
                          ours / first, firstCount, double(c.files) / double(firstCount));
            note += growth;
        }
        if (left != c.subdirectories + c.inUse)
            note += "; UNEXPECTED: " + std::to_string(left) + " entries left";
        bench::Row(figure, bench::Seconds(ours), bench::Seconds(rm), rm / ours, note);
    }
    bench::RemoveTree(tree);
    return 0;
}
