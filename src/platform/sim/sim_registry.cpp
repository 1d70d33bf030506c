// The registry: an in-memory tree under the predefined roots with
// case-insensitive key and value names, typed values and open handles. Key
// deletion follows the platform: NT refuses a key with subkeys, Windows 95
// deletes the whole subtree.
#include <cstdio>
#include <cstring>

#include "platform/sim/state.h"

namespace sim {

namespace {

constexpr long ERROR_KEY_DELETED = 1018;

bool IsPredefined(os::RegKey key) { return key >= 0x80000000u && key <= 0x80000006u; }

const char* RootName(os::RegKey root) {
    switch (root) {
        case os::HKEY_CLASSES_ROOT: return "HKCR";
        case os::HKEY_CURRENT_USER: return "HKCU";
        case os::HKEY_LOCAL_MACHINE: return "HKLM";
        case os::HKEY_USERS: return "HKU";
        case HKEY_PERFORMANCE_DATA: return "HKPD";
        case HKEY_CURRENT_CONFIG: return "HKCC";
        case HKEY_DYN_DATA: return "HKDD";
        default: return "?";
    }
}

void MarkDeleted(RegKeyNode& node) {
    node.deleted = true;
    for (auto& sub : node.subkeys) MarkDeleted(*sub.second);
}

void Dump(const RegKeyNode& node, const std::string& path, RegistrySnapshot& out) {
    out.push_back(Upper(path));
    for (const auto& v : node.values) {
        std::string line = Upper(path) + "|" + v.second.first + "=" +
                           std::to_string(v.second.second.type) + ":";
        for (std::uint8_t b : v.second.second.data) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", b);
            line += hex;
        }
        out.push_back(line);
    }
    for (const auto& sub : node.subkeys) Dump(*sub.second, path + "\\" + sub.second->name, out);
}

}  // namespace

std::shared_ptr<RegKeyNode> PlatformCalls::State::KeyOf(os::RegKey handle) const {
    if (IsPredefined(handle)) {
        auto it = roots.find(handle);
        return it == roots.end() ? nullptr : it->second;
    }
    auto it = keys.find(handle);
    return it == keys.end() ? nullptr : it->second;
}

std::shared_ptr<RegKeyNode> PlatformCalls::State::Walk(std::shared_ptr<RegKeyNode> from,
                                                       const std::string& path, bool create) const {
    std::shared_ptr<RegKeyNode> node = from;
    for (const std::string& part : SplitWindowsPath(path)) {
        if (!node || node->deleted) return nullptr;
        auto it = node->subkeys.find(Upper(part));
        if (it == node->subkeys.end()) {
            if (!create) return nullptr;
            auto child = std::make_shared<RegKeyNode>();
            child->name = part;
            it = node->subkeys.emplace(Upper(part), child).first;
        }
        node = it->second;
    }
    return node;
}

static void EnsureRoots(State& s) {
    if (!s.roots.empty()) return;
    for (os::RegKey r = 0x80000000u; r <= 0x80000006u; ++r) {
        auto node = std::make_shared<RegKeyNode>();
        node->name = RootName(r);
        s.roots[r] = node;
    }
}

// The access a handle was opened with must cover the call: a query needs
// KEY_QUERY_VALUE, a change KEY_SET_VALUE. The predefined roots allow all.
static bool Allows(const State& s, os::RegKey handle, std::uint32_t required) {
    auto it = s.keyAccess.find(handle);
    return it == s.keyAccess.end() || (it->second & required) == required;
}

// Rights a key can be opened with: KEY_ALL_ACCESS and the 64/32-bit view bits.
constexpr std::uint32_t KeyRights = os::KEY_ALL_ACCESS | 0x0300;

// ---- os::Platform --------------------------------------------------------------

long PlatformCalls::RegOpenKeyEx(os::RegKey root, const char* subKey, std::uint32_t access,
                                 os::RegKey* result) {
    if (s_->Fails("RegOpenKeyEx")) return static_cast<long>(s_->lastError);
    EnsureRoots(*s_);
    if (access == 0 || (access & ~KeyRights) != 0 || result == nullptr)
        return static_cast<long>(s_->lastError = ERROR_INVALID_PARAMETER);
    auto base = s_->KeyOf(root);
    if (!base) return static_cast<long>(s_->lastError = ERROR_INVALID_HANDLE);
    if (base->deleted) return static_cast<long>(s_->lastError = ERROR_KEY_DELETED);
    auto node = s_->Walk(base, Str(subKey), false);
    if (!node) return static_cast<long>(s_->lastError = os::ERROR_FILE_NOT_FOUND);
    os::RegKey handle = s_->nextHandle++;
    s_->keys[handle] = node;
    s_->keyAccess[handle] = access;
    *result = handle;
    return os::ERROR_SUCCESS;
}

// RegCreateKeyExA needs a subkey (it may be empty), a result and the rights
// the key is to be used with.
long PlatformCalls::RegCreateKeyEx(os::RegKey root, const char* subKey, std::uint32_t access,
                                   os::RegKey* result) {
    if (s_->Fails("RegCreateKeyEx")) return static_cast<long>(s_->lastError);
    EnsureRoots(*s_);
    if (subKey == nullptr || access == 0 || (access & ~KeyRights) != 0 || result == nullptr)
        return static_cast<long>(s_->lastError = ERROR_INVALID_PARAMETER);
    auto base = s_->KeyOf(root);
    if (!base) return static_cast<long>(s_->lastError = ERROR_INVALID_HANDLE);
    if (base->deleted) return static_cast<long>(s_->lastError = ERROR_KEY_DELETED);
    auto node = s_->Walk(base, Str(subKey), true);
    if (!node) return static_cast<long>(s_->lastError = ERROR_KEY_DELETED);
    os::RegKey handle = s_->nextHandle++;
    s_->keys[handle] = node;
    s_->keyAccess[handle] = access;
    *result = handle;
    return os::ERROR_SUCCESS;
}

long PlatformCalls::RegQueryValueEx(os::RegKey key, const char* name, std::uint32_t* type,
                                    void* data, std::uint32_t* size) {
    if (s_->Fails("RegQueryValueEx")) return static_cast<long>(s_->lastError);
    EnsureRoots(*s_);
    auto node = s_->KeyOf(key);
    if (!node) return static_cast<long>(s_->lastError = ERROR_INVALID_HANDLE);
    if (!Allows(*s_, key, os::KEY_QUERY_VALUE))
        return static_cast<long>(s_->lastError = os::ERROR_ACCESS_DENIED);
    if (node->deleted) return static_cast<long>(s_->lastError = ERROR_KEY_DELETED);
    auto it = node->values.find(Upper(Str(name)));
    if (it == node->values.end()) return static_cast<long>(s_->lastError = os::ERROR_FILE_NOT_FOUND);
    const RegValue& v = it->second.second;
    if (type) *type = v.type;
    std::uint32_t length = static_cast<std::uint32_t>(v.data.size());
    if (data) {
        if (!size) return static_cast<long>(s_->lastError = ERROR_INVALID_PARAMETER);
        if (*size < length) {
            *size = length;
            return static_cast<long>(s_->lastError = ERROR_MORE_DATA);
        }
        if (length) std::memcpy(data, v.data.data(), length);
    }
    if (size) *size = length;
    return os::ERROR_SUCCESS;
}

long PlatformCalls::RegSetValueEx(os::RegKey key, const char* name, std::uint32_t type,
                                  const void* data, std::uint32_t size) {
    if (s_->Fails("RegSetValueEx")) return static_cast<long>(s_->lastError);
    EnsureRoots(*s_);
    auto node = s_->KeyOf(key);
    if (!node) return static_cast<long>(s_->lastError = ERROR_INVALID_HANDLE);
    if (!Allows(*s_, key, os::KEY_SET_VALUE))
        return static_cast<long>(s_->lastError = os::ERROR_ACCESS_DENIED);
    if (node->deleted) return static_cast<long>(s_->lastError = ERROR_KEY_DELETED);
    if (size && !data) return static_cast<long>(s_->lastError = ERROR_INVALID_PARAMETER);
    RegValue v;
    v.type = type;
    const std::uint8_t* bytes = static_cast<const std::uint8_t*>(data);
    if (size) v.data.assign(bytes, bytes + size);
    std::string n = Str(name);
    node->values[Upper(n)] = {n, v};
    return os::ERROR_SUCCESS;
}

long PlatformCalls::RegDeleteValue(os::RegKey key, const char* name) {
    if (s_->Fails("RegDeleteValue")) return static_cast<long>(s_->lastError);
    EnsureRoots(*s_);
    auto node = s_->KeyOf(key);
    if (!node) return static_cast<long>(s_->lastError = ERROR_INVALID_HANDLE);
    if (!Allows(*s_, key, os::KEY_SET_VALUE))
        return static_cast<long>(s_->lastError = os::ERROR_ACCESS_DENIED);
    if (node->deleted) return static_cast<long>(s_->lastError = ERROR_KEY_DELETED);
    if (!node->values.erase(Upper(Str(name))))
        return static_cast<long>(s_->lastError = os::ERROR_FILE_NOT_FOUND);
    return os::ERROR_SUCCESS;
}

long PlatformCalls::RegDeleteKey(os::RegKey root, const char* subKey) {
    if (s_->Fails("RegDeleteKey")) return static_cast<long>(s_->lastError);
    EnsureRoots(*s_);
    auto base = s_->KeyOf(root);
    if (!base) return static_cast<long>(s_->lastError = ERROR_INVALID_HANDLE);
    std::vector<std::string> parts = SplitWindowsPath(Str(subKey));
    if (parts.empty()) return static_cast<long>(s_->lastError = os::ERROR_ACCESS_DENIED);
    std::string parentPath;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) parentPath += parts[i] + "\\";
    auto parent = s_->Walk(base, parentPath, false);
    if (!parent || parent->deleted) return static_cast<long>(s_->lastError = os::ERROR_FILE_NOT_FOUND);
    auto it = parent->subkeys.find(Upper(parts.back()));
    if (it == parent->subkeys.end()) return static_cast<long>(s_->lastError = os::ERROR_FILE_NOT_FOUND);
    // NT deletes only a key without subkeys; Windows 95 takes the whole subtree.
    if (s_->IsNT() && !it->second->subkeys.empty())
        return static_cast<long>(s_->lastError = os::ERROR_ACCESS_DENIED);
    MarkDeleted(*it->second);
    parent->subkeys.erase(it);
    return os::ERROR_SUCCESS;
}

long PlatformCalls::RegCloseKey(os::RegKey key) {
    if (s_->Fails("RegCloseKey")) return static_cast<long>(s_->lastError);
    if (IsPredefined(key)) return os::ERROR_SUCCESS;
    if (!s_->keys.erase(key)) return static_cast<long>(s_->lastError = ERROR_INVALID_HANDLE);
    s_->keyAccess.erase(key);
    return os::ERROR_SUCCESS;
}

// ---- Test helpers -----------------------------------------------------------------

void Machine::SetValue(os::RegKey root, const std::string& key, const std::string& name,
                       std::uint32_t type, const Bytes& data) {
    EnsureRoots(*s_);
    auto node = s_->Walk(s_->KeyOf(root), key, true);
    if (!node) return;
    RegValue v;
    v.type = type;
    v.data = data;
    node->values[Upper(name)] = {name, v};
}

void Machine::SetString(os::RegKey root, const std::string& key, const std::string& name,
                        const std::string& value) {
    Bytes data(value.begin(), value.end());
    data.push_back(0);
    SetValue(root, key, name, os::REG_SZ, data);
}

void Machine::SetDword(os::RegKey root, const std::string& key, const std::string& name,
                       std::uint32_t value) {
    Bytes data(4);
    for (int i = 0; i < 4; ++i) data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    SetValue(root, key, name, os::REG_DWORD, data);
}

bool Machine::GetValue(os::RegKey root, const std::string& key, const std::string& name,
                       RegValue& out) const {
    EnsureRoots(*s_);
    auto node = s_->Walk(s_->KeyOf(root), key, false);
    if (!node) return false;
    auto it = node->values.find(Upper(name));
    if (it == node->values.end()) return false;
    out = it->second.second;
    return true;
}

bool Machine::HasValue(os::RegKey root, const std::string& key, const std::string& name) const {
    RegValue v;
    return GetValue(root, key, name, v);
}

std::string Machine::GetString(os::RegKey root, const std::string& key,
                               const std::string& name) const {
    RegValue v;
    if (!GetValue(root, key, name, v)) return std::string();
    std::string text(v.data.begin(), v.data.end());
    std::size_t nul = text.find('\0');
    return nul == std::string::npos ? text : text.substr(0, nul);
}

std::uint32_t Machine::GetDword(os::RegKey root, const std::string& key, const std::string& name,
                                std::uint32_t fallback) const {
    RegValue v;
    // Only a REG_DWORD of four bytes reads as a number.
    if (!GetValue(root, key, name, v) || v.type != os::REG_DWORD || v.data.size() != 4)
        return fallback;
    return static_cast<std::uint32_t>(v.data[0]) | static_cast<std::uint32_t>(v.data[1]) << 8 |
           static_cast<std::uint32_t>(v.data[2]) << 16 | static_cast<std::uint32_t>(v.data[3]) << 24;
}

void Machine::CreateKey(os::RegKey root, const std::string& key) {
    EnsureRoots(*s_);
    s_->Walk(s_->KeyOf(root), key, true);
}

bool Machine::KeyExists(os::RegKey root, const std::string& key) const {
    EnsureRoots(*s_);
    return s_->Walk(s_->KeyOf(root), key, false) != nullptr;
}

void Machine::DeleteKeyTree(os::RegKey root, const std::string& key) {
    EnsureRoots(*s_);
    std::vector<std::string> parts = SplitWindowsPath(key);
    if (parts.empty()) return;
    std::string parentPath;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) parentPath += parts[i] + "\\";
    auto parent = s_->Walk(s_->KeyOf(root), parentPath, false);
    if (!parent) return;
    auto it = parent->subkeys.find(Upper(parts.back()));
    if (it == parent->subkeys.end()) return;
    MarkDeleted(*it->second);
    parent->subkeys.erase(it);
}

std::vector<std::string> Machine::SubKeys(os::RegKey root, const std::string& key) const {
    EnsureRoots(*s_);
    std::vector<std::string> out;
    auto node = s_->Walk(s_->KeyOf(root), key, false);
    if (node) {
        for (const auto& sub : node->subkeys) out.push_back(sub.second->name);
    }
    return out;
}

std::vector<std::string> Machine::ValueNames(os::RegKey root, const std::string& key) const {
    EnsureRoots(*s_);
    std::vector<std::string> out;
    auto node = s_->Walk(s_->KeyOf(root), key, false);
    if (node) {
        for (const auto& v : node->values) out.push_back(v.second.first);
    }
    return out;
}

RegistrySnapshot Machine::SnapshotRegistry() const {
    EnsureRoots(*s_);
    RegistrySnapshot out;
    for (const auto& root : s_->roots) Dump(*root.second, RootName(root.first), out);
    return out;
}

std::size_t Machine::OpenRegistryKeys() const { return s_->keys.size(); }

}  // namespace sim
