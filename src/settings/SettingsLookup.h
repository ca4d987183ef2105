// Where the installation recorded the settings folder: the registry value "ConfigPath" of
// "SOFTWARE\Corvane\Stowline", current user first, then local machine, then the notes.ini
// variable "StowlineSettingsPath".
#pragma once

#include <string>

namespace stowline {

inline constexpr const char* kSettingsRegistryKey = "SOFTWARE\\Corvane\\Stowline";
inline constexpr const char* kSettingsRegistryValue = "ConfigPath";
inline constexpr const char* kSettingsNotesIniVariable = "StowlineSettingsPath";
inline constexpr const char* kSettingsFileName = "Stowline.ini";

// The recorded settings folder, or "" when none is recorded anywhere.
std::string FindSettingsFolder();

// The settings file of a folder, joined as plain text: "D:\Arch" gives "D:\Arch\Stowline.ini".
std::string SettingsFilePath(const std::string& folder);

}  // namespace stowline
