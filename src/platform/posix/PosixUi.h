// The user interface of the posix seam: message boxes and the folder browser either answer
// from a script or ask on the terminal, and every call (boxes, window lookups, foreground,
// key events, menu enabling, help) is recorded so that tests and the command line can read it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform::posix {

enum class UiCall { MessageBox, FindWindow, Foreground, KeyEvent, EnableMenu, BrowseFolder, Help };

struct UiEvent {
    UiCall call = UiCall::MessageBox;
    std::string text{};         // box text; class name of a window lookup; chosen folder
    std::string title{};        // box title
    unsigned flags = 0;         // box flags; menu state; key-event flags
    int answer = 0;             // button of a box; 1 when a folder was chosen
    std::uintptr_t window = 0;  // owner, window found, or window brought to the front
    std::uintptr_t menu = 0;
    std::uint16_t id = 0;  // menu command id
    std::uint8_t key = 0;  // virtual key
};

// Forgets the record, the scripted answers and the windows, and stops asking on the terminal.
void ResetUi();
const std::vector<UiEvent>& UiRecord();
// Only the message boxes of the record.
std::vector<UiEvent> RecordedBoxes();

// Answers for the next message boxes, in order (IDOK 1, IDCANCEL 2).
void ScriptBoxAnswers(const std::vector<int>& answers);
// Answer for the next folder browser: a path, or nullopt for Cancel.
void ScriptFolder(std::optional<std::string> folder);
// When set, boxes without a scripted answer are asked on the terminal. Without a script
// and without a terminal, a box with a Cancel button answers Cancel and any other box OK.
void SetAskOnTerminal(bool ask);

// A top-level window that FindTopWindow can find.
void AddTopWindow(const std::string& className, std::uintptr_t handle);

// Called for every message box as it is shown (title and text in native bytes).
void SetBoxObserver(std::function<void(const UiEvent&)> observer);

}  // namespace platform::posix
