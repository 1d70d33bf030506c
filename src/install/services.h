// The thin layer over the Service Control Manager, the service pre-pass of
// the install and the service step of the work run.
#pragma once

#include <cstdint>

#include "run/run.h"

enum class ServiceRequest { Start, Stop, Remove };

bool CreateServiceEntry(Run& run, const char* programPath, const char* serviceName,
                        const char* displayName, const char* dependencies,
                        std::uint32_t startType);
bool ChangeServiceState(Run& run, const char* serviceName, ServiceRequest request);
bool StartServiceWait(Run& run, const char* serviceName);
bool StopServiceWait(Run& run, const char* serviceName);
bool RemoveService(Run& run, const char* serviceName);
std::uint32_t QueryServiceState(Run& run, const char* serviceName);
// Phase 5 of RunInstall.
bool ServicePrePass(Run& run, os::Window owner);
// The last step of the work run.
bool InstallServices(Run& run, os::Window owner);
