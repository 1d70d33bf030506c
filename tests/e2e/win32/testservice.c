/* A tiny service: reports running when started and stopped when asked to
 * stop. Started by the Service Control Manager only. */
#include <windows.h>

static SERVICE_STATUS_HANDLE status_handle;
static SERVICE_STATUS status;
static HANDLE stop_event;

static void report(DWORD state) {
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    SetServiceStatus(status_handle, &status);
}

static DWORD WINAPI control(DWORD code, DWORD type, LPVOID data, LPVOID context) {
    (void)type;
    (void)data;
    (void)context;
    if (code == SERVICE_CONTROL_STOP) {
        report(SERVICE_STOP_PENDING);
        SetEvent(stop_event);
    }
    return NO_ERROR;
}

static void WINAPI service_main(DWORD argc, LPSTR *argv) {
    (void)argc;
    (void)argv;
    status_handle = RegisterServiceCtrlHandlerExA("", control, NULL);
    if (!status_handle) return;
    stop_event = CreateEventA(NULL, TRUE, FALSE, NULL);
    report(SERVICE_RUNNING);
    WaitForSingleObject(stop_event, INFINITE);
    report(SERVICE_STOPPED);
}

int main(void) {
    char name[] = "";
    SERVICE_TABLE_ENTRYA table[] = {{name, service_main}, {NULL, NULL}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
