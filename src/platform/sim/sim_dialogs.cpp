// Modal dialogs run against the scripted user: the templates' items with
// pixel geometry, WM_INITDIALOG, posted messages, the user's actions in the
// main dialog, EndDialog after the current message, and item texts with
// their history.
#include <cstring>

#include "platform/sim/state.h"

namespace sim {

namespace {

constexpr std::uint32_t ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr std::uint32_t ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
constexpr int CaptionHeight = 18;
constexpr int Border = 3;
// More automatic Cancel presses than this on one dialog mean it cannot be
// closed; the dialog is then ended with 0 so that a run never hangs.
constexpr int MaxAutomaticCancels = 3;

struct TemplateItem {
    int id, x, y, cx, cy;
};

struct Template {
    int id, x, y, cx, cy;  // x and y unused: DS_CENTER places the window
    std::vector<TemplateItem> items;
};

// Dialog units of "MS Sans Serif" 8 to pixels: 6 x 13 base units.
int PixelsX(int units) { return units * 6 / 4; }
int PixelsY(int units) { return units * 13 / 8; }

const Template* FindTemplate(int id) {
    static const Template templates[] = {
        {os::MainDialogId, MAIN_DIALOG_BOX,
         {{-1, MAIN_ICON_ITEM_BOX},
          {os::IntroItem, INTRO_ITEM_BOX},
          {os::InstallToItem, INSTALL_TO_ITEM_BOX},
          {os::DestinationItem, DESTINATION_ITEM_BOX},
          {os::InstallButton, INSTALL_BUTTON_BOX},
          {os::IDCANCEL, MAIN_CANCEL_BUTTON_BOX},
          {os::IDHELP, MAIN_HELP_BUTTON_BOX}}},
        {os::ProgressDialogId, PROGRESS_DIALOG_BOX,
         {{os::StatusLabelItem, STATUS_LABEL_ITEM_BOX},
          {os::StatusDetailItem, STATUS_DETAIL_ITEM_BOX},
          {os::ProgressFrameItem, PROGRESS_FRAME_ITEM_BOX},
          {os::IDCANCEL, PROGRESS_CANCEL_BUTTON_BOX}}},
    };
    for (const Template& t : templates) {
        if (t.id == id) return &t;
    }
    return nullptr;
}

os::Point ClientOrigin(const Dialog& d) {
    return os::Point{d.position.x + Border, d.position.y + Border + CaptionHeight};
}

}  // namespace

std::intptr_t PlatformCalls::State::Dispatch(Dialog& dialog, unsigned message,
                                             std::uintptr_t wParam, std::intptr_t lParam) {
    if (!dialog.proc) return 0;
    return dialog.proc(dialog.context, dialog.window, message, wParam, lParam);
}

void PlatformCalls::State::RecordItemText(int item, const std::string& text) {
    itemHistory[item].push_back(text);
    lastItemText[item] = text;
    if (item == os::StatusLabelItem || item == os::StatusDetailItem)
        statusHistory.push_back(std::to_string(item) + ":" + text);
}

std::intptr_t PlatformCalls::DialogBox(int id, os::Window owner, os::DialogProc proc,
                                       void* context) {
    if (s_->Fails("DialogBox")) return -1;
    const Template* t = FindTemplate(id);
    if (!t || !proc) {
        s_->lastError = ERROR_RESOURCE_NAME_NOT_FOUND;
        return -1;
    }
    auto owned = std::make_unique<Dialog>();
    Dialog& d = *owned;
    d.id = id;
    d.window = s_->NewWindow();
    d.owner = owner;
    d.proc = proc;
    d.context = context;
    d.clientWidth = PixelsX(t->cx);
    d.clientHeight = PixelsY(t->cy);
    // DS_CENTER: the window in the middle of the desktop.
    int width = d.clientWidth + 2 * Border;
    int height = d.clientHeight + 2 * Border + CaptionHeight;
    d.position = os::Point{(s_->desktopWidth - width) / 2, (s_->desktopHeight - height) / 2};
    for (const TemplateItem& item : t->items) {
        DialogItem di;
        di.rect = os::Rect{PixelsX(item.x), PixelsY(item.y), PixelsX(item.x + item.cx),
                           PixelsY(item.y + item.cy)};
        d.items[item.id] = di;
    }
    s_->dialogs.push_back(std::move(owned));
    s_->dialogsOpened.push_back(id);

    // The first tab stop (the edit of the main dialog) has the focus unless
    // WM_INITDIALOG returns false after setting it itself.
    std::intptr_t focusDefault = s_->Dispatch(d, os::WM_INITDIALOG, 0, 0);
    if (focusDefault && d.focus == 0)
        d.focus = id == os::MainDialogId ? os::DestinationItem : os::IDCANCEL;
    // The mouse rests over the new dialog: it is asked for its cursor.
    s_->Dispatch(d, os::WM_SETCURSOR, d.window, 0);

    int automaticCancels = 0;
    while (!d.ended) {
        // Posted messages first, in order, for this dialog.
        bool dispatched = false;
        for (auto it = s_->posted.begin(); it != s_->posted.end(); ++it) {
            if (it->window != d.window) continue;
            PostedMessage m = *it;
            s_->posted.erase(it);
            s_->Dispatch(d, m.message, m.wParam, m.lParam);
            dispatched = true;
            break;
        }
        if (dispatched) continue;
        if (id == os::MainDialogId && !s_->actions.empty()) {
            DialogAction a = s_->actions.front();
            s_->actions.pop_front();
            switch (a.kind) {
                case DialogAction::Type: {
                    DialogItem& edit = d.items[os::DestinationItem];
                    std::string text = a.text;
                    if (static_cast<int>(text.size()) > edit.limit) text.resize(static_cast<std::size_t>(edit.limit));
                    edit.text = text;
                    s_->RecordItemText(os::DestinationItem, text);
                    break;
                }
                case DialogAction::Install:
                    s_->Dispatch(d, os::WM_COMMAND, os::InstallButton, 0);
                    break;
                case DialogAction::Cancel:
                    s_->Dispatch(d, os::WM_COMMAND, os::IDCANCEL, 0);
                    break;
                case DialogAction::Help:
                    s_->Dispatch(d, os::WM_COMMAND, os::IDHELP, 0);
                    break;
            }
            continue;
        }
        // Nothing more to do for the user: press Cancel and confirm.
        if (++automaticCancels > MaxAutomaticCancels) {
            d.ended = true;
            d.result = 0;
            break;
        }
        s_->forcedAnswer = os::IDYES;
        s_->Dispatch(d, os::WM_COMMAND, os::IDCANCEL, 0);
        s_->forcedAnswer = 0;
    }
    s_->Dispatch(d, os::WM_DESTROY, 0, 0);
    std::intptr_t result = d.result;
    os::Window window = d.window;
    for (auto it = s_->posted.begin(); it != s_->posted.end();) {
        it = it->window == window ? s_->posted.erase(it) : it + 1;
    }
    for (auto it = s_->dialogs.begin(); it != s_->dialogs.end(); ++it) {
        if ((*it)->window == window) {
            s_->dialogs.erase(it);
            break;
        }
    }
    return result;
}

bool PlatformCalls::EndDialog(os::Window dialog, std::intptr_t result) {
    if (s_->Fails("EndDialog")) return false;
    Dialog* d = s_->FindDialog(dialog);
    if (!d) {
        s_->lastError = ERROR_INVALID_WINDOW_HANDLE;
        return false;
    }
    d->ended = true;
    d->result = result;
    return true;
}

bool PlatformCalls::PostMessage(os::Window window, unsigned message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
    if (s_->Fails("PostMessage")) return false;
    if (!s_->FindDialog(window)) {
        s_->lastError = ERROR_INVALID_WINDOW_HANDLE;
        return false;
    }
    s_->posted.push_back(PostedMessage{window, message, wParam, lParam});
    return true;
}

void PlatformCalls::SendCancelCommand(os::Window dialog) {
    if (s_->Fails("SendCancelCommand")) return;
    Dialog* d = s_->FindDialog(dialog);
    if (!d) return;
    s_->Dispatch(*d, os::WM_COMMAND, os::IDCANCEL, static_cast<std::intptr_t>(d->window + 2));
}

std::intptr_t PlatformCalls::SetItemText(os::Window dialog, int item, const char* text) {
    if (s_->Fails("SetItemText")) return 0;
    // The history keeps every text set, also on a window of no open dialog
    // (engine tests that run a step without its dialog read it there).
    s_->RecordItemText(item, Str(text));
    Dialog* d = s_->FindDialog(dialog);
    if (!d || !d->items.count(item)) {
        s_->lastError = ERROR_INVALID_WINDOW_HANDLE;
        return 0;
    }
    d->items[item].text = Str(text);
    return 1;
}

std::intptr_t PlatformCalls::GetItemText(os::Window dialog, int item, char* buffer, int size) {
    if (s_->Fails("GetItemText")) return -1;
    Dialog* d = s_->FindDialog(dialog);
    if (!d || !d->items.count(item)) {
        s_->lastError = ERROR_INVALID_WINDOW_HANDLE;
        return -1;
    }
    if (!buffer || size <= 0) return 0;
    const std::string& text = d->items[item].text;
    std::size_t n = text.size();
    if (n > static_cast<std::size_t>(size - 1)) n = static_cast<std::size_t>(size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<std::intptr_t>(n);
}

void PlatformCalls::LimitItemText(os::Window dialog, int item, int count) {
    if (s_->Fails("LimitItemText")) return;
    Dialog* d = s_->FindDialog(dialog);
    if (!d || !d->items.count(item)) return;
    d->items[item].limit = count > 0 ? count : 0x7FFFFFFE;
}

void PlatformCalls::SelectItemText(os::Window dialog, int item, int from, int to) {
    if (s_->Fails("SelectItemText")) return;
    Dialog* d = s_->FindDialog(dialog);
    if (!d || !d->items.count(item)) return;
    DialogItem& di = d->items[item];
    int length = static_cast<int>(di.text.size());
    di.selFrom = from < 0 ? length : (from > length ? length : from);
    di.selTo = to < 0 || to > length ? length : to;
}

void PlatformCalls::FocusItem(os::Window dialog, int item) {
    if (s_->Fails("FocusItem")) return;
    Dialog* d = s_->FindDialog(dialog);
    if (!d || !d->items.count(item)) return;
    d->focus = item;
    s_->lastFocus = item;
}

void PlatformCalls::SetWindowText(os::Window window, const char* text) {
    if (s_->Fails("SetWindowText")) return;
    Dialog* d = s_->FindDialog(window);
    if (!d) return;
    d->windowText = Str(text);
    s_->lastWindowText = d->windowText;
}

void PlatformCalls::SetSmallIcon(os::Window window, int iconId) {
    if (s_->Fails("SetSmallIcon")) return;
    Dialog* d = s_->FindDialog(window);
    if (!d) return;
    d->smallIcon = iconId;
    s_->lastSmallIcon = iconId;
}

bool PlatformCalls::GetDesktopRect(os::Rect* rect) {
    if (s_->Fails("GetDesktopRect")) return false;
    if (rect) *rect = os::Rect{0, 0, s_->desktopWidth, s_->desktopHeight};
    return true;
}

bool PlatformCalls::GetClientRect(os::Window window, os::Rect* rect) {
    if (s_->Fails("GetClientRect")) return false;
    Dialog* d = s_->FindDialog(window);
    if (!d) {
        s_->lastError = ERROR_INVALID_WINDOW_HANDLE;
        return false;
    }
    if (rect) *rect = os::Rect{0, 0, d->clientWidth, d->clientHeight};
    return true;
}

void PlatformCalls::MoveWindow(os::Window window, int x, int y) {
    if (s_->Fails("MoveWindow")) return;
    Dialog* d = s_->FindDialog(window);
    if (!d) return;
    d->position = os::Point{x, y};
    s_->lastPosition = d->position;
}

void PlatformCalls::ShowWindow(os::Window window, int command) {
    if (s_->Fails("ShowWindow")) return;
    Dialog* d = s_->FindDialog(window);
    if (d) d->shown = command != os::SW_HIDE;
}

bool PlatformCalls::GetItemRect(os::Window dialog, int item, bool clientCoordinates,
                                os::Rect* rect) {
    if (s_->Fails("GetItemRect")) return false;
    Dialog* d = s_->FindDialog(dialog);
    if (!d || !d->items.count(item)) {
        s_->lastError = ERROR_INVALID_WINDOW_HANDLE;
        return false;
    }
    os::Rect r = d->items[item].rect;
    if (!clientCoordinates) {
        os::Point o = ClientOrigin(*d);
        r = os::Rect{r.left + o.x, r.top + o.y, r.right + o.x, r.bottom + o.y};
    }
    if (rect) *rect = r;
    return true;
}

// ---- Test helpers --------------------------------------------------------------

void Machine::TypeDestination(const std::string& text) {
    s_->actions.push_back(DialogAction{DialogAction::Type, text});
}
void Machine::PressInstall() { s_->actions.push_back(DialogAction{DialogAction::Install, ""}); }
void Machine::PressCancel() { s_->actions.push_back(DialogAction{DialogAction::Cancel, ""}); }
void Machine::PressHelp() { s_->actions.push_back(DialogAction{DialogAction::Help, ""}); }

std::vector<std::string> Machine::ItemHistory(int item) const {
    auto it = s_->itemHistory.find(item);
    return it == s_->itemHistory.end() ? std::vector<std::string>{} : it->second;
}

std::vector<std::string> Machine::StatusHistory() const { return s_->statusHistory; }
std::vector<int> Machine::DialogsOpened() const { return s_->dialogsOpened; }
std::string Machine::LastWindowText() const { return s_->lastWindowText; }
int Machine::LastSmallIcon() const { return s_->lastSmallIcon; }
int Machine::FocusedItem() const { return s_->lastFocus; }

std::string Machine::ItemText(int item) const {
    auto it = s_->lastItemText.find(item);
    return it == s_->lastItemText.end() ? std::string() : it->second;
}

os::Point Machine::LastWindowPosition() const { return s_->lastPosition; }

}  // namespace sim
