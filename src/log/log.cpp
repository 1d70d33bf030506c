// The installation log InstLog.txt: plain lines of label and text, written
// one write per line. An uninstallation writes one only to /LOG=.
#include "log/log.h"

#include <cstdarg>
#include <cstring>

#include "text/boxes.h"
#include "text/format.h"
#include "text/messages.h"

void OpenInstallLog(Run& run, os::Window dialog) {
    // A silent installation always keeps a log: the one /LOG= opened, or
    // this one whatever the package says.
    if (run.LogFile != os::InvalidFile || run.Header == nullptr ||
        (run.Header->CreateLog == 0 && !run.Silent))
        return;
    char path[PathSize];
    // A destination too long for the log's name gets no log: a cut path
    // would create a file of another name ("...\InstLog.").
    const bool fits = std::strlen(run.DestinationDir) + sizeof "\\InstLog.txt" <= sizeof path;
    if (fits) FormatText(path, sizeof path, "%s\\%s", run.DestinationDir, "InstLog.txt");
    OpenLogFile(run, fits ? path : "", dialog);
}

void OpenLogFile(Run& run, const char* path, os::Window dialog) {
    os::FileHandle file = path[0] != '\0' ? run.os.LCreat(path, 0) : os::InvalidFile;
    if (file == os::InvalidFile) {
        // Not an error: the installation goes on without a log.
        ShowMessage(run, dialog, Msg(MessageId::CouldntCreateLogFile));
        return;
    }
    run.LogFile = file;
    std::size_t length = std::strlen(path);
    // Without memory for the copy the log is still written; only its
    // deletion at the end is skipped.
    char* copy = static_cast<char*>(run.os.Alloc(length + 1));
    if (copy != nullptr) {
        std::memcpy(copy, path, length);
        run.LogFilePath = copy;
    }
    LogLine(run, "Created logfile: ", path);
}

void LogLine(Run& run, const char* label, const char* text) {
    // An uninstallation writes only the log /LOG= asked for.
    if (run.LogFile == os::InvalidFile || (run.UninstallMode && run.LogSwitch[0] == '\0')) return;
    char line[LogLineSize];
    std::size_t length = FormatText(line, sizeof line, "%s%s\r\n", label, text);
    // Write failures are ignored: the run never stops because of its log.
    run.os.HWrite(run.LogFile, line, static_cast<long>(length));
}

void LogNumber(Run& run, const char* label, std::int32_t number) {
    char text[16];
    FormatText(text, sizeof text, "%i", number);
    LogLine(run, label, text);
}

void LogText(Run& run, const char* text) {
    LogLine(run, Msg(MessageId::Empty), text);
}

void CloseInstallLog(Run& run, bool success) {
    if (run.LogFile != os::InvalidFile) {
        // Writing zero bytes ends the file at the current position.
        run.os.HWrite(run.LogFile, "", 0);
        run.os.LClose(run.LogFile);
        run.LogFile = os::InvalidFile;
        // A silent run's log is the administrator's record: always kept.
        if (success && !run.Silent && run.Header != nullptr &&
            run.Header->DeleteLogOnSuccess != 0 &&
            run.LogFilePath != nullptr)
            run.os.DeleteFile(run.LogFilePath);
    }
    if (run.LogFilePath != nullptr) {
        run.os.Free(run.LogFilePath);
        run.LogFilePath = nullptr;
    }
}

void ShowError(Run& run, os::Window owner, const char* text) {
    LogText(run, text);
    ShowStopBox(run, owner, text);
}

void ShowError(Run& run, os::Window owner, MessageId id, ...) {
    char text[LogLineSize];
    va_list args;
    va_start(args, id);
    FormatTextV(text, sizeof text, Msg(id), args);
    va_end(args);
    ShowError(run, owner, text);
}
