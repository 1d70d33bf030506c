// Services: the thin layer over the Service Control Manager, the pre-pass
// of the install and the service step of the work run.
#include "install/services.h"

bool CreateServiceEntry(Run&, const char*, const char*, const char*, const char*, std::uint32_t) {
    return false;
}
bool ChangeServiceState(Run&, const char*, ServiceRequest) { return false; }
bool StartServiceWait(Run&, const char*) { return false; }
bool StopServiceWait(Run&, const char*) { return false; }
bool RemoveService(Run&, const char*) { return false; }
std::uint32_t QueryServiceState(Run&, const char*) { return ServiceManagerUnavailable; }
bool ServicePrePass(Run&, os::Window) { return true; }
bool InstallServices(Run&, os::Window) { return true; }
