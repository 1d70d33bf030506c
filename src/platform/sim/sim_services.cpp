// The Service Control Manager: services with their configuration and state,
// pending states that last a number of status queries, deletion when the
// last handle closes, and scripted refusals.
#include "platform/sim/state.h"

namespace sim {

namespace {

// Access rights of service and manager handles, as the calls check them.
constexpr std::uint32_t SC_MANAGER_CONNECT = 0x0001;
constexpr std::uint32_t SC_MANAGER_CREATE_SERVICE = 0x0002;
constexpr std::uint32_t SERVICE_START = 0x0010;
constexpr std::uint32_t SERVICE_STOP = 0x0020;
constexpr std::uint32_t DELETE = 0x00010000;

ServiceRecord* ServiceOf(State& s, os::ScHandle handle, std::uint32_t required) {
    auto it = s.scHandles.find(handle);
    if (it == s.scHandles.end() || it->second.manager) {
        s.lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    if ((it->second.access & required) != required) {
        s.lastError = os::ERROR_ACCESS_DENIED;
        return nullptr;
    }
    auto svc = s.services.find(it->second.service);
    if (svc == s.services.end()) {
        s.lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    return &svc->second;
}

bool IsManager(State& s, os::ScHandle handle, std::uint32_t required) {
    auto it = s.scHandles.find(handle);
    if (it == s.scHandles.end() || !it->second.manager) {
        s.lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    if ((it->second.access & required) != required) {
        s.lastError = os::ERROR_ACCESS_DENIED;
        return false;
    }
    return true;
}

// Moves a service to `target` through `pending`, at once when it has no
// pending polls.
void Begin(ServiceRecord& r, std::uint32_t pending, std::uint32_t target) {
    if (r.pendingPolls <= 0 && !r.stuck) {
        r.info.state = target;
        return;
    }
    r.info.state = pending;
    r.target = target;
    r.remaining = r.pendingPolls;
}

os::ScHandle NewServiceHandle(State& s, const std::string& key, std::uint32_t access) {
    os::ScHandle h = s.nextHandle++;
    s.scHandles[h] = ScHandleRecord{false, key, access};
    ++s.services[key].handles;
    return h;
}

std::vector<std::string> SplitMulti(const char* text) {
    std::vector<std::string> out;
    if (!text) return out;
    while (*text) {
        std::string name = text;
        out.push_back(name);
        text += name.size() + 1;
    }
    return out;
}

void ApplyScript(State& s, const std::string& key, ServiceRecord& r) {
    auto script = s.serviceScripts.find(key);
    if (script == s.serviceScripts.end()) return;
    r.pendingPolls = script->second.pendingPolls;
    r.stuck = script->second.stuck;
    r.accessDenied = script->second.accessDenied;
    r.failStart = script->second.failStart;
    r.failStop = script->second.failStop;
    r.failDelete = script->second.failDelete;
}

}  // namespace

os::ScHandle PlatformCalls::OpenSCManager(std::uint32_t access) {
    if (s_->Fails("OpenSCManager")) return 0;
    if (!s_->IsNT()) {
        s_->lastError = ERROR_CALL_NOT_IMPLEMENTED;
        return 0;
    }
    if (!s_->managerAvailable) {
        s_->lastError = os::ERROR_ACCESS_DENIED;
        return 0;
    }
    os::ScHandle h = s_->nextHandle++;
    s_->scHandles[h] = ScHandleRecord{true, std::string(), access};
    return h;
}

os::ScHandle PlatformCalls::CreateService(os::ScHandle manager, const char* name,
                                          const char* displayName, std::uint32_t access,
                                          std::uint32_t serviceType, std::uint32_t startType,
                                          std::uint32_t errorControl, const char* binaryPath,
                                          const char* dependencies) {
    if (s_->Fails("CreateService")) return 0;
    if (!IsManager(*s_, manager, SC_MANAGER_CREATE_SERVICE)) return 0;
    std::string key = Upper(Str(name));
    if (key.empty()) {
        s_->lastError = 123;  // ERROR_INVALID_NAME
        return 0;
    }
    auto it = s_->services.find(key);
    if (it != s_->services.end()) {
        s_->lastError = it->second.info.markedForDeletion ? ERROR_SERVICE_MARKED_FOR_DELETE
                                                          : os::ERROR_SERVICE_EXISTS;
        return 0;
    }
    ServiceRecord r;
    r.info.name = Str(name);
    r.info.displayName = displayName ? Str(displayName) : Str(name);
    r.info.binaryPath = Str(binaryPath);
    r.info.serviceType = serviceType;
    r.info.startType = startType;
    r.info.errorControl = errorControl;
    r.info.dependencies = SplitMulti(dependencies);
    r.info.state = os::SERVICE_STOPPED;
    ApplyScript(*s_, key, r);
    s_->services[key] = r;
    return NewServiceHandle(*s_, key, access);
}

os::ScHandle PlatformCalls::OpenService(os::ScHandle manager, const char* name,
                                        std::uint32_t access) {
    if (s_->Fails("OpenService")) return 0;
    if (!IsManager(*s_, manager, SC_MANAGER_CONNECT)) return 0;
    std::string key = Upper(Str(name));
    auto it = s_->services.find(key);
    if (it == s_->services.end()) {
        s_->lastError = os::ERROR_SERVICE_DOES_NOT_EXIST;
        return 0;
    }
    if (it->second.accessDenied) {
        s_->lastError = os::ERROR_ACCESS_DENIED;
        return 0;
    }
    return NewServiceHandle(*s_, key, access);
}

bool PlatformCalls::StartService(os::ScHandle service) {
    if (s_->Fails("StartService")) return false;
    ServiceRecord* r = ServiceOf(*s_, service, SERVICE_START);
    if (!r) return false;
    if (r->info.markedForDeletion) {
        s_->lastError = ERROR_SERVICE_MARKED_FOR_DELETE;
        return false;
    }
    if (r->failStart) {
        s_->lastError = r->failStart;
        return false;
    }
    if (r->info.state != os::SERVICE_STOPPED) {
        s_->lastError = ERROR_SERVICE_ALREADY_RUNNING;
        return false;
    }
    Begin(*r, os::SERVICE_START_PENDING, os::SERVICE_RUNNING);
    return true;
}

bool PlatformCalls::ControlService(os::ScHandle service, std::uint32_t control) {
    if (s_->Fails("ControlService")) return false;
    ServiceRecord* r = ServiceOf(*s_, service, SERVICE_STOP);
    if (!r) return false;
    if (control != os::SERVICE_CONTROL_STOP) {
        s_->lastError = ERROR_INVALID_PARAMETER;
        return false;
    }
    if (r->info.state == os::SERVICE_STOPPED) {
        s_->lastError = os::ERROR_SERVICE_NOT_ACTIVE;
        return false;
    }
    if (r->failStop) {
        s_->lastError = r->failStop;
        return false;
    }
    Begin(*r, os::SERVICE_STOP_PENDING, os::SERVICE_STOPPED);
    return true;
}

bool PlatformCalls::QueryServiceStatus(os::ScHandle service, std::uint32_t* state) {
    if (s_->Fails("QueryServiceStatus")) return false;
    ServiceRecord* r = ServiceOf(*s_, service, os::SERVICE_QUERY_STATUS);
    if (!r) return false;
    bool pending = r->info.state == os::SERVICE_START_PENDING ||
                   r->info.state == os::SERVICE_STOP_PENDING;
    if (pending && !r->stuck) {
        if (r->remaining > 0) {
            --r->remaining;
        } else {
            r->info.state = r->target;
        }
    }
    if (state) *state = r->info.state;
    return true;
}

bool PlatformCalls::DeleteService(os::ScHandle service) {
    if (s_->Fails("DeleteService")) return false;
    ServiceRecord* r = ServiceOf(*s_, service, DELETE);
    if (!r) return false;
    if (r->failDelete) {
        s_->lastError = r->failDelete;
        return false;
    }
    if (r->info.markedForDeletion) {
        s_->lastError = ERROR_SERVICE_MARKED_FOR_DELETE;
        return false;
    }
    r->info.markedForDeletion = true;
    return true;
}

bool PlatformCalls::CloseServiceHandle(os::ScHandle handle) {
    if (s_->Fails("CloseServiceHandle")) return false;
    auto it = s_->scHandles.find(handle);
    if (it == s_->scHandles.end()) {
        s_->lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    std::string key = it->second.service;
    bool manager = it->second.manager;
    s_->scHandles.erase(it);
    if (!manager) {
        auto svc = s_->services.find(key);
        if (svc != s_->services.end() && --svc->second.handles <= 0 &&
            svc->second.info.markedForDeletion) {
            // A service marked for deletion goes once it has stopped and the
            // last handle is closed, as on Windows.
            if (svc->second.info.state == os::SERVICE_STOPPED) s_->services.erase(svc);
        }
    }
    return true;
}

// ---- Test helpers -------------------------------------------------------------

void Machine::AddService(const ServiceInfo& service) {
    ServiceRecord r;
    r.info = service;
    ApplyScript(*s_, Upper(service.name), r);
    s_->services[Upper(service.name)] = r;
}

bool Machine::HasService(const std::string& name) const {
    return s_->services.count(Upper(name)) != 0;
}

ServiceInfo Machine::Service(const std::string& name) const {
    auto it = s_->services.find(Upper(name));
    return it == s_->services.end() ? ServiceInfo{} : it->second.info;
}

std::vector<ServiceInfo> Machine::Services() const {
    std::vector<ServiceInfo> out;
    for (const auto& s : s_->services) out.push_back(s.second.info);
    return out;
}

void Machine::SetServiceState(const std::string& name, std::uint32_t state) {
    auto it = s_->services.find(Upper(name));
    if (it != s_->services.end()) it->second.info.state = state;
}

void Machine::SetPendingPolls(const std::string& name, int polls) {
    s_->serviceScripts[Upper(name)].pendingPolls = polls;
    auto it = s_->services.find(Upper(name));
    if (it != s_->services.end()) it->second.pendingPolls = polls;
}

void Machine::SetStuckPending(const std::string& name, bool stuck) {
    s_->serviceScripts[Upper(name)].stuck = stuck;
    auto it = s_->services.find(Upper(name));
    if (it != s_->services.end()) it->second.stuck = stuck;
}

void Machine::SetServiceManagerAvailable(bool available) { s_->managerAvailable = available; }

void Machine::SetServiceAccessDenied(const std::string& name, bool denied) {
    s_->serviceScripts[Upper(name)].accessDenied = denied;
    auto it = s_->services.find(Upper(name));
    if (it != s_->services.end()) it->second.accessDenied = denied;
}

void Machine::FailServiceStart(const std::string& name, std::uint32_t error) {
    s_->serviceScripts[Upper(name)].failStart = error;
    auto it = s_->services.find(Upper(name));
    if (it != s_->services.end()) it->second.failStart = error;
}

void Machine::FailServiceStop(const std::string& name, std::uint32_t error) {
    s_->serviceScripts[Upper(name)].failStop = error;
    auto it = s_->services.find(Upper(name));
    if (it != s_->services.end()) it->second.failStop = error;
}

void Machine::FailServiceDelete(const std::string& name, std::uint32_t error) {
    s_->serviceScripts[Upper(name)].failDelete = error;
    auto it = s_->services.find(Upper(name));
    if (it != s_->services.end()) it->second.failDelete = error;
}

std::size_t Machine::OpenServiceHandles() const { return s_->scHandles.size(); }

}  // namespace sim
