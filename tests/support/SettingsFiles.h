// The files through which the add-in finds its settings, as a test lays them out: the registry
// file (REGEDIT4) that records the settings folder, and the settings file itself.
#pragma once

#include <optional>
#include <string>

namespace testsupport {

// A registry file that records `currentUser` (and `localMachine`, where given) as the settings
// folder, Windows paths with their backslashes doubled as REGEDIT4 stores them.
inline std::string RegistryFile(const std::optional<std::string>& currentUser,
                                const std::optional<std::string>& localMachine = std::nullopt) {
    const auto escaped = [](const std::string& path) {
        std::string out;
        for (char c : path) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
        return out;
    };
    std::string reg = "REGEDIT4\r\n\r\n";
    if (currentUser)
        reg +=
            "[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Stowline]\r\n\"ConfigPath\"=\"" + escaped(*currentUser) + "\"\r\n";
    if (currentUser && localMachine) reg += "\r\n";
    if (localMachine)
        reg += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Stowline]\r\n\"ConfigPath\"=\"" + escaped(*localMachine) +
               "\"\r\n";
    return reg;
}

// The keys of a settings file; a key left unset is not written.
struct SettingsKeys {
    std::optional<std::string> basePath, folderFormula, fileFormula;
    std::optional<bool> delMsg, promptMsg, delFolders, promptFolders;
};

// The settings file (Stowline.ini) with the keys given, lines ended by CRLF as Windows writes.
inline std::string SettingsFile(const SettingsKeys& keys) {
    std::string ini = "[Stowline Settings]\r\n";
    const auto text = [&ini](const char* key, const std::optional<std::string>& value) {
        if (value) ini += std::string(key) + "=" + *value + "\r\n";
    };
    const auto flag = [&ini](const char* key, const std::optional<bool>& value) {
        if (value) ini += std::string(key) + "=" + (*value ? "1" : "0") + "\r\n";
    };
    text("BasePath", keys.basePath);
    text("DetachMethodEvalString", keys.folderFormula);
    text("TextFileNameEvalString", keys.fileFormula);
    flag("DelMsgAfterArc", keys.delMsg);
    flag("PromptDelMsg", keys.promptMsg);
    flag("DelViewFoldersAfterArc", keys.delFolders);
    flag("PromptDelViewFolders", keys.promptFolders);
    return ini;
}

}  // namespace testsupport
