// The progress bar and the two status lines of the progress dialog.
#include "status/progress.h"

#include "text/format.h"
#include "text/messages.h"

ProgressPicture ComputeProgress(const os::Rect* frame, std::uint32_t windowsMajor,
                                std::uint32_t position, std::uint32_t total) {
    ProgressPicture picture{};
    os::Rect r = frame != nullptr ? *frame : os::Rect{0, 0, 100, 100};
    // Step inside the frame's line; the sunken frame of version 4 and above
    // takes one more pixel on every side.
    r.left += 1;
    r.top += 1;
    if (windowsMajor >= 4) {
        r.left += 1;
        r.top += 1;
        r.right -= 1;
        r.bottom -= 1;
    }
    picture.Text = r;
    // The product of a 32-bit position and 100 needs more than 32 bits.
    std::uint32_t percent =
        total == 0 ? 0
                   : static_cast<std::uint32_t>(static_cast<std::uint64_t>(position) * 100u / total);
    FormatText(picture.Percent, sizeof picture.Percent, "%i%%", static_cast<int>(percent));
    std::int64_t width = static_cast<std::int64_t>(r.right) - r.left;
    r.right = static_cast<int>(r.left + width * static_cast<std::int64_t>(percent) / 100);
    picture.Filled = r;
    return picture;
}

namespace {

bool SameText(const char* a, const char* b) {
    for (; *a == *b; ++a, ++b)
        if (*a == '\0') return true;
    return false;
}

}  // namespace

void DrawProgress(Run& run, os::Window dialog, os::DeviceContext dc, std::uint32_t position) {
    if (run.ProgressTotal == 0) return;
    if (position == 0) position = run.ProgressPosition;
    run.ProgressPosition = position;
    // A silent run has nothing to draw on.
    if (dialog == 0) return;
    // The bar shows whole percents: the engine's draw of an unchanged one
    // paints the same picture again and is left out. A paint message always
    // draws.
    const std::uint32_t percent =
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(position) * 100u / run.ProgressTotal);
    if (dc == 0 && percent == run.PercentShown) return;
    run.PercentShown = percent;
    os::Rect frame{};
    bool haveFrame = run.os.GetItemRect(dialog, os::ProgressFrameItem, true, &frame);
    ProgressPicture picture =
        ComputeProgress(haveFrame ? &frame : nullptr, run.WindowsMajor, position, run.ProgressTotal);
    os::DeviceContext target = dc;
    if (target == 0) target = run.os.GetDC(dialog);
    run.os.PaintProgress(target, picture.Filled, picture.Text, picture.Percent);
    if (dc == 0) run.os.ReleaseDC(dialog, target);
}

void SetStatusLabel(Run& run, const char* text) {
    if (run.ProgressWindow == 0) return;
    if (text == nullptr)
        text = Msg(run.UninstallMode ? MessageId::Uninstalling : MessageId::Installing);
    if (text == run.LabelShown) return;
    run.LabelShown = text;
    run.os.SetItemText(run.ProgressWindow, os::StatusLabelItem, text);
}

void SetStatusDetail(Run& run, const char* text) {
    if (run.ProgressWindow == 0) return;
    if (text == nullptr) text = Msg(MessageId::Empty);
    if (run.DetailKnown && SameText(text, run.DetailShown)) return;
    run.DetailKnown = true;
    CopyText(run.DetailShown, sizeof run.DetailShown, text, PathSize);
    run.os.SetItemText(run.ProgressWindow, os::StatusDetailItem, text);
}
