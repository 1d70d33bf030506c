// Processes: CreateProcess resolves the program from the command line the way
// Windows does (an unquoted path with blanks tries each blank in turn, so
// C:\Program Files\x.exe may start C:\Program.exe), starts registered
// programs, and batch files are recorded and can be interpreted afterwards.
#include "platform/sim/state.h"

namespace sim {

namespace {

constexpr int MaxBatchSteps = 10000;

bool HasExtension(const std::string& path) {
    std::string leaf = LeafName(path);
    return leaf.find('.') != std::string::npos;
}

bool IsBatch(const std::string& path) {
    std::string u = Upper(path);
    return u.size() > 4 && (u.compare(u.size() - 4, 4, ".BAT") == 0 ||
                            u.compare(u.size() - 4, 4, ".CMD") == 0);
}

// Splits a batch line's arguments: blanks separate, double quotes group.
std::vector<std::string> Arguments(const std::string& text) {
    std::vector<std::string> out;
    std::string current;
    bool quoted = false;
    bool any = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
            continue;
        }
        if (!quoted && (c == ' ' || c == '\t')) {
            if (any) out.push_back(current);
            current.clear();
            any = false;
            continue;
        }
        current += c;
        any = true;
    }
    if (any) out.push_back(current);
    return out;
}

std::string Trim(const std::string& text) {
    std::size_t a = text.find_first_not_of(" \t\r");
    if (a == std::string::npos) return std::string();
    std::size_t b = text.find_last_not_of(" \t\r");
    return text.substr(a, b - a + 1);
}

}  // namespace

os::ProcessHandle PlatformCalls::CreateProcess(const char* commandLine, int show,
                                               std::uint32_t creationFlags) {
    if (s_->Fails("CreateProcess")) return 0;
    std::string line = Str(commandLine);
    StartedProcess record{line, show, creationFlags, std::string()};
    std::string program;
    auto exists = [&](const std::string& path) {
        std::string host = s_->Resolve(path);
        return !host.empty() && !s_->HostIsDirectory(host);
    };
    std::string trimmed = line.substr(line.find_first_not_of(' ') == std::string::npos
                                          ? line.size()
                                          : line.find_first_not_of(' '));
    if (!trimmed.empty() && trimmed[0] == '"') {
        std::size_t close = trimmed.find('"', 1);
        std::string candidate = trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        if (!HasExtension(candidate)) candidate += ".exe";
        if (exists(candidate)) program = candidate;
    } else {
        // Each blank may end the program's name: the shortest existing one wins.
        std::size_t from = 0;
        for (;;) {
            std::size_t blank = trimmed.find(' ', from);
            std::string candidate = trimmed.substr(0, blank);
            std::string tried = HasExtension(candidate) ? candidate : candidate + ".exe";
            if (!candidate.empty() && exists(tried)) {
                program = tried;
                break;
            }
            if (blank == std::string::npos) break;
            from = blank + 1;
        }
    }
    if (program.empty()) {
        s_->started.push_back(record);
        s_->lastError = os::ERROR_FILE_NOT_FOUND;
        return 0;
    }
    std::string key = PathKey(s_->Absolute(program));
    ProcessRecord process;
    if (IsBatch(program)) {
        process.exitCode = 0;
    } else {
        auto it = s_->programs.find(key);
        if (it == s_->programs.end()) {
            s_->started.push_back(record);
            s_->lastError = os::ERROR_FILE_NOT_FOUND;
            return 0;
        }
        process.exitCode = it->second.exitCode;
        process.pollsLeft = it->second.pollsBeforeExit;
    }
    record.program = program;
    s_->started.push_back(record);
    os::ProcessHandle h = s_->nextHandle++;
    s_->processes[h] = process;
    auto it = s_->programs.find(key);
    if (it != s_->programs.end() && it->second.effect) {
        ProgramEffect effect = it->second.effect;
        effect(TheMachine(), line);
    }
    return h;
}

bool PlatformCalls::GetExitCodeProcess(os::ProcessHandle process, std::uint32_t* code) {
    if (s_->Fails("GetExitCodeProcess")) return false;
    auto it = s_->processes.find(process);
    if (it == s_->processes.end()) {
        s_->lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    std::uint32_t value = it->second.exitCode;
    if (it->second.pollsLeft > 0) {
        --it->second.pollsLeft;
        value = os::STILL_ACTIVE;
    }
    if (code) *code = value;
    return true;
}

bool PlatformCalls::CloseProcess(os::ProcessHandle process) {
    if (s_->Fails("CloseProcess")) return false;
    if (!s_->processes.erase(process)) {
        s_->lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    return true;
}

// ---- Test helpers ------------------------------------------------------------------

void Machine::AddProgram(const std::string& path, std::uint32_t exitCode, ProgramEffect effect,
                         int pollsBeforeExit) {
    s_->programs[PathKey(s_->Absolute(path))] = Program{exitCode, effect, pollsBeforeExit};
}

const std::vector<StartedProcess>& Machine::StartedProcesses() const { return s_->started; }

namespace {

// The command interpreter's percent expansion: "%%" is one percent sign,
// "%1" to "%9" the batch's arguments and "%NAME%" an environment variable,
// of which the simulated machine sets only WINDIR.
std::string ExpandPercents(const std::string& line, const std::vector<std::string>& arguments,
                           const std::string& windowsDir) {
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '%') {
            out += line[i];
        } else if (i + 1 < line.size() && line[i + 1] == '%') {
            out += '%';
            ++i;
        } else if (i + 1 < line.size() && line[i + 1] >= '1' && line[i + 1] <= '9') {
            std::size_t n = static_cast<std::size_t>(line[i + 1] - '1');
            if (n < arguments.size()) out += arguments[n];
            ++i;
        } else {
            std::size_t end = line.find('%', i + 1);
            if (end == std::string::npos) break;  // a lone percent sign is dropped
            if (Upper(line.substr(i + 1, end - i - 1)) == "WINDIR") out += windowsDir;
            i = end;
        }
    }
    return out;
}

// The seconds a wait command of the batch takes: "ping -n N host" sends N
// echoes a second apart, "choice /t:c,N" takes its default after N seconds.
int WaitSeconds(const std::vector<std::string>& args) {
    const std::string verb = Upper(args[0]);
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string a = Upper(args[i]);
        if (verb == "PING" && a == "-N" && i + 1 < args.size()) return std::stoi(args[i + 1]) - 1;
        if (verb == "CHOICE" && a.rfind("/T:", 0) == 0 && a.find(',') != std::string::npos)
            return std::stoi(a.substr(a.find(',') + 1));
    }
    return -1;
}

}  // namespace

int Machine::BatchSecondsWaited() const { return s_->batchSecondsWaited; }

bool Machine::RunBatch(const std::string& path, const std::string& arguments) {
    std::vector<std::string> parameters = Arguments(arguments);
    std::string text = ReadText(path);
    if (!Exists(path)) return false;
    std::vector<std::string> lines;
    std::string current;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(Trim(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) lines.push_back(Trim(current));

    // The batch acts as another process: its calls are neither counted nor failed.
    auto savedFailures = s_->failures;
    auto savedCalls = s_->calls;
    auto savedError = s_->lastError;
    s_->failures.clear();
    auto restore = [&]() {
        s_->failures = savedFailures;
        s_->calls = savedCalls;
        s_->lastError = savedError;
    };
    std::string batchKey = PathKey(s_->Absolute(path));
    auto labelLine = [&](const std::string& label) -> long {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (!lines[i].empty() && lines[i][0] == ':' && SameText(Trim(lines[i].substr(1)), label))
                return static_cast<long>(i);
        }
        return -1;
    };
    std::size_t pc = 0;
    for (int steps = 0; pc < lines.size(); ++steps) {
        if (steps > MaxBatchSteps) {
            restore();
            return false;
        }
        std::string l = ExpandPercents(lines[pc++], parameters, s_->windowsDir);
        std::string u = Upper(l);
        if (l.empty() || u == "@ECHO OFF" || l[0] == ':' || u.rfind("REM", 0) == 0) continue;
        std::vector<std::string> args = Arguments(l);
        // "if [not] exist PATH command" and "if [not] "a"=="b" command": the
        // command runs when the condition holds. The quotes are gone by now:
        // "%1"=="" reads "1==".
        bool afterIf = false;
        while (args.size() >= 3 && Upper(args[0]) == "IF") {
            std::size_t at = 1;
            bool negate = Upper(args[at]) == "NOT";
            if (negate) ++at;
            bool holds;
            if (Upper(args[at]) == "EXIST" && at + 2 < args.size()) {
                holds = Exists(args[at + 1]);
                at += 2;
            } else if (args[at].find("==") != std::string::npos && at + 1 < args.size()) {
                const std::size_t equals = args[at].find("==");
                holds = args[at].substr(0, equals) == args[at].substr(equals + 2);
                at += 1;
            } else {
                restore();
                return false;
            }
            if (holds == negate) {
                args.clear();
                break;
            }
            args.erase(args.begin(), args.begin() + static_cast<std::ptrdiff_t>(at));
            afterIf = true;
        }
        if (args.empty()) continue;
        std::string verb = Upper(args[0]);
        if (verb == "DEL" || verb == "ERASE") {
            bool selfDeleted = false;
            for (std::size_t i = 1; i < args.size(); ++i) {
                bool self = PathKey(s_->Absolute(args[i])) == batchKey;
                if (DeleteFile(args[i].c_str()) && self) selfDeleted = true;
            }
            // A batch file that deleted itself cannot read its next line.
            if (selfDeleted) break;
            continue;
        }
        if (verb == "RD" || verb == "RMDIR") {
            for (std::size_t i = 1; i < args.size(); ++i) RemoveDirectory(args[i].c_str());
            continue;
        }
        if (verb == "SHIFT") {
            if (!parameters.empty()) parameters.erase(parameters.begin());
            continue;
        }
        if (verb == "PING" || verb == "CHOICE") {
            const int seconds = WaitSeconds(args);
            if (seconds < 0) {
                restore();
                return false;
            }
            s_->batchSecondsWaited += seconds;
            continue;
        }
        if (verb == "GOTO" && args.size() >= 2) {
            long target = labelLine(args[1]);
            if (target < 0) {
                restore();
                return false;
            }
            pc = static_cast<std::size_t>(target);
            continue;
        }
        // "if exist C:\Program Files\x goto a": the condition held a cut path
        // and the rest is run as a command that does not exist.
        if (afterIf) continue;
        restore();
        return false;
    }
    restore();
    return true;
}

}  // namespace sim
