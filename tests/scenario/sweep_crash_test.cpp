// The installation killed call by call: for every N the installing program
// dies right after its Nth platform call (no final sequence, nothing
// released), the installation is then run again to its end, and the product
// is uninstalled. The machine must end as a clean installation and
// uninstallation leave it, SharedDLLs counts aside: the record written ahead
// of the work tells the second run what was there before the first.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "sweep_harness.h"

using ::testing::IsEmpty;

namespace {

const char Destination[] = "C:\\APP";
const char Shared[] = "SharedDLLs";

// One of each kind of record, and beside them what the user had before: a
// WIN.INI the package keeps, a directory of its own in the Windows directory
// with a file in it, and a key with a value and a subkey.
Bytes Package() {
    PackageBuilder b = scenario::AppPackage();
    b.UninstallDisplayName("App 1.0").UninstallItemName("Uninstall App").UninstallItemAlways()
        .Dir("DATA")
        .Dir("INF").InWindowsDir()
        .File("APP.EXE", TextBytes("the program")).Vital().AppPath()
        .File("README.TXT", PatternBytes(300)).Compressed().Vital().InDir("DATA")
        .File("APP.INF", TextBytes("app inf")).Vital().InDir("INF")
        .File("WIN.INI", TextBytes("[app]\r\n")).InWindowsDir().OverwriteMode(2)
        .File("COMMON.DLL", TextBytes("shared")).Vital().InSystemDir().Shared()
        .Group("App").Item("App", "APP.EXE")
        .RegKey(os::HKEY_LOCAL_MACHINE, "Software\\App").Value("Path", os::REG_SZ, "C:\\APP")
        .RegKey(os::HKEY_CURRENT_USER, "Software\\Settings").Value("App", 3);
    return b.Build();
}

sim::Machine Prepared(sim::Machine (*make)()) {
    sim::Machine m = make();
    m.CreateKey(os::HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
    m.WriteFile("C:\\WINDOWS\\WIN.INI", "[windows]\r\nload=\r\n");
    m.WriteFile("C:\\WINDOWS\\INF\\MACHINE.INF", "the machine's own");
    m.SetString(os::HKEY_CURRENT_USER, "Software\\Settings", "Colour", "blue");
    m.CreateKey(os::HKEY_CURRENT_USER, "Software\\Settings\\Window");
    return m;
}

struct State {
    sim::FileSnapshot files;
    sim::RegistrySnapshot registry;
    std::vector<std::string> groups;
};

std::string BatchOf(const sim::Machine& m) {
    if (m.StartedProcesses().empty()) return "";
    std::string line = m.StartedProcesses().back().commandLine;
    if (line.size() < 2 || line.front() != '"') return "";
    return line.substr(1, line.find('"', 1) - 1);
}

// Installs to the end, uninstalls, runs the self-removal batch; "" when all
// of it went well.
std::string InstallAndUninstall(sim::Machine& m, const Bytes& package) {
    const scenario::RunResult installed = scenario::Install(m, package, Destination);
    if (installed.exitCode != 0)
        return "the installation failed: " + ::testing::PrintToString(installed.BoxSummary());
    const scenario::RunResult removed = scenario::Uninstall(m, Destination);
    if (removed.exitCode != 0)
        return "the uninstallation failed: " + ::testing::PrintToString(removed.BoxSummary());
    if (!m.RunBatch(BatchOf(m))) return "the batch did not run";
    return "";
}

State StateOf(const sim::Machine& m) {
    State s;
    s.files = m.SnapshotFiles();
    for (const std::string& line : m.SnapshotRegistry())
        if (line.find("\\SHAREDDLLS|") == std::string::npos) s.registry.push_back(line);
    for (const sim::ProgramGroup& g : m.Groups()) {
        s.groups.push_back(g.name);
        for (const sim::ProgramItem& item : g.items) s.groups.push_back(g.name + "/" + item.title);
    }
    return s;
}

// What differs, "" when nothing.
std::string Difference(const State& want, const State& got) {
    std::string out;
    for (const auto& [path, entry] : want.files) {
        auto it = got.files.find(path);
        if (it == got.files.end()) out += " missing " + path + ";";
        else if (!(it->second == entry)) out += " changed " + path + ";";
    }
    for (const auto& [path, entry] : got.files)
        if (want.files.count(path) == 0) out += " left " + path + ";";
    for (const std::string& line : want.registry)
        if (std::find(got.registry.begin(), got.registry.end(), line) == got.registry.end())
            out += " missing " + line + ";";
    for (const std::string& line : got.registry)
        if (std::find(want.registry.begin(), want.registry.end(), line) == want.registry.end())
            out += " left " + line + ";";
    if (want.groups != got.groups) out += " groups " + ::testing::PrintToString(got.groups);
    return out;
}

void SweepKilledInstallations(sim::Machine (*make)(), const char* what) {
    const Bytes package = Package();
    sim::Machine clean = Prepared(make);
    const sim::FileSnapshot before = clean.SnapshotFiles();
    ASSERT_EQ(InstallAndUninstall(clean, package), "");
    const State want = StateOf(clean);
    // What the user had before is there, byte for byte.
    for (const char* path : {"C:\\WINDOWS\\WIN.INI", "C:\\WINDOWS\\INF\\MACHINE.INF"})
        EXPECT_TRUE(want.files.at(path) == before.at(path)) << path;
    EXPECT_TRUE(clean.HasValue(os::HKEY_CURRENT_USER, "Software\\Settings", "Colour"));
    EXPECT_FALSE(clean.HasValue(os::HKEY_CURRENT_USER, "Software\\Settings", "App"));
    EXPECT_TRUE(clean.KeyExists(os::HKEY_CURRENT_USER, "Software\\Settings\\Window"));
    EXPECT_FALSE(clean.Exists("C:\\WINDOWS\\INF\\APP.INF"));
    EXPECT_FALSE(clean.KeyExists(os::HKEY_LOCAL_MACHINE, "Software\\App"));

    int runs = 0;
    std::vector<std::string> problems;
    for (int n = 1;; ++n) {
        sim::Machine m = Prepared(make);
        m.StopDeadAfter(n);
        scenario::Install(m, package, Destination);
        if (!m.Stopped()) break;  // the whole installation made fewer calls
        m.EndKilledProcess();
        ++runs;
        std::string problem = InstallAndUninstall(m, package);
        if (problem.empty()) problem = Difference(want, StateOf(m));
        if (!problem.empty()) problems.push_back("killed after call " + std::to_string(n) + ":" + problem);
    }
    std::printf("[ sweep    ] %s: %d installations killed, each installed again and uninstalled\n",
                what, runs);
    EXPECT_GT(runs, 100);
    EXPECT_THAT(problems, IsEmpty());
}

TEST(SweepKilledInstall, AKilledInstallationInstalledAgainUninstallsAsACleanOneOnNT4) {
    SweepKilledInstallations(sim::Machine::NT40, "killed installations on NT 4.0");
}

TEST(SweepKilledInstall, AKilledInstallationInstalledAgainUninstallsAsACleanOneOnWindows95) {
    SweepKilledInstallations(sim::Machine::Windows95, "killed installations on Windows 95");
}

}  // namespace
