/* Prints a service's state and start type: "state=<n> start=<n>", or
 * "missing" when the service does not exist. Exit code 0, or 1 when the
 * Service Control Manager cannot be asked.
 *
 * "svcinfo --hold SECONDS" only waits: services under Wine live as long as
 * the session, so a test keeps one process running across its steps. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv) {
    SC_HANDLE manager, service;
    SERVICE_STATUS status;
    union {
        QUERY_SERVICE_CONFIGA config;
        char bytes[8192];
    } buffer;
    DWORD needed = 0;
    if (argc == 3 && strcmp(argv[1], "--hold") == 0) {
        Sleep((DWORD)atoi(argv[2]) * 1000);
        return 0;
    }
    if (argc != 2) {
        fprintf(stderr, "usage: svcinfo NAME\n");
        return 1;
    }
    manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (!manager) return 1;
    service = OpenServiceA(manager, argv[1], SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG);
    if (!service) {
        printf("missing\n");
        CloseServiceHandle(manager);
        return 0;
    }
    if (!QueryServiceStatus(service, &status)) status.dwCurrentState = 0;
    if (!QueryServiceConfigA(service, &buffer.config, sizeof buffer, &needed))
        buffer.config.dwStartType = 0xFFFFFFFF;
    printf("state=%lu start=%lu\n", (unsigned long)status.dwCurrentState,
           (unsigned long)buffer.config.dwStartType);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return 0;
}
