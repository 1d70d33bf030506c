// Installation throughput on the simulated Windows (real files in the
// sandbox): packages built from the corpus, installed end to end by the
// whole program, against `cp -r` of the same tree on the same disk; and the
// peak memory of an installation, set by the largest StoredSize.
//
//   bench_install [total MiB] [files]
//   bench_install --one <package> <destination>   one installation in this
//       process; prints "seconds maxrss-bytes" (used by the above)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_util.h"
#include "platform/sim/machine.h"
#include "platform/sim/name_cache.h"
#include "run/main_sequence.h"
#include "support/package_builder.h"
#include "szdd/szdd.h"

namespace {

using bench::Bytes;

struct Kit {
    std::string name;         // "mixed", "stored", "compressed"
    std::string packagePath;  // host path of the package
    std::string treePath;     // host path of the same files, for cp -r
    std::size_t installedBytes = 0;
    std::size_t largestStored = 0;
    std::size_t files = 0;
};

long MaxRssBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss * 1024L;
}

// One installation on a fresh machine; the package is copied into the
// sandbox before the clock starts.
int InstallOnce(const std::string& package, const std::string& destination) {
    sim::Machine m = sim::Machine::NT40();
    sim::UseNameCache(m);
    m.SetFreeSpace('C', 64ull << 30);
    m.WriteFile("C:\\SETUP.EXE", Bytes{});
    std::filesystem::copy_file(package, m.HostPath("C:\\SETUP.EXE"),
                               std::filesystem::copy_options::overwrite_existing);
    m.SetModuleFileName("C:\\SETUP.EXE");
    m.TypeDestination(destination);
    m.PressInstall();
    ::sync();  // the copy of the package reaches the disk before the clock starts
    const long rssBefore = MaxRssBytes();
    const double start = bench::Now();
    const int exitCode = RunProgram(m, "");
    const double seconds = bench::Now() - start;
    std::printf("%.6f %ld %ld %d\n", seconds, MaxRssBytes(), rssBefore, exitCode);
    return exitCode;
}

struct OneRun {
    double seconds = 0;
    long maxRss = 0;
    long rssBefore = 0;
    int exitCode = -1;
};

OneRun RunChild(const std::string& self, const Kit& kit) {
    OneRun r;
    const std::string command = "'" + self + "' --one '" + kit.packagePath + "' 'C:\\APP'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return r;
    const bool read = std::fscanf(pipe, "%lf %ld %ld %d", &r.seconds, &r.maxRss, &r.rssBefore, &r.exitCode) == 4;
    const int status = ::pclose(pipe);
    // No result printed: -N when a signal N ended the run, -1 otherwise.
    if (!read) r.exitCode = WIFSIGNALED(status) ? -WTERMSIG(status) : -1;
    return r;
}

Kit MakeKit(const std::string& work, const std::string& name,
            const std::vector<bench::Piece>& pieces, const std::vector<Bytes>& packed,
            const std::vector<int>& chosen, bool (*compress)(std::size_t)) {
    Kit kit;
    kit.name = name;
    kit.packagePath = work + "/" + name + ".exe";
    kit.treePath = work + "/" + name + "-tree";
    std::filesystem::create_directories(kit.treePath);
    PackageBuilder b;
    b.Title("Bench").UninstallTitle("Bench Uninstall").Uninstaller("UNINST.EXE")
        .DefaultSubdir("APP").CreateLog();
    for (int i : chosen) {
        const bench::Piece& p = pieces[static_cast<std::size_t>(i)];
        b.File(p.name, p.data);
        if (compress(static_cast<std::size_t>(i))) {
            b.StoredData(packed[static_cast<std::size_t>(i)]);
            b.LastFile().Compressed = 1;
        }
        kit.largestStored = std::max<std::size_t>(kit.largestStored, b.LastFile().StoredSize);
        kit.installedBytes += p.data.size();
        ++kit.files;
        bench::WriteHostFile(kit.treePath + "/" + p.name, p.data);
    }
    bench::WriteHostFile(kit.packagePath, b.Build());
    return kit;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--one") == 0) return InstallOnce(argv[2], argv[3]);

    const std::size_t totalMib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
    const std::size_t wantFiles = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 2000;
    const std::string work = "/tmp/bench-install";
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    const int runs = bench::Runs();

    // Pieces of about total/files bytes on average (2 KiB up to ~5.6x the
    // average, evenly on a log scale).
    const std::size_t average = (totalMib << 20) / wantFiles;
    std::vector<bench::Piece> pieces = bench::MakeCorpus(totalMib << 20, average * 56 / 10);
    if (pieces.size() > wantFiles) pieces.resize(wantFiles);
    // Every other file is compressed.
    auto odd = [](std::size_t i) { return i % 2 == 1; };
    std::vector<Bytes> packed(pieces.size());
    for (std::size_t i = 0; i < pieces.size(); ++i)
        if (odd(i)) packed[i] = szdd::Compress(pieces[i].data.data(), pieces[i].data.size(),
                                               pieces[i].name.back());

    bench::RemoveTree(work);
    std::filesystem::create_directories(work);
    std::vector<int> all, even, oddOnes;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        all.push_back(static_cast<int>(i));
        (odd(i) ? oddOnes : even).push_back(static_cast<int>(i));
    }
    std::vector<Kit> kits;
    kits.push_back(MakeKit(work, "mixed", pieces, packed, all, [](std::size_t i) { return i % 2 == 1; }));
    kits.push_back(MakeKit(work, "stored", pieces, packed, even, [](std::size_t) { return false; }));
    kits.push_back(MakeKit(work, "compressed", pieces, packed, oddOnes, [](std::size_t) { return true; }));
    pieces.clear();
    packed.clear();

    for (const Kit& kit : kits) {
        // The two are measured in turns, each after the disk has taken the
        // writes of the one before (sync), so both meet the same disk state.
        std::vector<double> ours;
        std::vector<double> copies;
        std::vector<long> rss;
        std::vector<long> rssBefore;
        std::string failures;  // the exit codes of failed runs (-1: no result printed)
        const std::string copy = work + "/copy";
        for (int i = 0; i < runs; ++i) {
            bench::Shell("sync");
            OneRun r = RunChild(self, kit);
            if (r.exitCode != 0) failures += (failures.empty() ? "" : ", ") + std::to_string(r.exitCode);
            ours.push_back(r.seconds);
            rss.push_back(r.maxRss);
            rssBefore.push_back(r.rssBefore);
            bench::RemoveTree(copy);
            bench::Shell("sync");
            const double start = bench::Now();
            bench::Shell("cp -r '" + kit.treePath + "' '" + copy + "'");
            copies.push_back(bench::Now() - start);
        }
        bench::RemoveTree(copy);
        const double cp = bench::Median(copies);
        const double oursSeconds = bench::Median(ours);
        const double bytes = double(kit.installedBytes);
        std::string figure = "Install on the simulated NT 4.0, " + kit.name + " (" +
                             std::to_string(kit.files) + " files, " + bench::Mib(bytes) + ")";
        bench::Row(figure, bench::MibPerSecond(bytes / oursSeconds) + " (" + bench::Seconds(oursSeconds) + ")",
                   bench::MibPerSecond(bytes / cp) + " (" + bench::Seconds(cp) + ")", cp / oursSeconds,
                   std::string("cp -r of the same tree; above 1 is faster") +
                       (failures.empty() ? "" : "; AN INSTALLATION FAILED, exit codes " + failures));
        std::sort(rss.begin(), rss.end());
        std::sort(rssBefore.begin(), rssBefore.end());
        const long peak = rss[rss.size() / 2];
        const long before = rssBefore[rssBefore.size() / 2];
        bench::Row("Peak memory, install " + kit.name,
                   bench::Mib(double(peak)) + " (+" + bench::Mib(double(peak - before)) + " over start)",
                   "largest StoredSize " + bench::Mib(double(kit.largestStored)));
    }
    bench::RemoveTree(work);
    return 0;
}
