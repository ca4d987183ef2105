#include "Automation.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <set>
#include <string>
#include <thread>

#include "Transcript.h"

namespace host {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kStepWait = std::chrono::seconds(20);       // a dialog that never comes
constexpr auto kUnexpectedWait = std::chrono::seconds(2);  // before an unscripted one is closed
constexpr auto kSnapWait = std::chrono::seconds(30);
// A run's progress window asks nothing: it is left alone unless a step names it.
constexpr const char* kProgressTitle = "Stowline Archiving";

std::vector<DialogStep> steps;
size_t nextStep = 0;
std::atomic<bool> stopping{false};
std::thread worker;

std::string ClassOf(HWND w) {
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    return name;
}

std::string TextOf(HWND w) {
    const int n = GetWindowTextLengthA(w);
    std::string text(n + 1, '\0');
    text.resize(GetWindowTextA(w, text.data(), n + 1));
    return text;
}

BOOL CALLBACK CollectDialog(HWND w, LPARAM p) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == GetCurrentProcessId() && ClassOf(w) == "#32770" && IsWindowVisible(w) && IsWindowEnabled(w))
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND w, LPARAM p) {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
    return TRUE;
}

// The enabled, visible dialogs (class #32770) of this process: those a user could answer now.
std::vector<HWND> ActiveDialogs() {
    std::vector<HWND> found;
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<HWND> Children(HWND dialog) {
    std::vector<HWND> children;
    EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

// Waits until the dialog's thread has handled everything sent or posted to it so far.
void Settle(HWND dialog) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
}

bool IsMessageBox(HWND dialog) {
    for (HWND c : Children(dialog))
        if (ClassOf(c) == "Static" && (GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return true;
    return false;
}

// A message box's flags as far as they show: its buttons and its icon.
unsigned MessageBoxFlags(HWND box) {
    bool ok = false, cancel = false;
    unsigned icon = 0;
    for (HWND c : Children(box)) {
        const std::string cls = ClassOf(c);
        if (cls == "Button" && IsWindowVisible(c)) {
            const int id = GetDlgCtrlID(c);
            ok |= id == IDOK;
            cancel |= id == IDCANCEL;
        } else if (cls == "Static" && (GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            const HICON shown = reinterpret_cast<HICON>(SendMessageA(c, STM_GETICON, 0, 0));
            if (shown == LoadIcon(nullptr, IDI_HAND))
                icon = MB_ICONHAND;
            else if (shown == LoadIcon(nullptr, IDI_QUESTION))
                icon = MB_ICONQUESTION;
            else if (shown == LoadIcon(nullptr, IDI_EXCLAMATION))
                icon = MB_ICONEXCLAMATION;
            else if (shown == LoadIcon(nullptr, IDI_ASTERISK))
                icon = MB_ICONASTERISK;
        }
    }
    return icon | (ok && cancel ? MB_OKCANCEL : MB_OK);
}

std::string MessageBoxText(HWND box) {
    for (HWND c : Children(box))
        if (ClassOf(c) == "Static" && (GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
            const std::string text = TextOf(c);
            if (!text.empty()) return text;
        }
    return {};
}

std::string ButtonKind(LONG style) {
    switch (style & BS_TYPEMASK) {
        case BS_PUSHBUTTON: return "push";
        case BS_DEFPUSHBUTTON: return "default-push";
        case BS_CHECKBOX: return "check";
        case BS_AUTOCHECKBOX: return "auto-check";
        case BS_GROUPBOX: return "group";
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: return "radio";
        default: return "button";
    }
}

// The innermost group box of the dialog whose frame holds the control.
std::string GroupOf(HWND dialog, HWND control) {
    RECT rc;
    GetWindowRect(control, &rc);
    std::string group;
    LONG smallest = LONG_MAX;
    for (HWND c : Children(dialog)) {
        if (c == control || ClassOf(c) != "Button" || (GetWindowLongA(c, GWL_STYLE) & BS_TYPEMASK) != BS_GROUPBOX)
            continue;
        RECT g;
        GetWindowRect(c, &g);
        const LONG area = (g.right - g.left) * (g.bottom - g.top);
        if (rc.left >= g.left && rc.right <= g.right && rc.top >= g.top && rc.bottom <= g.bottom && area < smallest) {
            smallest = area;
            group = TextOf(c);
        }
    }
    return group;
}

void RecordMenu(HMENU menu, const std::string& prefix) {
    const int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        char text[128] = {};
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        if (HMENU sub = GetSubMenu(menu, i)) {
            RecordMenu(sub, prefix + text + " > ");
        } else {
            Record("  menu " + Quote(prefix + text) + " id " + std::to_string(GetMenuItemID(menu, i)));
        }
    }
}

void Dump(HWND dialog) {
    const LONG style = GetWindowLongA(dialog, GWL_STYLE);
    const LONG exStyle = GetWindowLongA(dialog, GWL_EXSTYLE);
    Record(std::string("  frame") + ((style & WS_SYSMENU) ? " system-menu" : " no-system-menu") +
           ((style & WS_CAPTION) == WS_CAPTION ? " caption" : "") +
           ((exStyle & WS_EX_DLGMODALFRAME) ? " modal-frame" : "") +
           ((exStyle & WS_EX_APPWINDOW) ? " app-window" : ""));
    if (HMENU menu = GetMenu(dialog)) RecordMenu(menu, "");
    for (HWND c : Children(dialog)) {
        const std::string cls = ClassOf(c);
        const LONG cs = GetWindowLongA(c, GWL_STYLE);
        std::string line = "  control " + std::to_string(GetDlgCtrlID(c) & 0xFFFF) + " ";
        if (cls == "Button") {
            line += ButtonKind(cs);
        } else if (cls == "Edit") {
            line += std::string("edit") + ((cs & ES_AUTOHSCROLL) ? " autoscroll" : "") +
                    // The dialog manager turns an edit's WS_BORDER into a sunken client edge.
                    ((cs & WS_BORDER) || (GetWindowLongA(c, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) ? " border" : "");
        } else {
            line += cls == "Static" ? "static" : cls;
        }
        line += " " + Quote(TextOf(c));
        line += IsWindowVisible(c) ? " visible" : " hidden";
        if (cls == "Button" && ((cs & BS_TYPEMASK) == BS_AUTOCHECKBOX || (cs & BS_TYPEMASK) == BS_CHECKBOX))
            line += SendMessageA(c, BM_GETCHECK, 0, 0) == BST_CHECKED ? " checked" : " unchecked";
        if (cls != "Button" || (cs & BS_TYPEMASK) != BS_GROUPBOX) {
            const std::string group = GroupOf(dialog, c);
            if (!group.empty()) line += " in " + Quote(group);
        }
        Record(line);
    }
}

HWND ButtonNamed(HWND dialog, const std::string& name) {
    if (name == "OK") return GetDlgItem(dialog, IDOK);
    if (name == "Cancel") return GetDlgItem(dialog, IDCANCEL);
    return GetDlgItem(dialog, std::stoi(name));
}

std::string ButtonLabel(int id) {
    switch (id) {
        case IDOK: return "OK";
        case IDCANCEL: return "Cancel";
        default: return std::to_string(id);
    }
}

// Clicks without waiting for the handler: it may open a modal box of its own.
void Click(HWND button) { SendNotifyMessageA(button, BM_CLICK, 0, 0); }

bool WaitGone(HWND dialog) {
    const auto until = Clock::now() + kStepWait;
    while (Clock::now() < until) {
        if (!IsWindow(dialog) || !IsWindowVisible(dialog) || !IsWindowEnabled(dialog)) return true;
        Sleep(20);
    }
    return false;
}

void Snap(const std::string& name) {
    { std::ofstream ready(name + ".ready"); }
    const auto until = Clock::now() + kSnapWait;
    while (Clock::now() < until) {
        if (GetFileAttributesA((name + ".done").c_str()) != INVALID_FILE_ATTRIBUTES) {
            Record("  snapshot " + name);
            return;
        }
        Sleep(50);
    }
    Record("  snapshot " + name + " not taken");
}

void RecordOpened(HWND dialog) {
    if (IsMessageBox(dialog)) {
        Record("box " + Quote(TextOf(dialog)) + " flags " + Hex(MessageBoxFlags(dialog)) + " " +
               Quote(MessageBoxText(dialog)));
    } else {
        Record("dialog " + Quote(TextOf(dialog)));
    }
}

void Run(HWND dialog, const DialogStep& step) {
    RecordOpened(dialog);
    for (const Tokens& action : step.actions) {
        const std::string& verb = action[0];
        if (verb == "dump") {
            Settle(dialog);
            Dump(dialog);
        } else if (verb == "read" && action.size() == 2) {
            Settle(dialog);
            Record("  read " + action[1] + " " + Quote(TextOf(GetDlgItem(dialog, std::stoi(action[1])))));
        } else if (verb == "set" && action.size() == 3) {
            SetDlgItemTextA(dialog, std::stoi(action[1]), action[2].c_str());
            Record("  set " + action[1] + " " + Quote(action[2]));
        } else if (verb == "click" && action.size() == 2) {
            Click(ButtonNamed(dialog, action[1]));
            Settle(dialog);
            Record("  click " + action[1]);
        } else if (verb == "snap" && action.size() == 2) {
            Settle(dialog);
            Snap(action[1]);
        } else if (verb == "press" && action.size() == 2) {
            HWND button = ButtonNamed(dialog, action[1]);
            Record("  press " + (button ? ButtonLabel(GetDlgCtrlID(button)) : action[1] + " (no such button)"));
            if (button)
                Click(button);
            else
                PostMessageA(dialog, WM_CLOSE, 0, 0);
            if (!WaitGone(dialog)) Record("  still open after the press");
            return;
        } else {
            Record("  unknown action " + verb);
        }
    }
    // A step without a press leaves the dialog to the next step of the same title.
}

// A dialog the script did not ask for: recorded and dismissed so the run cannot hang.
void Dismiss(HWND dialog) {
    Record("unexpected:");
    RecordOpened(dialog);
    HWND cancel = GetDlgItem(dialog, IDCANCEL);
    HWND button = cancel && IsWindowVisible(cancel) ? cancel : GetDlgItem(dialog, IDOK);
    Record("  press " + ButtonLabel(button ? GetDlgCtrlID(button) : 0));
    if (button)
        Click(button);
    else
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    WaitGone(dialog);
}

void Work() {
    std::set<HWND> handled;  // dialogs left open by a step without a press
    auto waitingSince = Clock::now();
    HWND lastStranger = nullptr;
    while (!stopping) {
        const auto dialogs = ActiveDialogs();
        HWND match = nullptr, stranger = nullptr;
        for (HWND d : dialogs) {
            if (nextStep < steps.size() && TextOf(d) == steps[nextStep].title)
                match = d;
            else if (!handled.count(d) && TextOf(d) != kProgressTitle)
                stranger = d;
        }
        if (match) {
            const DialogStep& step = steps[nextStep++];
            Run(match, step);
            if (IsWindow(match) && IsWindowEnabled(match)) handled.insert(match);
            waitingSince = Clock::now();
            continue;
        }
        if (stranger != lastStranger) {
            lastStranger = stranger;
            waitingSince = Clock::now();
        }
        if (stranger && Clock::now() - waitingSince > kUnexpectedWait) {
            Dismiss(stranger);
            lastStranger = nullptr;
        }
        Sleep(30);
    }
}

}  // namespace

void StartAutomation(const std::vector<DialogStep>& script) {
    steps = script;
    nextStep = 0;
    stopping = false;
    worker = std::thread(Work);
}

bool StopAutomation() {
    stopping = true;
    if (worker.joinable()) worker.join();
    for (size_t i = nextStep; i < steps.size(); ++i) Record("dialog never shown: " + Quote(steps[i].title));
    return nextStep == steps.size();
}

}  // namespace host
