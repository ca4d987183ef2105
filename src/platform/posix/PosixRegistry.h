// The registry stand-in's file, for tests and the command line.
#pragma once

#include <string>

namespace platform::posix {

// STOWLINE_REGISTRY, else ~/.config/stowline/registry.reg (a host path).
std::string RegistryFilePath();

// Finds the string `value` of `fullKey` (e.g. "HKEY_CURRENT_USER\SOFTWARE\...") in REGEDIT4
// text; key and value names compare without regard to case, "@" is the unnamed value.
bool FindRegistryString(const std::string& content, const std::string& fullKey, const std::string& value,
                        std::string& data);

}  // namespace platform::posix
