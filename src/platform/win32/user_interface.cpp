// Message boxes, dialog items, window placement, input state and the
// painting of the progress bar.
#include "platform/win32/win32_windows.h"

namespace {

HWND AsWindow(os::Window window) { return reinterpret_cast<HWND>(window); }
HDC AsDc(os::DeviceContext dc) { return reinterpret_cast<HDC>(dc); }

// The PAINTSTRUCT of the paint in progress: paints never nest.
PAINTSTRUCT paint;

void CopyRect(const RECT& from, os::Rect* to) {
    to->left = from.left;
    to->top = from.top;
    to->right = from.right;
    to->bottom = from.bottom;
}

}  // namespace

int os::Platform::MessageBox(os::Window owner, const char* text, const char* caption,
                              unsigned type) {
    return ::MessageBoxA(AsWindow(owner), text, caption, type);
}

bool os::Platform::PostMessage(os::Window window, unsigned message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
    return ::PostMessageA(AsWindow(window), message, wParam, lParam) != 0;
}

void os::Platform::SendCancelCommand(os::Window dialog) {
    HWND button = ::GetDlgItem(AsWindow(dialog), IDCANCEL);
    ::SendMessageA(AsWindow(dialog), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
}

std::intptr_t os::Platform::SetItemText(os::Window dialog, int item, const char* text) {
    return ::SendDlgItemMessageA(AsWindow(dialog), item, WM_SETTEXT, 0,
                                 reinterpret_cast<LPARAM>(text));
}

std::intptr_t os::Platform::GetItemText(os::Window dialog, int item, char* buffer, int size) {
    return ::SendDlgItemMessageA(AsWindow(dialog), item, WM_GETTEXT, size,
                                 reinterpret_cast<LPARAM>(buffer));
}

void os::Platform::LimitItemText(os::Window dialog, int item, int count) {
    ::SendDlgItemMessageA(AsWindow(dialog), item, EM_LIMITTEXT, count, 0);
}

void os::Platform::SelectItemText(os::Window dialog, int item, int from, int to) {
    ::SendDlgItemMessageA(AsWindow(dialog), item, EM_SETSEL, from, to);
}

void os::Platform::FocusItem(os::Window dialog, int item) {
    ::SetFocus(::GetDlgItem(AsWindow(dialog), item));
}

void os::Platform::MessageBeep(unsigned type) { ::MessageBeep(type); }

void os::Platform::SetWindowText(os::Window window, const char* text) {
    ::SetWindowTextA(AsWindow(window), text);
}

void os::Platform::SetSmallIcon(os::Window window, int iconId) {
    HICON icon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId));
    ::SendMessageA(AsWindow(window), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

bool os::Platform::GetDesktopRect(os::Rect* rect) {
    HWND desktop = ::GetDesktopWindow();
    RECT r;
    if (desktop == nullptr || !::GetWindowRect(desktop, &r)) return false;
    CopyRect(r, rect);
    return true;
}

bool os::Platform::GetClientRect(os::Window window, os::Rect* rect) {
    RECT r;
    if (!::GetClientRect(AsWindow(window), &r)) return false;
    CopyRect(r, rect);
    return true;
}

void os::Platform::MoveWindow(os::Window window, int x, int y) {
    ::SetWindowPos(AsWindow(window), nullptr, x, y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void os::Platform::ShowWindow(os::Window window, int command) {
    ::ShowWindow(AsWindow(window), command);
}

bool os::Platform::GetItemRect(os::Window dialog, int item, bool clientCoordinates,
                                os::Rect* rect) {
    HWND control = ::GetDlgItem(AsWindow(dialog), item);
    RECT r;
    if (control == nullptr || !::GetWindowRect(control, &r)) return false;
    if (clientCoordinates) {
        POINT topLeft = {r.left, r.top};
        POINT bottomRight = {r.right, r.bottom};
        ::ScreenToClient(AsWindow(dialog), &topLeft);
        ::ScreenToClient(AsWindow(dialog), &bottomRight);
        r.left = topLeft.x;
        r.top = topLeft.y;
        r.right = bottomRight.x;
        r.bottom = bottomRight.y;
    }
    CopyRect(r, rect);
    return true;
}

void os::Platform::SetWaitCursor() { ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT)); }

void os::Platform::PeekMessage() {
    MSG message;
    ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
}

short os::Platform::GetAsyncKeyState(int key) { return ::GetAsyncKeyState(key); }

bool os::Platform::GetCursorPos(os::Point* point) {
    POINT p;
    if (!::GetCursorPos(&p)) return false;
    point->x = p.x;
    point->y = p.y;
    return true;
}

os::DeviceContext os::Platform::BeginPaint(os::Window window) {
    return reinterpret_cast<os::DeviceContext>(
        ::BeginPaint(AsWindow(window), &paint));
}

void os::Platform::EndPaint(os::Window window, os::DeviceContext) {
    ::EndPaint(AsWindow(window), &paint);
}

os::DeviceContext os::Platform::GetDC(os::Window window) {
    return reinterpret_cast<os::DeviceContext>(::GetDC(AsWindow(window)));
}

void os::Platform::ReleaseDC(os::Window window, os::DeviceContext dc) {
    ::ReleaseDC(AsWindow(window), AsDc(dc));
}

void os::Platform::PaintProgress(os::DeviceContext dc, const os::Rect& filled,
                                  const os::Rect& text, const char* percent) {
    HDC hdc = AsDc(dc);
    HBRUSH yellow = ::CreateSolidBrush(RGB(255, 255, 0));
    HGDIOBJ oldBrush = ::SelectObject(hdc, yellow);
    HGDIOBJ oldPen = ::SelectObject(hdc, ::GetStockObject(NULL_PEN));
    ::Rectangle(hdc, filled.left, filled.top, filled.right, filled.bottom);
    ::SelectObject(hdc, oldBrush);
    ::DeleteObject(yellow);

    oldBrush = ::SelectObject(hdc, ::GetStockObject(WHITE_BRUSH));
    ::Rectangle(hdc, filled.right, filled.top, text.right, filled.bottom);
    ::SelectObject(hdc, oldBrush);
    ::SelectObject(hdc, oldPen);

    ::SetTextColor(hdc, RGB(0, 0, 128));
    ::SetBkMode(hdc, TRANSPARENT);
    RECT area = {text.left, text.top, text.right, text.bottom};
    ::DrawTextA(hdc, percent, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}
