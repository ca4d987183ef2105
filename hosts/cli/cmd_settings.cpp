// stowline settings: the settings the add-in loaded at start-up, and whether they allow an
// archive (the check made before each archive command).
#include <iostream>

#include "Command.h"
#include "addin/AddinStartup.h"
#include "platform/WindowsPath.h"
#include "platform/Text.h"

namespace {

const stowline::cli::Registration reg{
    "settings", "Print the loaded settings and validate them; exit status 1 when they are not valid", [](CLI::App&) {
        return []() {
            const stowline::ArchiveSettings& s = *stowline::TheSettings();
            const auto text = [](const std::string& t) { return platform::text::Cp1252ToUtf8(t); };
            std::cout << "SettingsFile=" << text(s.settingsFile.Path()) << '\n'
                      << "BasePath=" << text(s.BasePath) << '\n'
                      << "DetachMethodEvalString=" << text(s.DetachMethodEvalString) << '\n'
                      << "TextFileNameEvalString=" << text(s.TextFileNameEvalString) << '\n'
                      << "DelMsgAfterArc=" << s.DelMsgAfterArc << '\n'
                      << "DelViewFoldersAfterArc=" << s.DelViewFoldersAfterArc << '\n'
                      << "PromptDelMsg=" << s.PromptDelMsg << '\n'
                      << "PromptDelViewFolders=" << s.PromptDelViewFolders << '\n'
                      << "WriteIndex=" << s.WriteIndex << '\n';
            std::string reason;
            if (!s.Validate(reason)) {
                std::cout << "invalid: " << text(reason) << '\n';
                return 1;
            }
            std::cout << "valid\n";
            return 0;
        };
    }};

}  // namespace
