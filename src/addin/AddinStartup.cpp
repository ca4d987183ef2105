#include "addin/AddinStartup.h"

#include <memory>

#include "platform/Platform.h"
#include "settings/SettingsLookup.h"

namespace stowline {

namespace {
struct AddinState {
    bool started = false;
    std::unique_ptr<ArchiveSettings> settings;
};
AddinState& State() {
    static AddinState state;
    return state;
}
}  // namespace

bool StartAddin() {
    auto& state = State();
    if (state.started) return state.settings != nullptr;
    state.started = true;
    const std::string folder = FindSettingsFolder();
    if (folder.empty()) {
        platform::ShowMessageBox(kNoConfigurationMessage, kAppName, platform::MB_OK_);
        return false;
    }
    state.settings = std::make_unique<ArchiveSettings>(SettingsFilePath(folder), true);
    return true;
}

ArchiveSettings* TheSettings() { return State().settings.get(); }

void ShutdownAddin() {
    State().settings.reset();
    State().started = false;
}

}  // namespace stowline
