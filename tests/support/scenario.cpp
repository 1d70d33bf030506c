#include "support/scenario.h"

#include "run/main_sequence.h"

namespace scenario {

void (*BoxBehindOtherWindows)(const std::string& text) = nullptr;

namespace {

bool EndsWithLogName(const std::string& path) {
    static const std::string name = "\\INSTLOG.TXT";
    return path.size() >= name.size() && path.compare(path.size() - name.size(), name.size(), name) == 0;
}

}  // namespace

std::vector<std::string> RunResult::BoxTexts() const {
    std::vector<std::string> out;
    for (const sim::Box& b : boxes) out.push_back(b.text);
    return out;
}

std::vector<std::string> RunResult::BoxCaptions() const {
    std::vector<std::string> out;
    for (const sim::Box& b : boxes) out.push_back(b.caption);
    return out;
}

std::vector<std::string> RunResult::BoxSummary() const {
    std::vector<std::string> out;
    for (const sim::Box& b : boxes) out.push_back(b.caption + "|" + b.text);
    return out;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

PackageBuilder AppPackage() {
    PackageBuilder b;
    b.Title("App")
        .UninstallTitle("App Uninstall")
        .Uninstaller("UNINST.EXE")
        .DefaultSubdir("APP")
        .CreateLog()
        .FinishedText("App is installed.")
        .UninstallQuestion("Remove App?");
    return b;
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == '\\') return directory + name;
    return directory + "\\" + name;
}

RunResult RunAsIs(sim::Machine& m, const std::string& tail) {
    // The log is whichever InstLog.txt this run created or changed; a log
    // from an earlier run that this one left alone is not this run's.
    sim::FileSnapshot before = m.SnapshotFiles();
    std::size_t boxesBefore = m.Boxes().size();

    RunResult r;
    r.exitCode = RunProgram(m, tail.c_str());

    const std::vector<sim::Box>& boxes = m.Boxes();
    r.boxes.assign(boxes.begin() + static_cast<std::ptrdiff_t>(boxesBefore), boxes.end());
    // Every box comes to the front: behind the program group the shell opens
    // after an installation, a box would look like a hung program.
    for (const sim::Box& box : r.boxes)
        if ((box.type & os::MB_SETFOREGROUND) == 0 && BoxBehindOtherWindows)
            BoxBehindOtherWindows(box.text);
    sim::FileSnapshot after = m.SnapshotFiles();
    for (const auto& [path, entry] : after) {
        if (entry.directory || !EndsWithLogName(path)) continue;
        auto old = before.find(path);
        if (old != before.end() && old->second == entry) continue;
        r.logPath = path;
        r.log.assign(entry.content.begin(), entry.content.end());
        break;
    }
    r.logLines = SplitLines(r.log);
    r.outstandingBlocks = m.OutstandingBlocks();
    r.openFiles = m.OpenFileHandles();
    r.openKeys = m.OpenRegistryKeys();
    return r;
}

RunResult RunPackage(sim::Machine& m, const Bytes& package, const std::string& tail,
                     const std::string& packagePath) {
    m.WriteFile(packagePath, package);
    m.SetModuleFileName(packagePath);
    return RunAsIs(m, tail);
}

RunResult Install(sim::Machine& m, const Bytes& package, const std::string& destination,
                  const std::string& packagePath) {
    m.TypeDestination(destination);
    m.PressInstall();
    return RunPackage(m, package, "", packagePath);
}

RunResult Uninstall(sim::Machine& m, const std::string& destination,
                    const std::string& uninstallerName) {
    m.SetModuleFileName(JoinPath(destination, uninstallerName));
    return RunAsIs(m, "");
}

}  // namespace scenario
