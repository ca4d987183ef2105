// The progress window of a long run: a modeless dialog of our own template, owned by the
// client's window. It is made only once the run has lasted a second, so a short run shows
// nothing; from then on the run's steps pump the thread's messages, so that the client's
// window repaints and the Cancel button works, while the client itself is disabled as under
// any modal window.
#include <windows.h>
#include <commctrl.h>

#include "platform/RunProgress.h"
#include "platform/win32/ThisModule.h"
#include "platform/DialogIds.h"

namespace platform {

namespace {

constexpr DWORD kDelayMs = 1000;       // a run shorter than this shows no window
constexpr DWORD kRefreshMs = 100;      // the texts change at most this often
constexpr int kMessagesPerStep = 200;  // a step never spins on a queue that refills itself

class ProgressWindow final : public RunProgress {
public:
    explicit ProgressWindow(HWND owner) : owner_(owner), start_(GetTickCount()) {}
    ~ProgressWindow() override { Close(); }
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    void Begin(const std::string& source, std::uint32_t total) override {
        source_ = source;
        total_ = total;
        done_ = 0;
        subject_.clear();
        if (window_) Show();
    }

    bool Step(std::uint32_t done, const std::string& subject) override {
        done_ = done;
        subject_ = subject;
        if (!window_) {
            if (unavailable_ || GetTickCount() - start_ < kDelayMs) return false;
            Open();
            if (!window_) return false;
        } else if (GetTickCount() - shown_ >= kRefreshMs) {
            Show();
        }
        Pump();
        return cancelled_;
    }

private:
    void Open() {
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&classes);
        window_ = CreateDialogParamA(ThisModule(), MAKEINTRESOURCEA(IDD_PROGRESS), owner_, Proc,
                                     reinterpret_cast<LPARAM>(this));
        if (!window_) {
            unavailable_ = true;  // the run goes on without a window
            return;
        }
        Show();
        if (owner_ && IsWindowEnabled(owner_)) {
            EnableWindow(owner_, FALSE);
            ownerDisabled_ = true;
        }
        ShowWindow(window_, SW_SHOW);
    }

    void Close() {
        if (!window_) return;
        // The client is enabled first, so that it, not another program, becomes active.
        if (ownerDisabled_) EnableWindow(owner_, TRUE);
        DestroyWindow(window_);
        window_ = nullptr;
    }

    void SetText(int id, const std::string& text) {
        char current[512] = {};
        GetDlgItemTextA(window_, id, current, sizeof current);
        if (text != current) SetDlgItemTextA(window_, id, text.c_str());
    }

    void Show() {
        shown_ = GetTickCount();
        SetText(IDC_PROGRESS_SOURCE, "Archiving " + source_);
        SetText(IDC_PROGRESS_COUNT, total_ ? std::to_string(done_) + " of " + std::to_string(total_) + " documents"
                                           : std::to_string(done_) + " documents");
        SetText(IDC_PROGRESS_SUBJECT, subject_);
        const HWND bar = GetDlgItem(window_, IDC_PROGRESS_BAR);
        SendMessageA(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(total_));
        SendMessageA(bar, PBM_SETPOS, done_, 0);
    }

    void Pump() {
        MSG message;
        for (int i = 0; i < kMessagesPerStep && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
            if (message.message == WM_QUIT) {
                // The client is closing: the run stops, and the client's loop still gets its quit.
                PostQuitMessage(static_cast<int>(message.wParam));
                cancelled_ = true;
                return;
            }
            if (window_ && IsDialogMessageA(window_, &message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

    static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrA(window, DWLP_USER, lParam);
            return TRUE;
        }
        auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrA(window, DWLP_USER));
        // Cancel, Escape and the close box all come as IDCANCEL.
        if (self && message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
            self->cancelled_ = true;
            EnableWindow(GetDlgItem(window, IDCANCEL), FALSE);
            return TRUE;
        }
        return FALSE;
    }

    HWND owner_;
    HWND window_ = nullptr;
    DWORD start_;
    DWORD shown_ = 0;
    bool unavailable_ = false;
    bool ownerDisabled_ = false;
    bool cancelled_ = false;
    std::string source_;
    std::string subject_;
    std::uint32_t total_ = 0;
    std::uint32_t done_ = 0;
};

}  // namespace

std::unique_ptr<RunProgress> OpenRunProgress(std::uintptr_t owner) {
    return std::make_unique<ProgressWindow>(reinterpret_cast<HWND>(owner));
}

}  // namespace platform
