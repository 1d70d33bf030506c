// The main dialog: the package's introduction, the destination directory,
// and the Install, Cancel and Help buttons.
#include "ui/dialogs.h"

#include "install/install.h"
#include "log/log.h"
#include "package/package.h"
#include "text/boxes.h"
#include "text/format.h"
#include "text/messages.h"

namespace {

constexpr int DestinationLimit = 260;
// The edit offers 255 characters: at most 254 arrive.
constexpr int DestinationReadSize = 255;

constexpr std::size_t ProposedSize = PathSize + sizeof(InstallHeader::DefaultSubdir);

void ProposeDestination(const Run& run, char (&proposed)[ProposedSize]) {
    FormatText(proposed, sizeof proposed, "%s\\%s", run.ProgramFilesDir, run.Header->DefaultSubdir);
}

void InitMainDialog(Run& run, os::Window dialog) {
    run.os.SetItemText(dialog, os::InstallToItem, Msg(MessageId::InstallTo));
    run.os.SetItemText(dialog, os::InstallButton, Msg(MessageId::InstallButton));
    run.os.SetItemText(dialog, os::IDCANCEL, Msg(MessageId::CancelButton));
    run.os.SetItemText(dialog, os::IDHELP, Msg(MessageId::HelpButton));
    run.os.SetItemText(dialog, os::IntroItem, run.Header->MainDialogText);
    run.os.LimitItemText(dialog, os::DestinationItem, DestinationLimit);
    char proposed[ProposedSize];
    ProposeDestination(run, proposed);
    run.os.SetItemText(dialog, os::DestinationItem, proposed);
    PrepareDialogWindow(run, dialog);
}

void PressInstall(Run& run, os::Window dialog) {
    // An edit that cannot be read leaves an empty path, which is illegal.
    if (run.os.GetItemText(dialog, os::DestinationItem, run.DestinationDir,
                           DestinationReadSize) < 0)
        run.DestinationDir[0] = '\0';
    run.DestinationDir[DestinationReadSize - 1] = '\0';
    if (ValidateDestination(run, dialog)) run.os.EndDialog(dialog, 1);
}

void PressHelp(Run& run, os::Window dialog) {
    // The help box carries the bare title, not a composed caption.
    const char* text = run.IsWindowsNT ? run.Header->HelpTextNT : run.Header->HelpText;
    run.os.MessageBox(dialog, text, run.ActiveTitle, 
                      os::MB_OK | os::MB_ICONINFORMATION | os::MB_SETFOREGROUND);
}

}  // namespace

std::intptr_t MainDialog(Run& run) {
    if (run.Silent) {
        // The answer a user would have typed: /D= or the proposed
        // destination, as much of it as the edit would hand over, through
        // the same check as the Install button.
        char proposed[ProposedSize];
        ProposeDestination(run, proposed);
        CopyText(run.DestinationDir, DestinationReadSize,
                 run.DestinationSwitch[0] != '\0' ? run.DestinationSwitch : proposed, ProposedSize);
        return ValidateDestination(run, 0) ? 1 : 0;
    }
    return run.os.DialogBox(os::MainDialogId, 0, MainDialogProc, &run);
}

std::intptr_t MainDialogProc(void* context, os::Window dialog, unsigned message,
                             std::uintptr_t wParam, std::intptr_t) {
    Run& run = *static_cast<Run*>(context);
    if (message == os::WM_INITDIALOG) {
        InitMainDialog(run, dialog);
        return 1;
    }
    if (message != os::WM_COMMAND || ((wParam >> 16) & 0xFFFF) != 0) return 0;
    switch (static_cast<int>(wParam & 0xFFFF)) {
    case os::IDCANCEL:
        if (AskYesNo(run, dialog,
                     Msg(run.UninstallMode ? MessageId::AbortUninstallQuestion
                                           : MessageId::AbortInstallQuestion)))
            run.os.EndDialog(dialog, 0);
        return 1;
    case os::IDHELP:
        PressHelp(run, dialog);
        return 1;
    case os::InstallButton:
        PressInstall(run, dialog);
        return 1;
    default:
        return 0;
    }
}

bool ValidateDestination(Run& run, os::Window dialog) {
    const MessageId fault = DestinationFault(run);
    if (fault != MessageId::Empty) {
        ReportFieldError(run, dialog, os::DestinationItem, Msg(fault));
        return false;
    }
    // Only the last level is created; an existing file of the name counts
    // as existing.
    if (!PathExists(run, run.DestinationDir) && !MakeDirectory(run, run.DestinationDir)) {
        ReportFieldError(run, dialog, os::DestinationItem,
                         Msg(MessageId::CouldntCreateDestination));
        return false;
    }
    OpenInstallLog(run, dialog);
    return true;
}

void ReportFieldError(Run& run, os::Window dialog, int item, const char* text) {
    // A silent run has no field to point at.
    if (dialog != 0) {
        run.os.MessageBeep(0);
        run.os.SelectItemText(dialog, item, 0, 0x7FFF0000);
        run.os.FocusItem(dialog, item);
    }
    ShowError(run, dialog, text);
}
