#include <unistd.h>

#include <cstdio>
#include <deque>
#include <iostream>
#include <map>

#include "platform/Platform.h"
#include "platform/WindowsPath.h"
#include "platform/posix/PosixDialog.h"
#include "platform/posix/PosixUi.h"
#include "platform/Text.h"

namespace platform {

namespace posix {
namespace {

struct UiState {
    std::vector<UiEvent> record;
    std::deque<int> answers;
    std::deque<std::optional<std::string>> folders;
    std::map<std::string, std::uintptr_t> windows;
    std::function<void(const UiEvent&)> observer;
    bool askOnTerminal = false;
};

UiState& State() {
    static UiState state;
    return state;
}

int AskOnTerminal(const UiEvent& box) {
    const bool cancel = (box.flags & 0x0F) == MB_OKCANCEL_;
    std::cerr << text::Cp1252ToUtf8(box.title) << ": " << text::Cp1252ToUtf8(box.text) << "\n"
              << (cancel ? "[O]K or [C]ancel? " : "[O]K ") << std::flush;
    std::string line;
    if (!std::getline(std::cin, line)) return cancel ? IDCANCEL_ : IDOK_;
    if (!cancel) return IDOK_;
    return (!line.empty() && (line[0] == 'o' || line[0] == 'O' || line[0] == 'y' || line[0] == 'Y')) ? IDOK_
                                                                                                     : IDCANCEL_;
}

}  // namespace

void ResetUi() {
    auto observer = std::move(State().observer);
    State() = UiState{};
    State().observer = std::move(observer);
}
const std::vector<UiEvent>& UiRecord() { return State().record; }
std::vector<UiEvent> RecordedBoxes() {
    std::vector<UiEvent> boxes;
    for (const auto& e : State().record)
        if (e.call == UiCall::MessageBox) boxes.push_back(e);
    return boxes;
}
void ScriptBoxAnswers(const std::vector<int>& answers) {
    State().answers.insert(State().answers.end(), answers.begin(), answers.end());
}
void ScriptFolder(std::optional<std::string> folder) { State().folders.push_back(std::move(folder)); }
void SetAskOnTerminal(bool ask) { State().askOnTerminal = ask; }
void AddTopWindow(const std::string& className, std::uintptr_t handle) { State().windows[className] = handle; }
void SetBoxObserver(std::function<void(const UiEvent&)> observer) { State().observer = std::move(observer); }

}  // namespace posix

using posix::State;
using posix::UiCall;
using posix::UiEvent;

int ShowMessageBox(const std::string& text, const std::string& title, unsigned flags, std::uintptr_t owner) {
    UiEvent box{UiCall::MessageBox, text, title, flags};
    box.window = owner;
    const bool hasCancel = (flags & 0x0F) == MB_OKCANCEL_;
    auto& s = State();
    if (s.observer) s.observer(box);
    if (!s.answers.empty()) {
        box.answer = s.answers.front();
        s.answers.pop_front();
    } else if (s.askOnTerminal && isatty(STDIN_FILENO)) {
        box.answer = posix::AskOnTerminal(box);
    } else {
        box.answer = hasCancel ? IDCANCEL_ : IDOK_;
    }
    if (!hasCancel) box.answer = IDOK_;  // a box with one button can only answer OK
    s.record.push_back(box);
    return box.answer;
}

std::uintptr_t FindTopWindow(const std::string& className) {
    auto& s = State();
    UiEvent e{UiCall::FindWindow, className};
    const auto it = s.windows.find(className);
    e.window = it == s.windows.end() ? 0 : it->second;
    s.record.push_back(e);
    return e.window;
}

bool BringToForeground(std::uintptr_t window) {
    UiEvent e{UiCall::Foreground};
    e.window = window;
    e.answer = window != 0;
    State().record.push_back(e);
    return window != 0;
}

void SendKeyEvent(std::uint8_t virtualKey, std::uint32_t flags) {
    UiEvent e{UiCall::KeyEvent};
    e.key = virtualKey;
    e.flags = flags;
    State().record.push_back(e);
}

void EnableMenuEntry(std::uintptr_t menu, std::uint16_t commandId, unsigned state) {
    UiEvent e{UiCall::EnableMenu};
    e.menu = menu;
    e.id = commandId;
    e.flags = state;
    State().record.push_back(e);
}

bool BrowseForFolder(std::uintptr_t owner, std::string& path) {
    auto& s = State();
    UiEvent e{UiCall::BrowseFolder};
    e.window = owner;
    std::optional<std::string> chosen;
    if (!s.folders.empty()) {
        chosen = s.folders.front();
        s.folders.pop_front();
    } else if (s.askOnTerminal && isatty(STDIN_FILENO)) {
        std::cerr << "Folder (empty to cancel): " << std::flush;
        std::string line;
        // The terminal speaks UTF-8; paths travel in the native character set.
        if (std::getline(std::cin, line) && !line.empty()) chosen = text::Utf8ToCp1252(line);
    }
    if (chosen) {
        path = *chosen;
        e.text = *chosen;
        e.answer = 1;
    }
    s.record.push_back(e);
    return chosen.has_value();
}

void OpenHelpContents(std::uintptr_t owner) {
    UiEvent e{UiCall::Help};
    e.window = owner;
    State().record.push_back(e);
}

void EndProcess(int code) {
    std::fflush(nullptr);
    std::_Exit(code);
}

}  // namespace platform
