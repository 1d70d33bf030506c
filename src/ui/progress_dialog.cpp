// The progress dialog: the work run, the Cancel command and the cancel poll.
// The work runs inside the dialog's own message handling; while it runs, the
// user acts only through the polls and the boxes.
#include "ui/dialogs.h"

#include "install/install.h"
#include "install/services.h"
#include "log/log.h"
#include "shell/shell.h"
#include "text/boxes.h"
#include "text/format.h"
#include "text/messages.h"
#include "status/progress.h"
#include "uninstall/uninstall.h"

namespace {

constexpr std::size_t ClosingTextSize = 320;

void InitProgressDialog(Run& run, os::Window dialog) {
    run.ProgressWindow = dialog;
    run.LabelShown = nullptr;
    run.DetailKnown = false;
    run.PercentShown = 0xFFFFFFFFu;
    PrepareDialogWindow(run, dialog);
    SetStatusLabel(run, Msg(MessageId::Initializing));
    run.os.SetItemText(dialog, os::IDCANCEL, Msg(MessageId::CancelButton));
    run.os.PostMessage(dialog, os::RunWorkMessage, 0, 0);
}

bool KeyHeld(Run& run, int key) {
    return (static_cast<unsigned short>(run.os.GetAsyncKeyState(key)) & 0x8000u) != 0;
}

}  // namespace

std::intptr_t ProgressDialog(Run& run) {
    // A silent run does the same work without the window around it.
    if (run.Silent) return RunWork(run, 0);
    return run.os.DialogBox(os::ProgressDialogId, 0, ProgressDialogProc, &run);
}

std::intptr_t ProgressDialogProc(void* context, os::Window dialog, unsigned message,
                                 std::uintptr_t wParam, std::intptr_t) {
    Run& run = *static_cast<Run*>(context);
    switch (message) {
    case os::WM_INITDIALOG:
        InitProgressDialog(run, dialog);
        return 1;
    case os::WM_PAINT: {
        os::DeviceContext dc = run.os.BeginPaint(dialog);
        DrawProgress(run, dialog, dc, 0);
        run.os.EndPaint(dialog, dc);
        return 0;
    }
    case os::WM_SETCURSOR:
        run.os.SetWaitCursor();
        return 1;
    case os::WM_COMMAND:
        if (((wParam >> 16) & 0xFFFF) == 0 && (wParam & 0xFFFF) == os::IDCANCEL)
            CancelCommand(run, dialog);
        return 0;
    case os::RunWorkMessage:
        // The run's request comes last, so it decides the dialog's result
        // even when a Cancel command asked for 0 meanwhile.
        run.os.EndDialog(dialog, RunWork(run, dialog));
        return 0;
    case os::WM_DESTROY:
        run.ProgressWindow = 0;
        return 0;
    default:
        return 0;
    }
}

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

void CancelCommand(Run& run, os::Window dialog) {
    if (!AskYesNo(run, dialog,
                  Msg(run.UninstallMode ? MessageId::AbortUninstallQuestion
                                        : MessageId::AbortInstallQuestion)))
        return;
    run.AbortRequested = true;
    LogText(run, "\r\n!!! Installation aborted by user !!!\r\n");
    run.os.EndDialog(dialog, 0);
}

bool PollCancel(Run& run) {
    run.os.PeekMessage();
    os::Window dialog = run.ProgressWindow;
    if (dialog != 0 && KeyHeld(run, os::VK_LBUTTON)) {
        // While the button is down only its place counts, not Escape.
        os::Point cursor{};
        os::Rect cancel{};
        if (run.os.GetCursorPos(&cursor) && run.os.GetItemRect(dialog, os::IDCANCEL, false, &cancel) &&
            cursor.x >= cancel.left && cursor.x < cancel.right && cursor.y >= cancel.top &&
            cursor.y < cancel.bottom)
            run.os.SendCancelCommand(dialog);
    } else if (dialog != 0 && KeyHeld(run, os::VK_ESCAPE)) {
        run.os.SendCancelCommand(dialog);
    }
    return run.AbortRequested;
}
