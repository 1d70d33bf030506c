// What follows a successful work run, and the uninstaller's self-removal.
#include "run/completion.h"

#include <cstring>

#include "log/log.h"
#include "package/package.h"
#include "text/boxes.h"
#include "text/format.h"
#include "text/messages.h"

namespace {

// NORMAL_PRIORITY_CLASS | CREATE_SHARED_WOW_VDM
constexpr std::uint32_t SelfRemovalFlags = 0x20 | 0x1000;

// The batch tries to delete the uninstaller's file until it can, deletes
// it, removes the destination when it is empty and deletes itself. Between
// tries it waits, and it gives up after about a minute: a file that stays
// held (a program keeps it open) must not keep the command interpreter
// spinning for the rest of the session. The tries are counted by the batch's
// arguments, one dropped by "shift" per try: both command interpreters know
// it, and it needs no environment space, which COMMAND.COM may not have.
// Every path is quoted: a temporary directory with blanks is common.
// The wait takes three seconds. COMMAND.COM of Windows 95, 98 and Me has no
// wait of its own, but each installs CHOICE in the COMMAND directory of the
// Windows directory, and it takes its default after a given time. Windows
// NT has no CHOICE there, but PING, which waits a second between echoes (to
// this machine, so no network is needed). Where neither runs, the tries
// still end.
const char BatchFormat[] =
    "@echo off\r\n:a\r\ndel \"%s\"\r\nif not exist \"%s\" goto b\r\n"
    "if exist \"%%windir%%\\command\\choice.com\" choice /c:y /t:y,3 /n >nul\r\n"
    "if not exist \"%%windir%%\\command\\choice.com\" ping -n 4 127.0.0.1 >nul\r\n"
    "shift\r\nif not \"%%1\"==\"\" goto a\r\n:b\r\nrd \"%s\"\r\ndel \"%s\"";
// One argument per try after the first: 20 tries, 57 seconds of waiting.
// Short, as COMMAND.COM's command line ends at 127 characters.
const char BatchTries[] = " 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1";

// A path as the batch must spell it: the command interpreter expands "%"
// even inside quotes, so every percent sign is doubled ("100%" -> "100%%").
void BatchSpelling(const char* path, char (&out)[2 * PathSize]) {
    std::size_t n = 0;
    for (const char* p = path; *p != '\0' && n + 2 < sizeof out; ++p) {
        if (*p == '%') out[n++] = '%';
        out[n++] = *p;
    }
    out[n] = '\0';
}

}  // namespace

void CompleteInstall(Run& run) {
    const InstallHeader& h = *run.Header;
    if (run.RestartNeeded) {
        // The finished text opens the restart question instead of a box of
        // its own. The title is kept too: the header is gone when it is asked.
        FormatText(run.RestartQuestion, sizeof run.RestartQuestion, "%s\r\r%s", h.FinishedText,
                   h.RestartText);
        CopyText(run.RestartTitle, sizeof run.RestartTitle, run.ActiveTitle, sizeof run.RestartTitle);
        return;
    }
    ShowMessage(run, 0, h.FinishedText);
    // Nobody is there to read a program's window or the help file.
    if (run.Silent) return;
    if (h.RunAfterInstall[0] != '\0') {
        char path[PathSize + sizeof h.RunAfterInstall];
        FormatText(path, sizeof path, "%s\\%s", run.DestinationDir, h.RunAfterInstall);
        LogLine(run, "Executing: ", path);
        run.os.ShellExecute(path, h.RunParameters, Msg(MessageId::Empty), os::SW_SHOWNORMAL);
    }
    if (h.HelpFileNumber > 0 && static_cast<std::uint32_t>(h.HelpFileNumber) <= h.FileCount) {
        char path[PathSize];
        if (FilePath(run, static_cast<std::size_t>(h.HelpFileNumber - 1), path) != 0) {
            LogLine(run, "Showing help file: ", path);
            run.os.WinHelp(path, os::HELP_CONTEXT, h.HelpContext);
        }
    }
}

void CompleteUninstall(Run& run) {
    char program[PathSize] = {};
    run.os.GetModuleFileName(program, sizeof program);
    // Neither this process nor the batch may hold the destination as its
    // current directory when the batch removes it.
    run.os.SetCurrentDirectory("\\");

    char temp[1024] = {};
    char batch[PathSize] = {};
    // Without its own path the batch would wait for nothing and remove a
    // directory that still holds the uninstaller.
    if (program[0] != '\0' && run.os.GetTempPath(sizeof temp, temp) != 0 &&
        run.os.GetTempFileName(temp, "ins", batch) != 0) {
        run.os.DeleteFile(batch);
        std::size_t length = std::strlen(batch);
        if (length >= 3) {
            std::memcpy(batch + length - 3, "BAT", 3);
            char programText[2 * PathSize], destinationText[2 * PathSize], batchText[2 * PathSize];
            BatchSpelling(program, programText);
            BatchSpelling(run.DestinationDir, destinationText);
            BatchSpelling(batch, batchText);
            char text[sizeof BatchFormat + 8 * PathSize];
            std::size_t size = FormatText(text, sizeof text, BatchFormat, programText, programText,
                                          destinationText, batchText);
            os::FileHandle file = run.os.CreateFile(
                batch, os::GENERIC_WRITE, 0, os::CREATE_ALWAYS,
                os::FILE_ATTRIBUTE_NORMAL | os::FILE_FLAG_SEQUENTIAL_SCAN);
            if (file != os::InvalidFile) {
                bool written = run.os.HWrite(file, text, static_cast<long>(size)) ==
                               static_cast<long>(size);
                run.os.CloseHandle(file);
                if (written) {
                    CopyText(run.BatchPath, sizeof run.BatchPath, batch, sizeof batch);
                    run.SelfRemovalPending = true;
                } else {
                    // A half batch would run wrong commands; without it the
                    // uninstaller file simply stays.
                    run.os.DeleteFile(batch);
                }
            }
        }
    }
    ShowMessage(run, 0, Msg(MessageId::UninstallFinished));
}

void StartSelfRemoval(Run& run) {
    // Quoted, so that a temporary directory with blanks still names the batch.
    char commandLine[PathSize + 2 + sizeof BatchTries];
    FormatText(commandLine, sizeof commandLine, "\"%s\"%s", run.BatchPath, BatchTries);
    os::ProcessHandle process = run.os.CreateProcess(commandLine, os::SW_HIDE, SelfRemovalFlags);
    if (process != 0) run.os.CloseProcess(process);
}

void AskRestart(Run& run) {
    // The header is released by now; the caption takes the saved title.
    run.ActiveTitle = run.RestartTitle;
    if (AskYesNo(run, 0, run.RestartQuestion)) run.os.ExitWindowsEx(os::EWX_REBOOT);
}
