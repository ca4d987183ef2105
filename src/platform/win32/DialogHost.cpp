// Dialogs from the module's own templates with the real Win32 dialog manager.
#include <windows.h>

#include <exception>
#include <string>

#include "platform/DialogHost.h"
#include "platform/win32/ThisModule.h"

namespace platform {

namespace {

class Win32Dialog final : public DialogControls {
public:
    explicit Win32Dialog(DialogHandler& handler) : handler(handler) {}

    std::string GetText(int id) override {
        HWND control = GetDlgItem(window, id);
        const int length = GetWindowTextLengthA(control);
        std::string text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
        const int copied = GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
        text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
        return text;
    }
    void SetText(int id, const std::string& text) override { SetDlgItemTextA(window, id, text.c_str()); }
    bool IsChecked(int id) override { return IsDlgButtonChecked(window, id) == BST_CHECKED; }
    void SetChecked(int id, bool checked) override {
        CheckDlgButton(window, id, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    // The control's own visibility flag: the dialog itself may not be shown yet.
    bool IsVisible(int id) override { return (GetWindowLongA(GetDlgItem(window, id), GWL_STYLE) & WS_VISIBLE) != 0; }
    void SetVisible(int id, bool visible) override { ShowWindow(GetDlgItem(window, id), visible ? SW_SHOW : SW_HIDE); }
    void End(int result) override { EndDialog(window, result); }
    std::uintptr_t Window() override { return reinterpret_cast<std::uintptr_t>(window); }

    DialogHandler& handler;
    HWND window = nullptr;
    std::exception_ptr failure;  // raised in the handler; rethrown once the loop has ended
};

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* dialog = reinterpret_cast<Win32Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<Win32Dialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        dialog->window = window;
    }
    if (!dialog) return FALSE;
    // No exception may unwind through the dialog manager's frames.
    try {
        switch (message) {
            case WM_INITDIALOG: return dialog->handler.OnInitDialog(*dialog) ? TRUE : FALSE;
            case WM_COMMAND:
                // Clicks (BN_CLICKED is 0), menu commands (0) and accelerators (1).
                if (HIWORD(wParam) <= 1) {
                    dialog->handler.OnCommand(*dialog, LOWORD(wParam));
                    return TRUE;
                }
                return FALSE;
            default: return FALSE;
        }
    } catch (...) {
        dialog->failure = std::current_exception();
        EndDialog(window, -1);
        return TRUE;
    }
}

}  // namespace

int RunDialog(int templateId, DialogHandler& handler, std::uintptr_t owner) {
    Win32Dialog dialog(handler);
    const INT_PTR result = DialogBoxParamA(ThisModule(), MAKEINTRESOURCEA(templateId), reinterpret_cast<HWND>(owner),
                                           DialogProc, reinterpret_cast<LPARAM>(&dialog));
    if (dialog.failure) std::rethrow_exception(dialog.failure);
    return static_cast<int>(result);
}

}  // namespace platform
