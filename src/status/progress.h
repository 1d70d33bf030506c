// The progress bar and the two status lines of the progress dialog.
// src/status (these and the cancel poll) sits below the engines that call
// it and below the dialog that shows it.
#pragma once

#include <cstdint>

#include "run/run.h"

// What one draw of the bar paints: a pure function of the frame, the
// Windows version, the position and the total.
struct ProgressPicture {
    os::Rect Filled;  // yellow part, from Filled.left to Filled.right
    os::Rect Text;    // whole inner area; white from Filled.right to Text.right
    char Percent[8];  // e.g. "42%"
};
// frame: the frame item's rectangle in client coordinates (null: missing item).
ProgressPicture ComputeProgress(const os::Rect* frame, std::uint32_t windowsMajor,
                                std::uint32_t position, std::uint32_t total);

void DrawProgress(Run& run, os::Window dialog, os::DeviceContext dc, std::uint32_t position);
// No text: the mode's default label ("Installing:" / "Uninstalling:").
void SetStatusLabel(Run& run, const char* text);
// No text: empties the line.
void SetStatusDetail(Run& run, const char* text);
