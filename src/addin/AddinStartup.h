// The library's start-up and shutdown: locating and loading the one process-wide
// ArchiveSettings.
#pragma once

#include "platform/AppName.h"
#include "settings/ArchiveSettings.h"

namespace stowline {

inline constexpr const char* kNoConfigurationMessage =
    "Unable to obtain configuration path. A reinstall of Stowline may be required";

// Runs the start-up once per process (later calls answer the first result): finds the settings
// folder and loads the settings. Without a recorded folder it shows kNoConfigurationMessage
// and answers false; the host keeps running and the add-in stays without settings.
bool StartAddin();

// The process-wide settings; null before start-up and when it failed.
ArchiveSettings* TheSettings();

// Deletes the settings; the next StartAddin runs the start-up again.
void ShutdownAddin();

}  // namespace stowline
