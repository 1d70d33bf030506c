// The Cancel command and the cancel poll. The work runs inside the progress
// dialog's own message handling; while it runs, the user acts only through
// these polls and the boxes.
#include "status/cancel.h"

#include "log/log.h"
#include "text/boxes.h"
#include "text/messages.h"

namespace {

bool KeyHeld(Run& run, int key) {
    return (static_cast<unsigned short>(run.os.GetAsyncKeyState(key)) & 0x8000u) != 0;
}

}  // namespace

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
