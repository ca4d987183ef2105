#include "settings/OptionsDialog.h"

#include <string>

#include "platform/Platform.h"
#include "files/ExistenceChecks.h"

namespace stowline {

namespace ids = options_ids;

int OptionsDialog::DoModal() {
    const int result = platform::RunDialog(ids::kTemplate, *this, parent_);
    return result == platform::IDOK_ ? platform::IDOK_ : platform::IDCANCEL_;
}

bool OptionsDialog::OnInitDialog(platform::DialogControls& controls) {
    if (settings) {
        controls.SetText(ids::kBasePath, settings->BasePath);
        controls.SetChecked(ids::kDeleteMessages, settings->DelMsgAfterArc);
        controls.SetChecked(ids::kDeleteFolders, settings->DelViewFoldersAfterArc);
        controls.SetChecked(ids::kPromptMessages, settings->PromptDelMsg);
        controls.SetChecked(ids::kPromptFolders, settings->PromptDelViewFolders);
    }
    ApplyVisibility(controls);
    return true;
}

void OptionsDialog::OnCommand(platform::DialogControls& controls, int id) {
    switch (id) {
        case ids::kBrowse: Browse(controls); break;
        case ids::kDeleteMessages:
        case ids::kDeleteFolders: ApplyVisibility(controls); break;
        case ids::kHelpTopics: platform::OpenHelpContents(controls.Window()); break;
        case ids::kOk: OnOK(controls); break;
        case ids::kCancel: controls.End(platform::IDCANCEL_); break;
        default: break;
    }
}

void OptionsDialog::OnOK(platform::DialogControls& controls) {
    const std::string path = controls.GetText(ids::kBasePath);
    if (!DirectoryExists(path)) {
        platform::ShowMessageBox(kBasePathErrorText, kBasePathErrorTitle,
                                 platform::MB_ICONEXCLAMATION_ | platform::MB_OK_, controls.Window());
        return;
    }
    if (settings) {
        settings->BasePath = path;  // exactly as typed or chosen
        settings->DelMsgAfterArc = controls.IsChecked(ids::kDeleteMessages);
        settings->DelViewFoldersAfterArc = controls.IsChecked(ids::kDeleteFolders);
        settings->PromptDelMsg = controls.IsChecked(ids::kPromptMessages);
        settings->PromptDelViewFolders = controls.IsChecked(ids::kPromptFolders);
        // A failed save has told the user; the values stay in effect for this session.
        settings->Save();
    }
    controls.End(platform::IDOK_);
}

void OptionsDialog::ApplyVisibility(platform::DialogControls& controls) {
    controls.SetVisible(ids::kPromptMessages, controls.IsChecked(ids::kDeleteMessages));
    controls.SetVisible(ids::kPromptFolders, controls.IsChecked(ids::kDeleteFolders));
}

void OptionsDialog::Browse(platform::DialogControls& controls) {
    std::string chosen;
    if (platform::BrowseForFolder(controls.Window(), chosen)) controls.SetText(ids::kBasePath, chosen);
}

void ShowOptionsDialog(ArchiveSettings& settings, std::uintptr_t owner) {
    OptionsDialog dialog(owner);
    dialog.settings = &settings;
    dialog.DoModal();
}

}  // namespace stowline
