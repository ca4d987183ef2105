// The Options dialog: edits the base path and the four deletion flags of the process-wide
// settings in place and saves them on OK. The logic lives here once; each platform draws the
// dialog from template 102 (platform/DialogHost.h) and routes the control events back.
#pragma once

#include <cstdint>

#include "platform/DialogHost.h"
#include "platform/DialogIds.h"
#include "settings/ArchiveSettings.h"

namespace stowline {

// The Options template and its menu, by the ids the platforms' dialogs are drawn with.
namespace options_ids {
inline constexpr int kTemplate = IDD_OPTIONS;
inline constexpr int kMenu = IDR_OPTIONS_MENU;
inline constexpr int kOk = IDOK_BUTTON;
inline constexpr int kCancel = IDCANCEL_BUTTON;
inline constexpr int kBasePath = IDC_BASE_PATH;              // edit
inline constexpr int kDeleteMessages = IDC_DELETE_MESSAGES;  // "Delete Messages After Archiving"
inline constexpr int kBrowse = IDC_BROWSE;
inline constexpr int kDeleteFolders = IDC_DELETE_FOLDERS;    // "Delete View/Folders After Archiving View/Folder"
inline constexpr int kPromptFolders = IDC_PROMPT_FOLDERS;    // "Prompt First" of the folders group
inline constexpr int kPromptMessages = IDC_PROMPT_MESSAGES;  // "Prompt First" of the messages group
inline constexpr int kHelpTopics = ID_HELP_TOPICS;           // menu "Help" > "Help Topics"
}  // namespace options_ids

inline constexpr const char* kBasePathErrorText = "Base Path does not exist. Please select a valid path.";
inline constexpr const char* kBasePathErrorTitle = "Base Path Error";

class OptionsDialog : public platform::DialogHandler {
public:
    explicit OptionsDialog(std::uintptr_t parent = 0) : parent_(parent) {}

    // Shows the dialog modally; IDOK_ after a confirmed OK, IDCANCEL_ otherwise (also when
    // the platform could not show it).
    int DoModal();

    bool OnInitDialog(platform::DialogControls& controls) override;
    void OnCommand(platform::DialogControls& controls, int id) override;
    // Refuses a base path that is not an existing directory (the dialog stays open);
    // otherwise stores every control into the settings, saves them and closes.
    void OnOK(platform::DialogControls& controls);

    ArchiveSettings* settings = nullptr;  // borrowed; set before DoModal

private:
    // Each "Prompt First" box is shown exactly when its deletion box is checked. Hiding a box
    // keeps its check state, which OK stores like any other.
    static void ApplyVisibility(platform::DialogControls& controls);
    static void Browse(platform::DialogControls& controls);

    std::uintptr_t parent_;
};

// What the Options menu item runs: the dialog on `settings`, owned by `owner` (0: no parent).
void ShowOptionsDialog(ArchiveSettings& settings, std::uintptr_t owner = 0);

}  // namespace stowline
