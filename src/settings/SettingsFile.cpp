#include "settings/SettingsFile.h"

#include "platform/Platform.h"

namespace stowline {

std::string SettingsFile::GetString(const std::string& section, const std::string& key) const {
    return platform::GetProfileString(section, key, "", kStringBuffer, path_);
}

bool SettingsFile::GetBool(const std::string& section, const std::string& key) const {
    const std::string text = platform::GetProfileString(section, key, "", kBoolBuffer, path_);
    return !text.empty() && text[0] == '1';
}

bool SettingsFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    return platform::WriteProfileString(section, key, value, path_);
}

bool SettingsFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    return platform::WriteProfileString(section, key, value ? "1" : "0", path_);
}

}  // namespace stowline
