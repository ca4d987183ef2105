// A folder path made where it is missing. Paths are Windows paths joined with one backslash.
#pragma once

#include <optional>
#include <string>

namespace stowline {

// Creates every missing folder of `path`, outermost first, and returns the folder's path as
// rebuilt from its white-space-stripped components; none when the last creation failed. When
// no leading part of the path is found (a missing drive, existence checks that fail), nothing
// is created and there is no result either: files put into a leading part such as "C:" would
// land at the root of the drive.
std::optional<std::string> CreateFolderPath(const std::string& path);

}  // namespace stowline
