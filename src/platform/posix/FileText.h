// Whole-file reads and writes through the fault-injectable file operations.
#pragma once

#include <string>

namespace platform::posix {

// False when the file cannot be opened or read.
bool ReadWholeFile(const std::string& hostPath, std::string& content);
// Creates or replaces the file; false when any step fails.
bool WriteWholeFile(const std::string& hostPath, const std::string& content);

}  // namespace platform::posix
