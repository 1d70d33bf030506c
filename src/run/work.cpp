// The work run of the progress dialog.
#include "run/work.h"

#include "install/install.h"
#include "install/services.h"
#include "log/log.h"
#include "shell/shell.h"
#include "status/progress.h"
#include "text/boxes.h"
#include "text/format.h"
#include "text/messages.h"
#include "uninstall/uninstall.h"

namespace {

constexpr std::size_t ClosingTextSize = 320;

}  // namespace

std::intptr_t RunWork(Run& run, os::Window dialog) {
    DrawProgress(run, dialog, 0, 0);
    if (run.UninstallMode) {
        if (!RunUninstall(run, dialog)) return 0;
    } else if (!RunInstall(run, dialog)) {
        char text[ClosingTextSize];
        FormatText(text, sizeof text, "%s%s",
                   Msg(run.AbortRequested ? MessageId::InstallationAborted
                                          : MessageId::InstallationError),
                   Msg(MessageId::MayNotRunProperly));
        ShowError(run, dialog, text);
        return 0;
    }
    // Their failures are shown by themselves and do not fail the run.
    UpdateProgramGroups(run, dialog);
    UpdateUninstallEntry(run, dialog);
    return InstallServices(run, dialog) ? 1 : 0;
}
