// Services: the thin layer over the Service Control Manager, the pre-pass
// of the install and the service step of the work run.
#include "install/services.h"

#include <cstring>

#include "install/install.h"
#include "log/log.h"
#include "package/package.h"
#include "text/boxes.h"
#include "status/cancel.h"
#include "text/format.h"
#include "text/messages.h"
#include "status/progress.h"

namespace {

// The service texts of a record, each with its NUL.
struct ServiceTexts {
    char Name[sizeof(FileRecord::ServiceName) + 1];
    char DisplayName[sizeof(FileRecord::ServiceDisplayName) + 1];
    // The list ends with an empty name; two spare NULs end it even when the
    // record's field is full.
    char Dependencies[sizeof(FileRecord::ServiceDependencies) + 2];
};

void ReadServiceTexts(const FileRecord& r, ServiceTexts& t) {
    CopyText(t.Name, sizeof t.Name, r.ServiceName, sizeof r.ServiceName);
    CopyText(t.DisplayName, sizeof t.DisplayName, r.ServiceDisplayName,
             sizeof r.ServiceDisplayName);
    std::memset(t.Dependencies, 0, sizeof t.Dependencies);
    std::memcpy(t.Dependencies, r.ServiceDependencies, sizeof r.ServiceDependencies);
}

void ShowServiceError(Run& run, os::Window owner, MessageId id, const char* name) {
    ShowError(run, owner, id, name, static_cast<int>(run.LastServiceError));
}

}  // namespace

bool CreateServiceEntry(Run& run, const char* programPath, const char* serviceName,
                        const char* displayName, const char* dependencies,
                        std::uint32_t startType) {
    run.LastServiceError = 0;
    const os::ScHandle manager = run.os.OpenSCManager(os::SC_MANAGER_ALL_ACCESS);
    if (manager == 0) {
        run.LastServiceError = run.os.GetLastError();
        return false;
    }
    // A program path with blanks is quoted, or the system would try to start
    // the part before the first blank as a program of its own.
    char binaryPath[PathSize + 2];
    if (std::strchr(programPath, ' ') != nullptr && programPath[0] != '"')
        FormatText(binaryPath, sizeof binaryPath, "\"%s\"", programPath);
    else
        FormatText(binaryPath, sizeof binaryPath, "%s", programPath);
    const os::ScHandle service = run.os.CreateService(
        manager, serviceName, displayName, os::SERVICE_ALL_ACCESS, os::SERVICE_WIN32_OWN_PROCESS,
        startType, os::SERVICE_ERROR_NORMAL, binaryPath, dependencies);
    if (service == 0) {
        run.LastServiceError = run.os.GetLastError();
        run.os.CloseServiceHandle(manager);
        return false;
    }
    run.os.CloseServiceHandle(service);
    run.os.CloseServiceHandle(manager);
    return true;
}

bool ChangeServiceState(Run& run, const char* serviceName, ServiceRequest request) {
    run.LastServiceError = 0;
    const os::ScHandle manager = run.os.OpenSCManager(os::SC_MANAGER_ALL_ACCESS);
    if (manager == 0) {
        run.LastServiceError = run.os.GetLastError();
        return false;
    }
    const os::ScHandle service = run.os.OpenService(manager, serviceName, os::SERVICE_ALL_ACCESS);
    if (service == 0) {
        run.LastServiceError = run.os.GetLastError();
        run.os.CloseServiceHandle(manager);
        return false;
    }

    const bool sent = request == ServiceRequest::Start
                          ? run.os.StartService(service)
                          : run.os.ControlService(service, os::SERVICE_CONTROL_STOP);
    // A removal goes on when the stop request fails: a service that is not
    // running cannot be stopped, and the deletion decides.
    if (!sent && request != ServiceRequest::Remove) {
        run.LastServiceError = run.os.GetLastError();
        run.os.CloseServiceHandle(service);
        run.os.CloseServiceHandle(manager);
        return false;
    }

    const std::uint32_t pending =
        request == ServiceRequest::Start ? os::SERVICE_START_PENDING : os::SERVICE_STOP_PENDING;
    bool result = true;
    std::uint32_t polls = 0;
    for (;;) {
        run.os.Sleep(ServicePollInterval);
        std::uint32_t state = 0;
        if (!run.os.QueryServiceStatus(service, &state) || state != pending) break;
        if (++polls >= ServiceWaitPolls) {
            run.LastServiceError = os::ERROR_SERVICE_REQUEST_TIMEOUT;
            result = false;
            break;
        }
    }

    if (result && request == ServiceRequest::Remove) {
        result = run.os.DeleteService(service);
        if (!result) run.LastServiceError = run.os.GetLastError();
    }
    run.os.CloseServiceHandle(service);
    run.os.CloseServiceHandle(manager);
    return result;
}

bool StartServiceWait(Run& run, const char* serviceName) {
    return ChangeServiceState(run, serviceName, ServiceRequest::Start);
}

bool StopServiceWait(Run& run, const char* serviceName) {
    return ChangeServiceState(run, serviceName, ServiceRequest::Stop);
}

bool RemoveService(Run& run, const char* serviceName) {
    return ChangeServiceState(run, serviceName, ServiceRequest::Remove);
}

std::uint32_t QueryServiceState(Run& run, const char* serviceName) {
    const os::ScHandle manager = run.os.OpenSCManager(os::SC_MANAGER_ALL_ACCESS);
    if (manager == 0) return ServiceManagerUnavailable;
    const os::ScHandle service =
        run.os.OpenService(manager, serviceName, os::SERVICE_QUERY_STATUS);
    if (service == 0) {
        const std::uint32_t error = run.os.GetLastError();
        run.os.CloseServiceHandle(manager);
        return error == os::ERROR_SERVICE_DOES_NOT_EXIST ? ServiceNotFound : ServiceNotAccessible;
    }
    std::uint32_t state = 0;
    // A service whose status cannot be read is treated like one that cannot
    // be opened.
    if (!run.os.QueryServiceStatus(service, &state)) state = ServiceNotAccessible;
    run.os.CloseServiceHandle(service);
    run.os.CloseServiceHandle(manager);
    return state;
}

bool StopAndRemoveService(Run& run, os::Window owner, const char* name, const char* displayName,
                          std::uint32_t state, bool uninstalling) {
    if (state == ServiceNotFound) return true;
    char text[LogLineSize];
    if (state == os::SERVICE_RUNNING || state == os::SERVICE_PAUSED) {
        if (!uninstalling) {
            FormatText(text, sizeof text, "Stopping service '%s'", displayName);
            LogText(run, text);
        }
        SetStatusLabel(run, Msg(MessageId::StoppingService));
        SetStatusDetail(run, displayName);
        if (!StopServiceWait(run, name)) {
            ShowServiceError(run, owner, MessageId::CouldntStopService, name);
            return false;
        }
    }
    if (!uninstalling) {
        FormatText(text, sizeof text, "Removing service '%s'", displayName);
        LogText(run, text);
    }
    SetStatusLabel(run, Msg(MessageId::RemovingService));
    SetStatusDetail(run, displayName);
    if (!RemoveService(run, name)) {
        ShowServiceError(run, owner, MessageId::CouldntRemoveService,
                         uninstalling ? displayName : name);
        return false;
    }
    return true;
}

bool ServicePrePass(Run& run, os::Window owner) {
    ServiceTexts t;
    for (std::uint32_t n = 0; n < run.Header->FileCount; ++n) {
        if (PollCancel(run)) return false;
        FileRecord& r = run.Files[n];
        if (!AppliesAtInstall(run, r)) continue;
        if (!run.IsWindowsNT || r.ServiceName[0] == '\0') continue;
        ReadServiceTexts(r, t);

        r.ServiceState = QueryServiceState(run, t.Name);
        if (!StopAndRemoveService(run, owner, t.Name, t.DisplayName, r.ServiceState,
                                  /*uninstalling=*/false))
            return false;
    }
    return true;
}

bool InstallServices(Run& run, os::Window owner) {
    if (run.UninstallMode || !run.IsWindowsNT) return true;
    char text[LogLineSize];
    char path[PathSize];
    ServiceTexts t;
    for (std::uint32_t n = 0; n < run.Header->FileCount; ++n) {
        const FileRecord& r = run.Files[n];
        if (r.NotOnWindowsNT || r.ServiceName[0] == '\0') continue;
        ReadServiceTexts(r, t);
        FilePath(run, n, path);

        SetStatusLabel(run, Msg(MessageId::InstallingService));
        FormatText(text, sizeof text, "Installing service '%s'...", t.DisplayName);
        SetStatusDetail(run, text);
        LogText(run, text);

        const bool wasRunning = r.ServiceState == os::SERVICE_RUNNING;
        const std::uint32_t startType =
            wasRunning ? os::SERVICE_AUTO_START : os::SERVICE_DEMAND_START;
        if (!CreateServiceEntry(run, path, t.Name, t.DisplayName, t.Dependencies, startType)) {
            ShowServiceError(run, owner, MessageId::CouldntInstallService, t.DisplayName);
            return false;
        }

        const bool isNew = r.ServiceState == ServiceNotFound || r.ServiceState == 0;
        if (wasRunning || (r.StartService && isNew)) {
            SetStatusLabel(run, Msg(MessageId::StartingService));
            SetStatusDetail(run, t.DisplayName);
            FormatText(text, sizeof text, "Starting service '%s'...", t.DisplayName);
            LogText(run, text);
            if (!StartServiceWait(run, t.Name)) {
                ShowServiceError(run, owner, MessageId::CouldntStartService, t.DisplayName);
                return false;
            }
        }
    }
    return true;
}
