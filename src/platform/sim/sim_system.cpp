// System information and services of the simulated machine: version, the
// running module, loaded modules, libraries with registration entry points,
// version resources read from the files' real bytes, SZDD expansion with the
// project's codec, the completion calls and the virtual clock.
#include <cstring>
#include <sys/stat.h>

#include "pe/pe_version.h"
#include "szdd/szdd.h"
#include "platform/sim/state.h"

namespace sim {

namespace {

constexpr std::uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
constexpr std::uint32_t ERROR_MOD_NOT_FOUND = 126;
constexpr std::uint32_t ERROR_PROC_NOT_FOUND = 127;
constexpr std::uint32_t ERROR_BAD_EXE_FORMAT = 193;
constexpr int LZERROR_BADINHANDLE = -1;
constexpr int LZERROR_BADOUTHANDLE = -2;
constexpr int LZERROR_READ = -3;
constexpr int LZERROR_WRITE = -4;
constexpr int FirstLzHandle = 400;
// The version blob GetFileVersionInfo hands out: a tag and the two words.
constexpr std::uint32_t VersionBlobTag = 0x56534946;  // "FISV"
constexpr std::uint32_t VersionBlobSize = 92;

std::string ModuleName(const std::string& name) {
    std::string leaf = Upper(LeafName(name));
    if (leaf.find('.') == std::string::npos) leaf += ".DLL";
    return leaf;
}

bool ReadWholeFile(State& s, const std::string& path, Bytes& out) {
    os::FileHandle f = OpenSimFile(s, path, true, false,
                                   os::FILE_SHARE_READ | os::FILE_SHARE_WRITE, os::OPEN_EXISTING, 0);
    if (f == os::InvalidFile) return false;
    out.clear();
    std::uint8_t buffer[65536];
    for (;;) {
        long n = ReadSimFile(s, f, buffer, static_cast<long>(sizeof buffer));
        if (n < 0) {
            CloseSimFile(s, f);
            return false;
        }
        if (n == 0) break;
        out.insert(out.end(), buffer, buffer + n);
    }
    CloseSimFile(s, f);
    return true;
}

void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t Get32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

bool PlatformCalls::GetVersionEx(os::VersionInfo* info) {
    if (s_->Fails("GetVersionEx")) return false;
    if (info) *info = s_->version;
    return true;
}

unsigned PlatformCalls::GetModuleFileName(char* buffer, unsigned size) {
    if (s_->Fails("GetModuleFileName")) return 0;
    const std::string& name = s_->moduleFile;
    if (!buffer || size == 0) {
        s_->lastError = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    if (size <= name.size()) {
        std::memcpy(buffer, name.data(), size - 1);
        buffer[size - 1] = '\0';
        s_->lastError = ERROR_INSUFFICIENT_BUFFER;
        return size;
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    return static_cast<unsigned>(name.size());
}

bool PlatformCalls::GetModuleHandle(const char* name) {
    if (s_->Fails("GetModuleHandle")) return false;
    std::string wanted = ModuleName(Str(name));
    if (s_->modules.count(wanted) || wanted == Upper(LeafName(s_->moduleFile))) return true;
    s_->lastError = ERROR_MOD_NOT_FOUND;
    return false;
}

os::LibraryHandle PlatformCalls::LoadLibrary(const char* path) {
    if (s_->Fails("LoadLibrary")) return 0;
    std::string p = Str(path);
    std::string host = s_->Resolve(p);
    if (host.empty() || s_->HostIsDirectory(host)) {
        s_->lastError = ERROR_MOD_NOT_FOUND;
        return 0;
    }
    std::string key = PathKey(s_->Absolute(p));
    if (!s_->components.count(key)) {
        s_->lastError = ERROR_BAD_EXE_FORMAT;
        return 0;
    }
    os::LibraryHandle h = s_->nextHandle++;
    s_->libraries[h] = key;
    return h;
}

os::EntryPoint PlatformCalls::GetProcAddress(os::LibraryHandle library, const char* name) {
    if (s_->Fails("GetProcAddress")) return 0;
    auto lib = s_->libraries.find(library);
    if (lib == s_->libraries.end()) {
        s_->lastError = ERROR_INVALID_HANDLE;
        return 0;
    }
    const Component& c = s_->components[lib->second];
    // Export names are case-sensitive.
    std::string n = Str(name);
    bool registers = n == "DllRegisterServer";
    bool unregisters = n == "DllUnregisterServer";
    if ((registers && c.hasRegister) || (unregisters && c.hasUnregister)) {
        os::EntryPoint e = s_->nextHandle++;
        s_->entries[e] = EntryRecord{library, lib->second, registers};
        return e;
    }
    s_->lastError = ERROR_PROC_NOT_FOUND;
    return 0;
}

std::int32_t PlatformCalls::CallEntryPoint(os::EntryPoint entry) {
    if (s_->Fails("CallEntryPoint")) return static_cast<std::int32_t>(s_->lastError);
    auto it = s_->entries.find(entry);
    // Calling an entry point of a library already freed (or none at all)
    // would crash on Windows; here it is an access violation status.
    if (it == s_->entries.end() || !s_->libraries.count(it->second.library)) {
        s_->entryCalls.push_back("<invalid entry point>");
        return static_cast<std::int32_t>(0xC0000005u);
    }
    EntryRecord e = it->second;
    Component c = s_->components[e.component];
    s_->entryCalls.push_back(c.path + (e.registers ? "!DllRegisterServer" : "!DllUnregisterServer"));
    ComponentEffect effect = e.registers ? c.registerEffect : c.unregisterEffect;
    if (effect) effect(TheMachine());
    return e.registers ? c.registerStatus : c.unregisterStatus;
}

bool PlatformCalls::FreeLibrary(os::LibraryHandle library) {
    if (s_->Fails("FreeLibrary")) return false;
    if (!s_->libraries.erase(library)) {
        s_->lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    return true;
}

void PlatformCalls::Sleep(std::uint32_t milliseconds) {
    if (s_->Fails("Sleep")) return;
    s_->sleeps.push_back(milliseconds);
    s_->clock += milliseconds;
}

// ---- Version resources ------------------------------------------------------------

std::uint32_t PlatformCalls::GetFileVersionInfoSize(const char* path) {
    if (s_->Fails("GetFileVersionInfoSize")) return 0;
    Bytes bytes;
    if (!ReadWholeFile(*s_, Str(path), bytes)) {
        if (s_->lastError == 0) s_->lastError = os::ERROR_FILE_NOT_FOUND;
        return 0;
    }
    std::uint32_t ms = 0, ls = 0;
    if (!pe::ReadFileVersion(bytes.data(), bytes.size(), ms, ls)) {
        s_->lastError = os::ERROR_RESOURCE_TYPE_NOT_FOUND;
        return 0;
    }
    return VersionBlobSize;
}

bool PlatformCalls::GetFileVersionInfo(const char* path, std::uint32_t size, void* data) {
    if (s_->Fails("GetFileVersionInfo")) return false;
    Bytes bytes;
    if (!ReadWholeFile(*s_, Str(path), bytes)) return false;
    std::uint32_t ms = 0, ls = 0;
    if (!pe::ReadFileVersion(bytes.data(), bytes.size(), ms, ls)) {
        s_->lastError = os::ERROR_RESOURCE_TYPE_NOT_FOUND;
        return false;
    }
    if (!data || size < 12) {
        s_->lastError = ERROR_INSUFFICIENT_BUFFER;
        return false;
    }
    std::uint8_t* out = static_cast<std::uint8_t*>(data);
    std::memset(out, 0, size < VersionBlobSize ? size : VersionBlobSize);
    Put32(out, VersionBlobTag);
    Put32(out + 4, ms);
    Put32(out + 8, ls);
    return true;
}

bool PlatformCalls::QueryFileVersion(const void* data, std::uint32_t* versionMS,
                                     std::uint32_t* versionLS) {
    if (s_->Fails("QueryFileVersion")) return false;
    const std::uint8_t* in = static_cast<const std::uint8_t*>(data);
    if (!in || Get32(in) != VersionBlobTag) {
        s_->lastError = os::ERROR_RESOURCE_TYPE_NOT_FOUND;
        return false;
    }
    if (versionMS) *versionMS = Get32(in + 4);
    if (versionLS) *versionLS = Get32(in + 8);
    return true;
}

// ---- SZDD expansion ------------------------------------------------------------------

int PlatformCalls::LZOpenFile(const char* path, int mode) {
    if (s_->Fails("LZOpenFile")) return LZERROR_BADINHANDLE;
    bool create = (mode & os::OF_CREATE) != 0;
    os::FileHandle f =
        create ? OpenSimFile(*s_, Str(path), true, true, os::FILE_SHARE_READ | os::FILE_SHARE_WRITE,
                             os::CREATE_ALWAYS, os::FILE_ATTRIBUTE_ARCHIVE)
               : OpenSimFile(*s_, Str(path), true, false,
                             os::FILE_SHARE_READ | os::FILE_SHARE_WRITE, os::OPEN_EXISTING, 0);
    if (f == os::InvalidFile) return create ? LZERROR_BADOUTHANDLE : LZERROR_BADINHANDLE;
    int handle = FirstLzHandle + s_->nextLz++;
    s_->lzHandles[handle] = LzHandle{create, Str(path), f};
    return handle;
}

long PlatformCalls::LZCopy(int source, int target) {
    if (s_->Fails("LZCopy")) return LZERROR_READ;
    auto in = s_->lzHandles.find(source);
    if (in == s_->lzHandles.end()) return LZERROR_BADINHANDLE;
    auto out = s_->lzHandles.find(target);
    if (out == s_->lzHandles.end()) return LZERROR_BADOUTHANDLE;
    // The source is read straight into one block of its size (one more
    // chunk when it grows meanwhile), without a buffer in between.
    Bytes data;
    auto sourceFile = s_->files.find(in->second.file);
    struct stat st;
    if (sourceFile != s_->files.end() && ::fstat(sourceFile->second.fd, &st) == 0 &&
        st.st_size > 0)
        data.reserve(static_cast<std::size_t>(st.st_size) + 1);
    constexpr std::size_t kChunk = 65536;
    for (;;) {
        std::size_t used = data.size();
        std::size_t room = data.capacity() > used ? data.capacity() - used : kChunk;
        if (room > (1u << 30)) room = 1u << 30;
        data.resize(used + room);
        long n = ReadSimFile(*s_, in->second.file, data.data() + used, static_cast<long>(room));
        data.resize(used + (n > 0 ? static_cast<std::size_t>(n) : 0));
        if (n < 0) return LZERROR_READ;
        if (n == 0) break;
    }
    Bytes expanded;
    const Bytes* result = &data;
    // A file without the SZDD signature is copied as it is, as LZCopy does;
    // a compressed one expands to what its items give, to the end of the
    // input: a file cut short is no error, only shorter.
    if (szdd::IsSzdd(data.data(), data.size())) {
        if (!szdd::ExpandToTheEnd(data.data(), data.size(), expanded)) return LZERROR_READ;
        result = &expanded;
    }
    long total = 0;
    std::size_t done = 0;
    while (done < result->size()) {
        std::size_t chunk = result->size() - done;
        if (chunk > (1u << 30)) chunk = 1u << 30;
        long n = WriteSimFile(*s_, out->second.file, result->data() + done, static_cast<long>(chunk));
        if (n < 0) return LZERROR_WRITE;
        done += static_cast<std::size_t>(n);
        total += n;
    }
    return total;
}

void PlatformCalls::LZClose(int handle) {
    if (s_->Fails("LZClose")) return;
    auto it = s_->lzHandles.find(handle);
    if (it == s_->lzHandles.end()) return;
    CloseSimFile(*s_, it->second.file);
    s_->lzHandles.erase(it);
}

// ---- Completion ------------------------------------------------------------------------

void PlatformCalls::ShellExecute(const char* file, const char* parameters, const char* directory,
                                 int show) {
    if (s_->Fails("ShellExecute")) return;
    s_->shellExecutes.push_back(ShellExecuteCall{Str(file), Str(parameters), Str(directory), show});
}

void PlatformCalls::WinHelp(const char* path, unsigned command, std::uint32_t data) {
    if (s_->Fails("WinHelp")) return;
    s_->winHelps.push_back(WinHelpCall{Str(path), command, data});
}

void PlatformCalls::ExitWindowsEx(unsigned flags) {
    if (s_->Fails("ExitWindowsEx")) return;
    s_->exitWindows = true;
    s_->exitWindowsFlags = flags;
}

// ---- Test helpers ---------------------------------------------------------------------

void Machine::LoadModule(const std::string& name) { s_->modules.insert(ModuleName(name)); }
void Machine::UnloadModule(const std::string& name) { s_->modules.erase(ModuleName(name)); }

void Machine::AddComponent(const std::string& path, std::int32_t registerStatus,
                           std::int32_t unregisterStatus, ComponentEffect registerEffect,
                           bool hasRegister, bool hasUnregister,
                           ComponentEffect unregisterEffect) {
    Component c;
    c.path = path;
    c.registerStatus = registerStatus;
    c.unregisterStatus = unregisterStatus;
    c.registerEffect = registerEffect;
    c.unregisterEffect = unregisterEffect;
    c.hasRegister = hasRegister;
    c.hasUnregister = hasUnregister;
    s_->components[PathKey(s_->Absolute(path))] = c;
}

std::vector<std::string> Machine::EntryPointsCalled() const { return s_->entryCalls; }
std::size_t Machine::LoadedLibraries() const { return s_->libraries.size(); }
const std::vector<ShellExecuteCall>& Machine::ShellExecutes() const { return s_->shellExecutes; }
const std::vector<WinHelpCall>& Machine::WinHelps() const { return s_->winHelps; }
bool Machine::ExitWindowsCalled() const { return s_->exitWindows; }
unsigned Machine::ExitWindowsFlags() const { return s_->exitWindowsFlags; }
const std::vector<std::uint32_t>& Machine::Sleeps() const { return s_->sleeps; }
std::uint64_t Machine::Clock() const { return s_->clock; }

}  // namespace sim
