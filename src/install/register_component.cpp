// RegisterComponent: the self-registration of a placed component, by its
// entry point or by running it with "/REGSERVER".
#include "install/install.h"
#include "log/log.h"
#include "text/boxes.h"
#include "text/format.h"
#include "text/messages.h"

namespace {

bool RegisterByRunning(Run& run, os::Window owner, const char* path) {
    char text[LogLineSize];
    FormatText(text, sizeof text, "Running '%s /REGSERVER' ...", path);
    LogText(run, text);
    const std::int32_t result = RunAndWait(run, path, "/REGSERVER");
    if (result == -1) {
        ShowError(run, owner, MessageId::CouldntExecuteOleServer, path);
        return false;
    }
    if (result != 0) {
        ShowError(run, owner, MessageId::CouldntRegisterOleServer, path, static_cast<int>(result));
        return false;
    }
    return true;
}

bool RegisterByEntryPoint(Run& run, os::Window owner, const char* path) {
    char text[LogLineSize];
    FormatText(text, sizeof text, "Calling DllRegisterServer in '%s'...", path);
    LogText(run, text);
    const os::LibraryHandle library = run.os.LoadLibrary(path);
    if (library == 0) {
        ShowError(run, owner, MessageId::CouldntLoadLibrary, path);
        return false;
    }
    const os::EntryPoint entry = run.os.GetProcAddress(library, "DllRegisterServer");
    if (entry == 0) {
        run.os.FreeLibrary(library);
        ShowError(run, owner, MessageId::NoDllRegisterServer, path);
        return false;
    }
    const std::int32_t status = run.os.CallEntryPoint(entry);
    run.os.FreeLibrary(library);
    if (status != 0) {
        ShowError(run, owner, MessageId::DllRegisterServerFailed, path, static_cast<int>(status));
        return false;
    }
    return true;
}

}  // namespace

bool RegisterComponent(Run& run, os::Window owner, const char* path, bool byRun) {
    return byRun ? RegisterByRunning(run, owner, path) : RegisterByEntryPoint(run, owner, path);
}
