// The failure-injection sweep: a run is made once undisturbed to learn which
// platform calls it makes and how often, then once more for every one of
// those calls with that call failing. Every injected run must end cleanly:
// exit code 0 or 1, a failed run explained by an error box, and every memory
// block, file handle, registry key, library and service handle given back.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "support/scenario.h"

namespace sweep {

struct Point {
    std::string call;  // the os::Platform method
    int nth = 0;       // 1-based among the calls of that method in the run
    std::string Name() const { return call + "#" + std::to_string(nth); }
};

// The calls a run made (the difference of two counts), each call index a
// failure point. Free and GetLastError cannot fail and are left out.
inline std::vector<Point> FailurePoints(const std::map<std::string, int>& before,
                                        const std::map<std::string, int>& after) {
    static const std::set<std::string> cannotFail = {"Free", "GetLastError"};
    std::vector<Point> points;
    for (const auto& [call, count] : after) {
        if (cannotFail.count(call)) continue;
        auto old = before.find(call);
        const int first = old == before.end() ? 1 : old->second + 1;
        for (int n = first; n <= count; ++n) points.push_back(Point{call, n});
    }
    return points;
}

// The error each failing call reports: a full disk for writes, no memory for
// blocks, access denied for everything else.
inline std::uint32_t ErrorFor(const std::string& call) {
    if (call == "Alloc") return os::ERROR_NOT_ENOUGH_MEMORY;
    if (call == "HWrite" || call == "LZCopy") return 112;  // ERROR_DISK_FULL
    return os::ERROR_ACCESS_DENIED;
}

// The uninstaller without its installation record: the record tells what
// the run found, which an injected failure of a look may change.
inline sim::Bytes WithoutRecord(sim::Bytes bytes) {
    const std::size_t n = bytes.size();
    if (n < 12 || std::string(bytes.end() - 8, bytes.end()) != "iNStReC1") return bytes;
    const std::size_t length = bytes[n - 12] | bytes[n - 11] << 8 | bytes[n - 10] << 16 |
                               static_cast<std::size_t>(bytes[n - 9]) << 24;
    if (length + 12 <= n) bytes.resize(n - 12 - length);
    return bytes;
}

inline bool IsErrorBox(const sim::Box& box) { return (box.type & 0xF0u) == os::MB_ICONERROR; }

inline bool ShowedError(const scenario::RunResult& r) {
    for (const sim::Box& b : r.boxes)
        if (IsErrorBox(b)) return true;
    return false;
}

// A close that fails leaves its handle open in the simulated machine; the
// program cannot do better than not use it again, so one handle of that kind
// may stay.
inline std::size_t HandlesAllowed(const Point& p, std::initializer_list<const char*> closes) {
    for (const char* close : closes)
        if (p.call == close) return 1;
    return 0;
}

// Failures of the dialog mechanics themselves (the progress dialog's private
// message never arriving, a dialog that cannot be ended) leave no window to
// show a box in; such a run may end with exit code 1 without one.
inline bool MayFailSilently(const Point& p) {
    return p.call == "MessageBox" || p.call == "PostMessage" || p.call == "EndDialog";
}

// What is wrong with one injected run, "" when nothing.
inline std::string Problems(const sim::Machine& m, const scenario::RunResult& r, const Point& p) {
    std::string out;
    auto add = [&out](const std::string& what) { out += (out.empty() ? "" : "; ") + what; };
    if (r.exitCode != 0 && r.exitCode != 1) add("exit code " + std::to_string(r.exitCode));
    if (r.exitCode == 1 && !ShowedError(r) && !MayFailSilently(p)) add("failed without an error box");
    if (r.outstandingBlocks != 0) add(std::to_string(r.outstandingBlocks) + " blocks not released");
    if (r.openFiles > HandlesAllowed(p, {"LClose", "CloseHandle", "LZClose"}))
        add(std::to_string(r.openFiles) + " files left open");
    if (r.openKeys > HandlesAllowed(p, {"RegCloseKey"}))
        add(std::to_string(r.openKeys) + " registry keys left open");
    if (m.LoadedLibraries() > HandlesAllowed(p, {"FreeLibrary"})) add("a library left loaded");
    if (m.OpenServiceHandles() > HandlesAllowed(p, {"CloseServiceHandle"}))
        add(std::to_string(m.OpenServiceHandles()) + " service handles left open");
    return out;
}

struct Totals {
    int runs = 0;
    std::set<std::string> calls;
    int succeeded = 0;
    int failed = 0;
};

// Sweeps one scenario. `prepare` makes the machine ready for the run under
// test (and may itself run the program, e.g. an installation before an
// uninstallation); `run` is the run under test; `check` may add problems of
// its own for a run that ended with exit code 0. Returns the problems found,
// one line per failure point.
inline std::vector<std::string> Sweep(
    const std::function<sim::Machine()>& prepare,
    const std::function<scenario::RunResult(sim::Machine&)>& run,
    const std::function<std::string(const sim::Machine&, const scenario::RunResult&)>& checkSuccess,
    Totals& totals) {
    std::vector<std::string> problems;
    sim::Machine base = prepare();
    const std::map<std::string, int> before = base.CallCounts();
    const scenario::RunResult undisturbed = run(base);
    if (undisturbed.exitCode != 0) return {"the undisturbed run failed"};
    const std::vector<Point> points = FailurePoints(before, base.CallCounts());
    for (const Point& p : points) {
        sim::Machine m = prepare();
        m.FailCall(p.call, p.nth, ErrorFor(p.call));
        const scenario::RunResult r = run(m);
        std::string what = Problems(m, r, p);
        if (r.exitCode == 0 && checkSuccess) {
            const std::string extra = checkSuccess(m, r);
            if (!extra.empty()) what += (what.empty() ? "" : "; ") + extra;
        }
        if (!what.empty()) problems.push_back(p.Name() + ": " + what);
        ++totals.runs;
        totals.calls.insert(p.call);
        (r.exitCode == 0 ? totals.succeeded : totals.failed) += 1;
    }
    return problems;
}

inline void Print(const char* what, const Totals& t) {
    std::printf("[ sweep    ] %s: %d injected runs at %d failure points over %zu kinds of call; "
                "%d ended with exit code 0, %d with exit code 1\n",
                what, t.runs, t.runs, t.calls.size(), t.succeeded, t.failed);
}

}  // namespace sweep
