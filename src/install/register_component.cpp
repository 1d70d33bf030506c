// RegisterComponent: the self-registration of a placed component, by its
// entry point or by running it with "/REGSERVER", and its undoing before
// the uninstallation deletes it ("/UNREGSERVER", DllUnregisterServer).
#include <cstdint>

#include "install/install.h"
#include "log/log.h"
#include "text/boxes.h"
#include "text/format.h"
#include "text/messages.h"

namespace {

// What differs between the two directions besides the log lines: the
// switch, the entry point and the messages (numbers of the message table,
// a byte each).
struct RegistrationWay {
    const char* RunSwitch;
    const char* EntryName;
    std::uint8_t CouldntExecute;
    std::uint8_t ExitCodeNotZero;
    std::uint8_t NoEntry;
    std::uint8_t EntryFailed;
};

constexpr std::uint8_t Id(MessageId id) { return static_cast<std::uint8_t>(id); }

constexpr RegistrationWay Ways[] = {
    {"/REGSERVER", "DllRegisterServer", Id(MessageId::CouldntExecuteOleServer),
     Id(MessageId::CouldntRegisterOleServer), Id(MessageId::NoDllRegisterServer),
     Id(MessageId::DllRegisterServerFailed)},
    {"/UNREGSERVER", "DllUnregisterServer", Id(MessageId::CouldntExecuteOleServerUninstall),
     Id(MessageId::CouldntUnregisterOleServer), Id(MessageId::NoDllUnregisterServer),
     Id(MessageId::DllUnregisterServerFailed)},
};

// Only the registration writes log lines; an uninstallation writes none of
// its own.
void LogRegistration(Run& run, Registration direction, const char* format, const char* path) {
    if (direction != Registration::Register) return;
    char text[LogLineSize];
    FormatText(text, sizeof text, format, path);
    LogText(run, text);
}

bool RegisterByRunning(Run& run, os::Window owner, const char* path, Registration direction) {
    const RegistrationWay& way = Ways[direction == Registration::Unregister];
    LogRegistration(run, direction, "Running '%s /REGSERVER' ...", path);
    // RunAndWait quotes the program path itself.
    const std::int32_t result = RunAndWait(run, path, way.RunSwitch);
    if (result == -1) {
        ShowError(run, owner, MessageId(way.CouldntExecute), path);
        return false;
    }
    if (result != 0) {
        ShowError(run, owner, MessageId(way.ExitCodeNotZero), path, static_cast<int>(result));
        return false;
    }
    return true;
}

bool RegisterByEntryPoint(Run& run, os::Window owner, const char* path, Registration direction) {
    const RegistrationWay& way = Ways[direction == Registration::Unregister];
    LogRegistration(run, direction, "Calling DllRegisterServer in '%s'...", path);
    const os::LibraryHandle library = run.os.LoadLibrary(path);
    if (library == 0) {
        ShowError(run, owner, MessageId::CouldntLoadLibrary, path);
        return false;
    }
    const os::EntryPoint entry = run.os.GetProcAddress(library, way.EntryName);
    if (entry == 0) {
        run.os.FreeLibrary(library);
        ShowError(run, owner, MessageId(way.NoEntry), path);
        return false;
    }
    const std::int32_t status = run.os.CallEntryPoint(entry);
    run.os.FreeLibrary(library);
    if (status != 0) {
        ShowError(run, owner, MessageId(way.EntryFailed), path, static_cast<int>(status));
        return false;
    }
    return true;
}

}  // namespace

bool RegisterComponent(Run& run, os::Window owner, const char* path, bool byRun,
                       Registration direction) {
    return byRun ? RegisterByRunning(run, owner, path, direction)
                 : RegisterByEntryPoint(run, owner, path, direction);
}
