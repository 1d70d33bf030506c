// Construction of a simulated machine per Windows version, its
// configuration, memory accounting and failure injection.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <stdexcept>
#include <unistd.h>

#include "platform/sim/state.h"

namespace sim {

std::string Upper(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

bool SameText(const std::string& a, const std::string& b) { return Upper(a) == Upper(b); }

std::string Str(const char* text) { return text ? std::string(text) : std::string(); }

std::vector<std::string> SplitWindowsPath(const std::string& windowsPath) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : windowsPath) {
        if (c == '\\' || c == '/') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

std::string PathKey(const std::string& windowsPath) {
    std::vector<std::string> parts = SplitWindowsPath(windowsPath);
    std::string key;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i) key += '\\';
        key += parts[i];
    }
    return Upper(key);
}

std::string ParentPath(const std::string& windowsPath) {
    std::vector<std::string> parts = SplitWindowsPath(windowsPath);
    const bool network = windowsPath.size() > 2 && windowsPath[0] == '\\' && windowsPath[1] == '\\';
    std::string out = network ? "\\\\" : "";
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        if (i) out += '\\';
        out += parts[i];
    }
    return out;
}

void Machine::AddNetworkShare(const std::string& server, const std::string& share) {
    s_->shares.insert(Upper(server + "\\" + share));
    std::filesystem::create_directories(s_->sandbox + "/UNC/" + Upper(server) + "/" + Upper(share));
}

std::string LeafName(const std::string& windowsPath) {
    std::vector<std::string> parts = SplitWindowsPath(windowsPath);
    return parts.empty() ? std::string() : parts.back();
}

bool PlatformCalls::State::Fails(const char* name) {
    // A killed process does nothing more to the machine.
    if (dead) {
        lastError = os::ERROR_ACCESS_DENIED;
        return true;
    }
    if (stopAfter != 0 && ++counted == stopAfter) dead = true;
    int count = ++calls[name];
    trace.push_back(name);
    auto it = failures.find(name);
    if (it == failures.end()) return false;
    for (const Failure& f : it->second) {
        if (f.nth == 0 || f.nth == count) {
            lastError = f.error;
            return true;
        }
    }
    return false;
}

Dialog* PlatformCalls::State::FindDialog(os::Window window) {
    for (auto& d : dialogs) {
        if (d->window == window) return d.get();
    }
    return nullptr;
}

// ---- Construction ------------------------------------------------------------

PlatformCalls::PlatformCalls() : s_(new State) {}
PlatformCalls::PlatformCalls(PlatformCalls&&) noexcept = default;
PlatformCalls& PlatformCalls::operator=(PlatformCalls&&) noexcept = default;
PlatformCalls::~PlatformCalls() = default;
Machine& PlatformCalls::TheMachine() { return static_cast<Machine&>(*this); }

Machine::Machine(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                 std::uint32_t platform) {
    char pattern[] = "/tmp/simwin-XXXXXX";
    char* dir = ::mkdtemp(pattern);
    if (!dir) throw std::runtime_error("cannot create the sandbox directory");
    s_->sandbox = dir;
    SetVersion(major, minor, build, platform);
    AddDrive('C');
    MakeDirectories("C:\\WINDOWS");
    MakeDirectories(s_->systemDir);
    MakeDirectories("C:\\TEMP");
    SetProgramFilesDir("C:\\Program Files");
    CreateKey(os::HKEY_CURRENT_USER, "Software");
    CreateKey(os::HKEY_CLASSES_ROOT, "CLSID");
    CreateKey(os::HKEY_USERS, ".DEFAULT");
    // The libraries the running program itself has loaded.
    for (const char* module : {"KERNEL32", "USER32", "GDI32", "ADVAPI32", "SHELL32", "VERSION", "LZ32"})
        LoadModule(module);
}

Machine::Machine(Machine&&) noexcept = default;
Machine& Machine::operator=(Machine&&) noexcept = default;

Machine::~Machine() {
    if (!s_) return;
    for (auto& f : s_->files) {
        if (f.second.fd >= 0) ::close(f.second.fd);
    }
    for (void* block : s_->blocks) std::free(block);
    std::error_code ec;
    std::filesystem::remove_all(s_->sandbox, ec);
}

Machine Machine::Win32s() { return Machine(3, 10, 0, os::VER_PLATFORM_WIN32s); }
Machine Machine::Windows95() { return Machine(4, 0, 950, os::VER_PLATFORM_WIN32_WINDOWS); }
Machine Machine::NT351() { return Machine(3, 51, 1057, os::VER_PLATFORM_WIN32_NT); }
Machine Machine::NT40() { return Machine(4, 0, 1381, os::VER_PLATFORM_WIN32_NT); }
Machine Machine::Windows10() { return Machine(10, 0, 19045, os::VER_PLATFORM_WIN32_NT); }

void Machine::SetVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                         std::uint32_t platform) {
    s_->version = os::VersionInfo{major, minor, build, platform};
    s_->systemDir = platform == os::VER_PLATFORM_WIN32_NT ? "C:\\WINDOWS\\SYSTEM32"
                                                          : "C:\\WINDOWS\\SYSTEM";
    if (!s_->drives.empty()) MakeDirectories(s_->systemDir);
}

bool Machine::IsNT() const { return s_->IsNT(); }

void Machine::SetWindowsDirectory(const std::string& path) {
    s_->windowsDir = path;
    MakeDirectories(path);
}

void Machine::SetSystemDirectory(const std::string& path) {
    s_->systemDir = path;
    MakeDirectories(path);
}

void Machine::SetTempPath(const std::string& path) {
    s_->tempPath = path;
    MakeDirectories(path);
}

void Machine::SetModuleFileName(const std::string& path) { s_->moduleFile = path; }
std::string Machine::ModuleFileName() const { return s_->moduleFile; }

static const char* const CurrentVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";

void Machine::SetProgramFilesDir(const std::string& path) {
    MakeDirectories(path);
    SetString(os::HKEY_LOCAL_MACHINE, CurrentVersionKey, "ProgramFilesDir", path);
}

void Machine::RemoveProgramFilesDir() {
    if (!KeyExists(os::HKEY_LOCAL_MACHINE, CurrentVersionKey)) return;
    auto key = s_->Walk(s_->roots[os::HKEY_LOCAL_MACHINE], CurrentVersionKey, false);
    if (key) key->values.erase("PROGRAMFILESDIR");
}

void Machine::RemoveCurrentVersionKey() {
    DeleteKeyTree(os::HKEY_LOCAL_MACHINE, CurrentVersionKey);
}

void Machine::SetDesktopSize(int width, int height) {
    s_->desktopWidth = width;
    s_->desktopHeight = height;
}

// ---- Failure injection and accounting --------------------------------------------

// The calls of os::Platform, the names FailCall accepts.
const char* const CallNames[] = {
    "Alloc", "BeginPaint", "CallEntryPoint", "CloseHandle", "CloseProcess",
    "CloseServiceHandle", "CompareTextNoCase", "ControlService", "CreateDirectory",
    "CreateFile", "CreateProcess", "CreateService", "DdeConnect", "DdeDisconnect",
    "DdeExecute", "DdeGetLastError", "DdeInitialize", "DdeRequestGroups", "DdeUninitialize", "DeleteFile",
    "DeleteService", "DialogBox", "EndDialog", "EndPaint", "ExitWindowsEx", "FindClose",
    "FindFirstFile", "FindNextFile", "FocusItem", "Free", "FreeLibrary", "GetAsyncKeyState",
    "GetClientRect", "GetCursorPos", "GetDC", "GetDesktopRect", "GetDiskFreeSpace",
    "GetDriveType", "GetExitCodeProcess", "GetFileAttributes", "GetFileTime",
    "GetFileVersionInfo", "GetFileVersionInfoSize", "GetItemRect", "GetItemText",
    "GetLastError", "GetModuleFileName", "GetModuleHandle", "GetProcAddress",
    "GetShortPathName", "GetSystemDirectory", "GetTempFileName", "GetTempPath",
    "GetVersionEx", "GetWindowsDirectory", "HRead", "HWrite", "IsDBCSLeadByte", "LClose",
    "LCreat", "LOpen", "LSeek", "LZClose", "LZCopy", "LZOpenFile", "LimitItemText",
    "LoadLibrary", "MessageBeep", "MessageBox", "MoveFileEx", "MoveWindow", "OpenSCManager",
    "OpenService", "PaintProgress", "PeekMessage", "PostMessage", "QueryFileVersion",
    "QueryServiceStatus", "RegCloseKey", "RegCreateKeyEx", "RegDeleteKey", "RegDeleteValue",
    "RegOpenKeyEx", "RegQueryValueEx", "RegSetValueEx", "ReleaseDC", "RemoveDirectory",
    "SelectItemText", "SendCancelCommand", "SetCurrentDirectory", "SetEndOfFile",
    "SetFileAttributes", "SetFileTime", "SetItemText", "SetSmallIcon", "SetWaitCursor",
    "SetWindowText", "ShellExecute", "ShowWindow", "Sleep", "StartService", "WinHelp",
    "WritePrivateProfileString"
};

void Machine::FailCall(const std::string& name, int nth, std::uint32_t error) {
    // A misspelt name would never fail and the test would pass unseen.
    bool known = false;
    for (const char* call : CallNames) known = known || name == call;
    if (!known) throw std::invalid_argument("FailCall: no platform call named " + name);
    s_->failures[name].push_back(Failure{nth, error});
}

void Machine::ClearFailures() { s_->failures.clear(); }

void Machine::StopDeadAfter(int calls) {
    s_->stopAfter = calls;
    s_->counted = 0;
}

bool Machine::Stopped() const { return s_->dead; }

void Machine::EndKilledProcess() {
    State& s = *s_;
    s.dead = false;
    s.stopAfter = 0;
    for (auto& f : s.files)
        if (f.second.fd >= 0) ::close(f.second.fd);
    s.files.clear();
    s.lzHandles.clear();
    s.searches.clear();
    s.keys.clear();
    s.scHandles.clear();
    for (auto& service : s.services) service.second.handles = 0;
    s.conversations.clear();
    s.ddeInitialized = false;
    s.libraries.clear();
    s.dialogs.clear();
    s.posted.clear();
    s.actions.clear();
    s.answers.clear();
    for (void* block : s.blocks) std::free(block);
    s.blocks.clear();
}

const std::map<std::string, int>& Machine::CallCounts() const { return s_->calls; }

int Machine::CallCount(const std::string& name) const {
    auto it = s_->calls.find(name);
    return it == s_->calls.end() ? 0 : it->second;
}

std::vector<std::string> Machine::CallTrace(std::initializer_list<const char*> filter) const {
    std::vector<std::string> out;
    for (const char* call : s_->trace) {
        bool kept = filter.size() == 0;
        for (const char* name : filter) kept = kept || std::strcmp(name, call) == 0;
        if (kept) out.emplace_back(call);
    }
    return out;
}

std::size_t Machine::OutstandingBlocks() const { return s_->blocks.size(); }

void* PlatformCalls::Alloc(std::size_t size) {
    if (s_->Fails("Alloc")) return nullptr;
    void* block = std::calloc(size ? size : 1, 1);
    if (!block) {
        s_->lastError = os::ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    s_->blocks.insert(block);
    return block;
}

void PlatformCalls::Free(void* block) {
    s_->Count("Free");
    if (!block) return;
    auto it = s_->blocks.find(block);
    // A block this machine did not hand out, or one freed twice, is a fault of
    // the caller; abort loudly rather than corrupt the heap.
    if (it == s_->blocks.end()) std::abort();
    s_->blocks.erase(it);
    std::free(block);
}

std::uint32_t PlatformCalls::GetLastError() {
    s_->Count("GetLastError");
    return s_->lastError;
}

}  // namespace sim
