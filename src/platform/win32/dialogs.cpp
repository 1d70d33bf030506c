// Modal dialogs: a real dialog procedure per dialog that hands every
// message to the engine's procedure together with the engine's context.
#include "platform/win32/win32_windows.h"

namespace {

// What one open dialog forwards to; lives on the stack of DialogBox while
// the dialog runs, and is found again through the dialog's DWLP_USER.
struct DialogBinding {
    os::DialogProc proc;
    void* context;
};

INT_PTR CALLBACK ForwardDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) ::SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    DialogBinding* binding =
        reinterpret_cast<DialogBinding*>(::GetWindowLongPtrA(dialog, DWLP_USER));
    // Messages that arrive before WM_INITDIALOG (WM_SETFONT) are not the engine's.
    if (binding == nullptr) return FALSE;
    INT_PTR result = binding->proc(binding->context, reinterpret_cast<os::Window>(dialog),
                                   message, wParam, lParam);
    // A handled WM_SETCURSOR must also answer TRUE to the child that asked,
    // or the child's default handling puts its own cursor back.
    if (message == WM_SETCURSOR && result) ::SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
    return result;
}

}  // namespace

std::intptr_t os::Platform::DialogBox(int id, os::Window owner, os::DialogProc proc,
                                       void* context) {
    DialogBinding binding = {proc, context};
    return ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                             reinterpret_cast<HWND>(owner), ForwardDialogMessage,
                             reinterpret_cast<LPARAM>(&binding));
}

bool os::Platform::EndDialog(os::Window dialog, std::intptr_t result) {
    return ::EndDialog(reinterpret_cast<HWND>(dialog), result) != 0;
}
