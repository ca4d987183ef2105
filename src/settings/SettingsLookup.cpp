#include "settings/SettingsLookup.h"

#include <notesapi/notesapi.h>

#include <cstring>

#include "platform/Platform.h"

namespace stowline {

std::string FindSettingsFolder() {
    std::string folder =
        platform::ReadRegistryString(platform::RegistryRoot::CurrentUser, kSettingsRegistryKey, kSettingsRegistryValue);
    if (folder.empty())
        folder = platform::ReadRegistryString(platform::RegistryRoot::LocalMachine, kSettingsRegistryKey,
                                              kSettingsRegistryValue);
    if (folder.empty()) {
        // The length handed over excludes the terminator, which Notes writes after it.
        constexpr WORD kValueLength = 256;
        char buffer[kValueLength + 1] = {};
        if (OSGetEnvironmentString(kSettingsNotesIniVariable, buffer, kValueLength))
            folder.assign(buffer, strnlen(buffer, kValueLength));
    }
    return folder;
}

std::string SettingsFilePath(const std::string& folder) { return folder + "\\" + kSettingsFileName; }

}  // namespace stowline
