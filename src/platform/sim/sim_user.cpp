// The scripted user: message boxes answered from a queue and recorded, the
// cancel poll's keys and mouse by poll number, the cursor, the beeps, and the
// progress bar's painting.
#include "platform/sim/state.h"

namespace sim {

namespace {

constexpr unsigned MB_TYPEMASK = 0x0F;
constexpr unsigned MB_YESNOCANCEL = 0x03;
constexpr int CancelItem = os::IDCANCEL;

bool IsQuestion(unsigned type) {
    unsigned buttons = type & MB_TYPEMASK;
    return buttons == os::MB_YESNO || buttons == MB_YESNOCANCEL;
}

// The innermost open dialog that has a Cancel button.
Dialog* CancelDialog(State& s) {
    for (auto it = s.dialogs.rbegin(); it != s.dialogs.rend(); ++it) {
        if ((*it)->items.count(CancelItem)) return it->get();
    }
    return nullptr;
}

}  // namespace

int PlatformCalls::MessageBox(os::Window owner, const char* text, const char* caption,
                              unsigned type) {
    if (s_->Fails("MessageBox")) return 0;
    Box box;
    box.caption = caption ? Str(caption) : std::string("Error");
    box.text = Str(text);
    box.type = type;
    box.owner = owner;
    if (IsQuestion(type)) {
        if (s_->forcedAnswer) {
            box.answer = s_->forcedAnswer;
            s_->forcedAnswer = 0;
        } else if (!s_->answers.empty()) {
            box.answer = s_->answers.front();
            s_->answers.pop_front();
        } else {
            box.answer = s_->defaultAnswer;
        }
    } else {
        box.answer = os::IDOK;
    }
    s_->boxes.push_back(box);
    // The box covered its owner: the owner dialog repaints when it goes.
    if (Dialog* d = s_->FindDialog(owner)) s_->Dispatch(*d, os::WM_PAINT, 0, 0);
    return box.answer;
}

void PlatformCalls::MessageBeep(unsigned type) {
    if (s_->Fails("MessageBeep")) return;
    s_->beeps.push_back(type);
}

void PlatformCalls::SetWaitCursor() {
    if (s_->Fails("SetWaitCursor")) return;
    s_->waitCursor = true;
}

void PlatformCalls::PeekMessage() {
    if (s_->Fails("PeekMessage")) return;
    ++s_->polls;
}

short PlatformCalls::GetAsyncKeyState(int key) {
    if (s_->Fails("GetAsyncKeyState")) return 0;
    const short down = static_cast<short>(0x8000);
    if (key == os::VK_ESCAPE && s_->escapeAt.count(s_->polls)) return down;
    if (key == os::VK_LBUTTON &&
        (s_->mouseOnCancelAt.count(s_->polls) || s_->mouseElsewhereAt.count(s_->polls)))
        return down;
    return 0;
}

bool PlatformCalls::GetCursorPos(os::Point* point) {
    if (s_->Fails("GetCursorPos")) return false;
    os::Point p{0, 0};
    Dialog* d = CancelDialog(*s_);
    if (d && s_->mouseOnCancelAt.count(s_->polls)) {
        os::Rect r{0, 0, 0, 0};
        GetItemRect(d->window, CancelItem, false, &r);
        p = os::Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    } else if (d && s_->mouseElsewhereAt.count(s_->polls)) {
        // On the dialog's caption bar, well away from the Cancel button.
        p = os::Point{d->position.x + 10, d->position.y + 5};
    }
    if (point) *point = p;
    return true;
}

os::DeviceContext PlatformCalls::BeginPaint(os::Window window) {
    if (s_->Fails("BeginPaint")) return 0;
    if (!window) return 0;
    os::DeviceContext dc = s_->nextHandle++;
    s_->dcs.insert(dc);
    return dc;
}

void PlatformCalls::EndPaint(os::Window, os::DeviceContext dc) {
    if (s_->Fails("EndPaint")) return;
    s_->dcs.erase(dc);
}

// Any window, or none (the screen), gives a context.
os::DeviceContext PlatformCalls::GetDC(os::Window) {
    if (s_->Fails("GetDC")) return 0;
    os::DeviceContext dc = s_->nextHandle++;
    s_->dcs.insert(dc);
    return dc;
}

void PlatformCalls::ReleaseDC(os::Window, os::DeviceContext dc) {
    if (s_->Fails("ReleaseDC")) return;
    s_->dcs.erase(dc);
}

void PlatformCalls::PaintProgress(os::DeviceContext dc, const os::Rect& filled,
                                  const os::Rect& text, const char* percent) {
    if (s_->Fails("PaintProgress")) return;
    // Painting into a device context that is not held draws nothing.
    if (!s_->dcs.count(dc)) return;
    s_->lastProgress = ProgressPicture{filled, text, Str(percent)};
    s_->progressHistory.push_back(Str(percent));
}

// ---- Test helpers --------------------------------------------------------------

void Machine::AnswerQuestions(std::initializer_list<int> answers) {
    for (int a : answers) s_->answers.push_back(a);
}
void Machine::AnswerNextQuestion(int answer) { s_->answers.push_back(answer); }
void Machine::SetDefaultAnswer(int answer) { s_->defaultAnswer = answer; }
const std::vector<Box>& Machine::Boxes() const { return s_->boxes; }
void Machine::HoldEscapeAtPoll(int poll) { s_->escapeAt.insert(poll); }
void Machine::HoldMouseOnCancelAtPoll(int poll) { s_->mouseOnCancelAt.insert(poll); }
void Machine::HoldMouseElsewhereAtPoll(int poll) { s_->mouseElsewhereAt.insert(poll); }
int Machine::Polls() const { return s_->polls; }
std::vector<unsigned> Machine::Beeps() const { return s_->beeps; }
const ProgressPicture& Machine::LastProgress() const { return s_->lastProgress; }
std::vector<std::string> Machine::ProgressHistory() const { return s_->progressHistory; }
bool Machine::WaitCursorShown() const { return s_->waitCursor; }

}  // namespace sim
