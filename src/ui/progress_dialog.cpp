// The progress dialog: it runs the work it is given inside its own message
// handling, and turns its Cancel button into the Cancel command.
#include "ui/dialogs.h"

#include "status/cancel.h"
#include "status/progress.h"
#include "text/boxes.h"
#include "text/messages.h"

namespace {

// What the dialog procedure receives: the run and its work.
struct ProgressContext {
    Run& run;
    ProgressWork work;
};

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

}  // namespace

std::intptr_t ProgressDialog(Run& run, ProgressWork work) {
    // A silent run does the same work without the window around it.
    if (run.Silent) return work(run, 0);
    ProgressContext context{run, work};
    return run.os.DialogBox(os::ProgressDialogId, 0, ProgressDialogProc, &context);
}

std::intptr_t ProgressDialogProc(void* context, os::Window dialog, unsigned message,
                                 std::uintptr_t wParam, std::intptr_t) {
    ProgressContext& progress = *static_cast<ProgressContext*>(context);
    Run& run = progress.run;
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
        run.os.EndDialog(dialog, progress.work(run, dialog));
        return 0;
    case os::WM_DESTROY:
        run.ProgressWindow = 0;
        return 0;
    default:
        return 0;
    }
}
