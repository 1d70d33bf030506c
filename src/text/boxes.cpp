// The three message boxes and the preparation both dialogs share.
#include "text/boxes.h"

#include "text/format.h"
#include "text/messages.h"

void ComposeCaption(const Run& run, const char* word, char* caption) {
    if (run.ActiveTitle != nullptr && run.ActiveTitle[0] != '\0')
        FormatText(caption, CaptionSize, "%s - %s", run.ActiveTitle, word);
    else
        FormatText(caption, CaptionSize, "%s", word);
}

void ShowStopBox(Run& run, os::Window owner, const char* text) {
    if (run.Silent) return;
    char caption[CaptionSize];
    ComposeCaption(run, Msg(MessageId::ErrorCaption), caption);
    run.os.MessageBox(owner, text, caption, os::MB_OK | os::MB_ICONERROR | os::MB_SETFOREGROUND);
}

void ShowMessage(Run& run, os::Window owner, const char* text) {
    if (run.Silent) return;
    char caption[CaptionSize];
    ComposeCaption(run, Msg(MessageId::MessageCaption), caption);
    run.os.MessageBox(owner, text, caption, os::MB_OK | os::MB_ICONINFORMATION | os::MB_SETFOREGROUND);
}

bool AskYesNo(Run& run, os::Window owner, const char* text) {
    // No is the safe answer to every question a silent run meets: keep the
    // shared file, do not restart.
    if (run.Silent) return false;
    char caption[CaptionSize];
    ComposeCaption(run, Msg(MessageId::MessageCaption), caption);
    // A box that cannot be shown (0) or is closed any other way counts as No.
    return run.os.MessageBox(owner, text, caption,
                             os::MB_YESNO | os::MB_ICONQUESTION | os::MB_DEFBUTTON2 |
                                 os::MB_SETFOREGROUND) == os::IDYES;
}

void PrepareDialogWindow(Run& run, os::Window dialog) {
    if (run.WindowsMajor < 4) {
        // Older shells do not centre the dialog: set it in the middle across
        // and at a third of the free height from the top. No small icon.
        os::Rect desktop{};
        os::Rect client{};
        if (run.os.GetDesktopRect(&desktop) && run.os.GetClientRect(dialog, &client)) {
            int x = desktop.left + (desktop.right - client.right - desktop.left) / 2;
            int y = desktop.top + (desktop.bottom - client.bottom - desktop.top) / 3;
            run.os.MoveWindow(dialog, x, y);
        }
    } else {
        run.os.SetSmallIcon(dialog, run.UninstallMode ? os::UninstallSmallIconId
                                                      : os::InstallSmallIconId);
    }
    run.os.SetWindowText(dialog, run.ActiveTitle);
}
