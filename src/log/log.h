// The installation log InstLog.txt (install mode only), and ShowError,
// which logs what it shows. src/log sits above src/text, below the engines.
#pragma once

#include <cstdint>

#include "run/run.h"
#include "text/messages.h"

void OpenInstallLog(Run& run, os::Window dialog);
// Creates the log at `path`; on failure tells the user (owner `dialog`) and
// the run goes on without a log.
void OpenLogFile(Run& run, const char* path, os::Window dialog);
void LogLine(Run& run, const char* label, const char* text);
void LogNumber(Run& run, const char* label, std::int32_t number);
void LogText(Run& run, const char* text);
void CloseInstallLog(Run& run, bool success);
// Logs the text (install mode, log open), then shows a stop box with OK.
void ShowError(Run& run, os::Window owner, const char* text);
// The same for the message `id`, formatted with the arguments.
void ShowError(Run& run, os::Window owner, MessageId id, ...);
