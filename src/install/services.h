// The thin layer over the Service Control Manager, the service pre-pass of
// the install and the service step of the work run.
#pragma once

#include <cstdint>

#include "run/run.h"

enum class ServiceRequest { Start, Stop, Remove };

// The wait for a pending state polls every ServicePollInterval ms and gives
// up after ServiceWaitPolls polls (five minutes' worth): a service stuck in
// its pending state must not hold the installation for ever. The operation
// then fails with LastServiceError = os::ERROR_SERVICE_REQUEST_TIMEOUT.
constexpr std::uint32_t ServicePollInterval = 200;
constexpr std::uint32_t ServiceWaitPolls = 1500;

bool CreateServiceEntry(Run& run, const char* programPath, const char* serviceName,
                        const char* displayName, const char* dependencies,
                        std::uint32_t startType);
bool ChangeServiceState(Run& run, const char* serviceName, ServiceRequest request);
bool StartServiceWait(Run& run, const char* serviceName);
bool StopServiceWait(Run& run, const char* serviceName);
bool RemoveService(Run& run, const char* serviceName);
std::uint32_t QueryServiceState(Run& run, const char* serviceName);
// Stops a service that is running or paused, then removes it, with the
// status lines of both steps; nothing for ServiceNotFound. The install's
// pre-pass logs both steps and names the service in a removal error by its
// name; the uninstallation writes no log lines of its own and names it there
// by its display name.
bool StopAndRemoveService(Run& run, os::Window owner, const char* name, const char* displayName,
                          std::uint32_t state, bool uninstalling);
// Before any file is placed: stops the services the package replaces.
bool ServicePrePass(Run& run, os::Window owner);
// The last step of the work run. A service is started when it was running
// before the installation (ServiceState 4), or when the record asks for it
// (StartService) and the service did not exist before (ServiceState is
// ServiceNotFound, or 0 for a record the pre-pass did not query).
bool InstallServices(Run& run, os::Window owner);
