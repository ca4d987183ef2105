#include "settings/ArchiveSettings.h"

#include "platform/Platform.h"
#include "files/ExistenceChecks.h"

namespace stowline {

ArchiveSettings::ArchiveSettings(const std::string& settingsFilePath, bool load) : settingsFile(settingsFilePath) {
    if (load) Load();
}

void ArchiveSettings::Load() {
    const char* s = kSettingsSection;
    BasePath = settingsFile.GetString(s, "BasePath");
    DetachMethodEvalString = settingsFile.GetString(s, "DetachMethodEvalString");
    TextFileNameEvalString = settingsFile.GetString(s, "TextFileNameEvalString");
    DelMsgAfterArc = settingsFile.GetBool(s, "DelMsgAfterArc");
    DelViewFoldersAfterArc = settingsFile.GetBool(s, "DelViewFoldersAfterArc");
    PromptDelMsg = settingsFile.GetBool(s, "PromptDelMsg");
    PromptDelViewFolders = settingsFile.GetBool(s, "PromptDelViewFolders");
    WriteIndex = settingsFile.GetBool(s, "WriteIndex");
}

bool ArchiveSettings::Save() {
    const std::string& path = settingsFile.Path();
    if (!FileExists(path)) {
        platform::ShowMessageBox("Was unable to save settings.File '" + path + "' was not found.", "File Error",
                                 platform::MB_ICONSTOP_ | platform::MB_OK_);
        return false;
    }
    if (DetachMethodEvalString.empty()) DetachMethodEvalString = kStandardFormula;
    if (TextFileNameEvalString.empty()) TextFileNameEvalString = kStandardFormula;
    const char* s = kSettingsSection;
    // Every key is attempted; a write that did not land is reported rather than passed off as
    // saved.
    bool written = settingsFile.WriteString(s, "BasePath", BasePath);
    written &= settingsFile.WriteString(s, "DetachMethodEvalString", DetachMethodEvalString);
    written &= settingsFile.WriteString(s, "TextFileNameEvalString", TextFileNameEvalString);
    written &= settingsFile.WriteBool(s, "DelMsgAfterArc", DelMsgAfterArc);
    written &= settingsFile.WriteBool(s, "DelViewFoldersAfterArc", DelViewFoldersAfterArc);
    written &= settingsFile.WriteBool(s, "PromptDelMsg", PromptDelMsg);
    written &= settingsFile.WriteBool(s, "PromptDelViewFolders", PromptDelViewFolders);
    written &= settingsFile.WriteBool(s, "WriteIndex", WriteIndex);
    if (!written) {
        platform::ShowMessageBox("Was unable to save settings.File '" + path + "' could not be written.", "File Error",
                                 platform::MB_ICONSTOP_ | platform::MB_OK_);
        return false;
    }
    return true;
}

bool ArchiveSettings::Validate(std::string& reason) const {
    reason.clear();
    if (BasePath.empty()) {
        reason += "Archive Base Path has not been specified.";
        return false;
    }
    if (!DirectoryExists(BasePath)) {
        reason += "Archive Base Path can not be found.";
        return false;
    }
    return true;
}

}  // namespace stowline
