// Reads and writes keys of one profile-string (INI) file.
#pragma once

#include <string>

namespace stowline {

class SettingsFile {
public:
    // Longest value read back is one less than this.
    static constexpr std::size_t kStringBuffer = 20000;
    static constexpr std::size_t kBoolBuffer = 10;

    explicit SettingsFile(std::string path = {}) : path_(std::move(path)) {}

    const std::string& Path() const { return path_; }

    // The stored text; empty when the key is missing or empty.
    std::string GetString(const std::string& section, const std::string& key) const;
    // True exactly when the stored text begins with "1".
    bool GetBool(const std::string& section, const std::string& key) const;
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    bool WriteBool(const std::string& section, const std::string& key, bool value);

private:
    std::string path_;
};

}  // namespace stowline
