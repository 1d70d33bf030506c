// The program manager's DDE server: the conversation "PROGMAN", the command
// language (CreateGroup, ShowGroup, AddItem, DeleteItem, DeleteGroup) parsed
// from the execute texts, the groups and items it keeps, and the knobs that
// refuse the connection, fail a command or time out the acknowledgement.
#include <cstdlib>
#include <cstring>

#include "platform/sim/state.h"

namespace sim {

namespace {

constexpr unsigned DMLERR_INVALIDPARAMETER = 0x4006;
constexpr unsigned DMLERR_DLL_NOT_INITIALIZED = 0x4003;

struct Command {
    std::string name;
    std::vector<std::string> args;
};

std::string Trim(const std::string& text) {
    std::size_t a = text.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return std::string();
    std::size_t b = text.find_last_not_of(" \t\r\n");
    return text.substr(a, b - a + 1);
}

// An argument wholly in double quotes loses them; any other stays as written.
std::string Unquote(const std::string& arg) {
    std::string t = Trim(arg);
    if (t.size() >= 2 && t.front() == '"' && t.back() == '"' &&
        t.find('"', 1) == t.size() - 1) {
        return t.substr(1, t.size() - 2);
    }
    return t;
}

// Parses "[Name(arg,arg)][Name2(...)]"; false on anything else.
bool Parse(const std::string& text, std::vector<Command>& out) {
    std::size_t i = 0;
    auto skip = [&]() {
        while (i < text.size() && std::strchr(" \t\r\n", text[i])) ++i;
    };
    skip();
    if (i >= text.size()) return false;
    while (i < text.size()) {
        if (text[i] != '[') return false;
        ++i;
        skip();
        Command c;
        while (i < text.size() && text[i] != '(' && text[i] != ']') c.name += text[i++];
        c.name = Trim(c.name);
        if (c.name.empty() || i >= text.size()) return false;
        if (text[i] == '(') {
            ++i;
            std::string arg;
            bool quoted = false;
            bool closed = false;
            while (i < text.size()) {
                char ch = text[i++];
                if (ch == '"') quoted = !quoted;
                if (!quoted && ch == ',') {
                    c.args.push_back(arg);
                    arg.clear();
                    continue;
                }
                if (!quoted && ch == ')') {
                    closed = true;
                    break;
                }
                arg += ch;
            }
            if (!closed) return false;
            if (!Trim(arg).empty() || !c.args.empty()) c.args.push_back(arg);
            skip();
        }
        if (i >= text.size() || text[i] != ']') return false;
        ++i;
        out.push_back(c);
        skip();
    }
    return true;
}

ProgramGroup* GroupOf(State& s, const std::string& name) {
    for (ProgramGroup& g : s.groups) {
        if (SameText(g.name, name)) return &g;
    }
    return nullptr;
}

// The title the shell gives an item without one: the program's file name
// without its extension.
std::string DefaultTitle(const std::string& commandLine) {
    std::string program = commandLine;
    if (!program.empty() && program[0] == '"') {
        std::size_t close = program.find('"', 1);
        program = program.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    } else {
        program = program.substr(0, program.find(' '));
    }
    std::string leaf = LeafName(program);
    std::size_t dot = leaf.rfind('.');
    return dot == std::string::npos ? leaf : leaf.substr(0, dot);
}

bool Apply(State& s, const Command& c) {
    std::vector<std::string> a;
    for (const std::string& arg : c.args) a.push_back(Unquote(arg));
    if (SameText(c.name, "CreateGroup")) {
        if (a.empty() || a[0].empty()) return false;
        if (!GroupOf(s, a[0])) s.groups.push_back(ProgramGroup{a[0], {}});
        s.currentGroup = a[0];
        return true;
    }
    if (SameText(c.name, "ShowGroup")) {
        if (a.size() < 2 || !GroupOf(s, a[0])) return false;
        s.shownGroups.push_back(a[0]);
        s.currentGroup = a[0];
        return true;
    }
    if (SameText(c.name, "AddItem")) {
        ProgramGroup* g = GroupOf(s, s.currentGroup);
        if (!g || a.empty() || a[0].empty()) return false;
        ProgramItem item;
        item.commandLine = a[0];
        item.title = a.size() > 1 && !a[1].empty() ? a[1] : DefaultTitle(a[0]);
        if (a.size() > 2) item.iconPath = a[2];
        if (a.size() > 3 && !a[3].empty()) {
            char* end = nullptr;
            long n = std::strtol(a[3].c_str(), &end, 10);
            if (!end || *end) return false;
            item.iconIndex = static_cast<int>(n);
        }
        if (a.size() > 6) item.directory = a[6];
        g->items.push_back(item);
        return true;
    }
    if (SameText(c.name, "DeleteItem")) {
        ProgramGroup* g = GroupOf(s, s.currentGroup);
        if (!g || a.empty()) return false;
        for (auto it = g->items.begin(); it != g->items.end(); ++it) {
            if (SameText(it->title, a[0])) {
                g->items.erase(it);
                return true;
            }
        }
        return false;
    }
    if (SameText(c.name, "DeleteGroup")) {
        if (a.empty()) return false;
        for (auto it = s.groups.begin(); it != s.groups.end(); ++it) {
            if (SameText(it->name, a[0])) {
                s.groups.erase(it);
                if (SameText(s.currentGroup, a[0])) s.currentGroup.clear();
                return true;
            }
        }
        return false;
    }
    return false;
}

unsigned InjectedDdeError(State& s) {
    s.ddeLastError = s.lastError ? s.lastError : os::DMLERR_SYS_ERROR;
    return s.ddeLastError;
}

}  // namespace

unsigned PlatformCalls::DdeInitialize(std::uint32_t* instance) {
    if (s_->Fails("DdeInitialize")) return InjectedDdeError(*s_);
    s_->ddeInitialized = true;
    s_->ddeInstance = static_cast<std::uint32_t>(s_->nextHandle++);
    s_->ddeLastError = os::DMLERR_NO_ERROR;
    if (instance) *instance = s_->ddeInstance;
    return os::DMLERR_NO_ERROR;
}

bool PlatformCalls::DdeUninitialize(std::uint32_t instance) {
    if (s_->Fails("DdeUninitialize")) {
        InjectedDdeError(*s_);
        return false;
    }
    if (!s_->ddeInitialized || instance != s_->ddeInstance) return false;
    s_->ddeInitialized = false;
    s_->conversations.clear();
    return true;
}

os::DdeConversation PlatformCalls::DdeConnect(std::uint32_t instance, const char* service) {
    if (s_->Fails("DdeConnect")) {
        InjectedDdeError(*s_);
        return 0;
    }
    if (!s_->ddeInitialized || instance != s_->ddeInstance) {
        s_->ddeLastError = DMLERR_DLL_NOT_INITIALIZED;
        return 0;
    }
    if (s_->refuseDde || !SameText(Str(service), "PROGMAN")) {
        s_->ddeLastError = os::DMLERR_NO_CONV_ESTABLISHED;
        return 0;
    }
    os::DdeConversation c = s_->nextHandle++;
    s_->conversations.insert(c);
    return c;
}

bool PlatformCalls::DdeDisconnect(os::DdeConversation conversation) {
    if (s_->Fails("DdeDisconnect")) {
        InjectedDdeError(*s_);
        return false;
    }
    if (!s_->conversations.erase(conversation)) {
        s_->ddeLastError = DMLERR_INVALIDPARAMETER;
        return false;
    }
    return true;
}

bool PlatformCalls::DdeExecute(os::DdeConversation conversation, const void* data,
                               std::uint32_t size, std::uint32_t timeoutMs) {
    s_->ddeTimeoutsGiven.push_back(timeoutMs);
    if (s_->Fails("DdeExecute")) {
        InjectedDdeError(*s_);
        return false;
    }
    if (!s_->conversations.count(conversation)) {
        s_->ddeLastError = os::DMLERR_NO_CONV_ESTABLISHED;
        return false;
    }
    const char* bytes = static_cast<const char*>(data);
    std::size_t length = 0;
    while (bytes && length < size && bytes[length]) ++length;
    // CF_TEXT data is the command and its NUL, nothing less and nothing more.
    if (size == 0 || length + 1 != size) {
        s_->ddeLastError = os::DMLERR_NOTPROCESSED;
        return false;
    }
    std::string text(bytes ? bytes : "", length);
    s_->ddeCommands.push_back(text);
    int nth = ++s_->ddeExecutes;
    auto fail = s_->ddeFailAt.find(nth);
    if (fail != s_->ddeFailAt.end()) {
        s_->ddeLastError = fail->second;
        return false;
    }
    if (s_->ddeTimeouts > 0) {
        --s_->ddeTimeouts;
        s_->ddeLastError = os::DMLERR_EXECACKTIMEOUT;
        return false;
    }
    std::vector<Command> commands;
    if (!Parse(text, commands)) {
        s_->ddeLastError = os::DMLERR_NOTPROCESSED;
        return false;
    }
    for (const Command& c : commands) {
        if (!Apply(*s_, c)) {
            s_->ddeLastError = os::DMLERR_NOTPROCESSED;
            return false;
        }
    }
    return true;
}

std::uint32_t PlatformCalls::DdeRequestGroups(std::uint32_t, os::DdeConversation conversation,
                                              char* buffer, std::uint32_t size) {
    if (s_->Fails("DdeRequestGroups") || !s_->conversations.count(conversation) || size == 0)
        return 0;
    std::string list;
    for (const ProgramGroup& g : s_->groups) list += g.name + "\r\n";
    if (list.size() >= size) list.resize(size - 1);
    std::memcpy(buffer, list.c_str(), list.size() + 1);
    return static_cast<std::uint32_t>(list.size());
}

unsigned PlatformCalls::DdeGetLastError(std::uint32_t) {
    if (s_->Fails("DdeGetLastError")) return os::DMLERR_SYS_ERROR;
    // Reading the error resets it, as DdeGetLastError does.
    unsigned error = s_->ddeLastError;
    s_->ddeLastError = os::DMLERR_NO_ERROR;
    return error;
}

// ---- Test helpers ---------------------------------------------------------------

void Machine::RefuseDdeConnection(bool refuse) { s_->refuseDde = refuse; }

void Machine::FailDdeCommand(int nth, std::uint32_t error) { s_->ddeFailAt[nth] = error; }

void Machine::TimeOutDdeAcknowledge(int times) { s_->ddeTimeouts = times; }

const std::vector<std::string>& Machine::DdeCommands() const { return s_->ddeCommands; }
const std::vector<std::uint32_t>& Machine::DdeTimeouts() const { return s_->ddeTimeoutsGiven; }

const std::vector<ProgramGroup>& Machine::Groups() const { return s_->groups; }

const ProgramGroup* Machine::FindGroup(const std::string& name) const {
    for (const ProgramGroup& g : s_->groups) {
        if (SameText(g.name, name)) return &g;
    }
    return nullptr;
}

const std::vector<std::string>& Machine::ShownGroups() const { return s_->shownGroups; }

bool Machine::DdeConnected() const { return !s_->conversations.empty(); }

}  // namespace sim
