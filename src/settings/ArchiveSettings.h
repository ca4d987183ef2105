// The add-in's options, kept in the settings file "Stowline.ini", section "Stowline Settings".
#pragma once

#include <string>

#include "settings/SettingsFile.h"

namespace stowline {

inline constexpr const char* kSettingsSection = "Stowline Settings";
// What Save stores for a formula left empty: the subject's first 30 characters and the UNID.
inline constexpr const char* kStandardFormula = "Left(Text(\"Subject\"),30) + \" \" + UNID";

class ArchiveSettings {
public:
    ArchiveSettings(const std::string& settingsFilePath, bool load);

    // Reads all eight keys; a missing file reads as all keys missing.
    void Load();
    // Writes all eight keys, first filling empty formulas with the standard formula. False,
    // after telling the user, when the settings file does not exist (it is never created
    // here) or a key could not be written.
    bool Save();
    // True when an archive may run; otherwise false with the reason in `reason`.
    bool Validate(std::string& reason) const;

    std::string BasePath;
    std::string DetachMethodEvalString;
    std::string TextFileNameEvalString;
    bool DelMsgAfterArc = false;
    bool PromptDelMsg = false;
    bool DelViewFoldersAfterArc = false;
    bool PromptDelViewFolders = false;
    // Each run keeps a browsable, searchable index of the folders it wrote to.
    bool WriteIndex = false;
    SettingsFile settingsFile;
};

}  // namespace stowline
