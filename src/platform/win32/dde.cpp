// The program-manager DDE client: a client-only instance whose callback
// handles nothing, one conversation with service and topic alike.
#include "platform/win32/win32_windows.h"

namespace {

HDDEDATA CALLBACK IgnoreTransaction(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR,
                                    ULONG_PTR) {
    return nullptr;
}

}  // namespace

unsigned os::Platform::DdeInitialize(std::uint32_t* instance) {
    DWORD id = 0;
    UINT result = ::DdeInitializeA(&id, IgnoreTransaction, APPCMD_CLIENTONLY, 0);
    *instance = id;
    return result;
}

bool os::Platform::DdeUninitialize(std::uint32_t instance) {
    return ::DdeUninitialize(instance) != 0;
}

os::DdeConversation os::Platform::DdeConnect(std::uint32_t instance, const char* service) {
    HSZ name = ::DdeCreateStringHandleA(instance, service, CP_WINANSI);
    if (name == nullptr) return 0;
    HCONV conversation = ::DdeConnect(instance, name, name, nullptr);
    ::DdeFreeStringHandle(instance, name);
    return reinterpret_cast<os::DdeConversation>(conversation);
}

bool os::Platform::DdeDisconnect(os::DdeConversation conversation) {
    return ::DdeDisconnect(reinterpret_cast<HCONV>(conversation)) != 0;
}

bool os::Platform::DdeExecute(os::DdeConversation conversation, const void* data,
                               std::uint32_t size, std::uint32_t timeoutMs) {
    DWORD result = 0;
    HDDEDATA done = ::DdeClientTransaction(
        const_cast<LPBYTE>(static_cast<const BYTE*>(data)), size,
        reinterpret_cast<HCONV>(conversation), nullptr, CF_TEXT, XTYP_EXECUTE, timeoutMs, &result);
    return done != nullptr;
}

std::uint32_t os::Platform::DdeRequestGroups(std::uint32_t instance,
                                             os::DdeConversation conversation, char* buffer,
                                             std::uint32_t size) {
    // The list is asked for in a conversation of its own with the same
    // service: after a request in the conversation that creates the groups,
    // Wine's shell failed every AddItem that followed.
    (void)conversation;
    HSZ name = ::DdeCreateStringHandleA(instance, "PROGMAN", CP_WINANSI);
    HCONV own = name != nullptr ? ::DdeConnect(instance, name, name, nullptr) : nullptr;
    if (name != nullptr) ::DdeFreeStringHandle(instance, name);
    HSZ item = ::DdeCreateStringHandleA(instance, "Groups", CP_WINANSI);
    HDDEDATA data = own != nullptr ? ::DdeClientTransaction(nullptr, 0, own, item, CF_TEXT,
                                                            XTYP_REQUEST, 10000, nullptr)
                                   : nullptr;
    DWORD length = 0;
    if (data != nullptr) {
        length = ::DdeGetData(data, reinterpret_cast<LPBYTE>(buffer), size - 1, 0);
        ::DdeFreeDataHandle(data);
    }
    // The data are read before the conversation ends, which may take them.
    if (own != nullptr) ::DdeDisconnect(own);
    ::DdeFreeStringHandle(instance, item);
    buffer[length] = '\0';
    return length;
}

unsigned os::Platform::DdeGetLastError(std::uint32_t instance) {
    return ::DdeGetLastError(instance);
}
