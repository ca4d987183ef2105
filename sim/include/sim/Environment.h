// notes.ini variables as the stand-in's OSGetEnvironmentString sees them.
#pragma once

#include <optional>
#include <string>

namespace sim {

// Variables set here win over the notes.ini file; names are case-insensitive.
void SetEnvironmentVariable(const std::string& name, const std::string& value);
void ClearEnvironmentVariables();

// The file read for variables not set above: $NOTES_INI, else ~/.config/stowline/notes.ini
// (%USERPROFILE% on Windows).
std::string NotesIniPath();

// The value OSGetEnvironmentString would return, or nothing when the variable is unknown.
std::optional<std::string> LookupEnvironmentVariable(const std::string& name);

}  // namespace sim
