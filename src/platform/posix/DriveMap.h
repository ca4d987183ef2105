// Where a Windows path lands on a Linux host: each drive letter stands for a host directory,
// and the path's components, parsed by Windows' rules, become UTF-8 names below it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WindowsPath.h"

namespace platform::posix {

// The host directory that stands for a drive, without a trailing '/'; "" when the drive has
// none.
using DriveRoots = std::function<std::string(char drive)>;

// The drive directories from the environment: STOWLINE_DRIVE_<letter> (for example
// STOWLINE_DRIVE_C=/srv/archive-disk), otherwise ~/.local/share/stowline/drive_<letter>.
std::string EnvironmentDriveRoot(char drive);

struct HostPath {
    winpath::PathError error = winpath::PathError::None;
    winpath::ParsedPath parsed;
    std::string root;                     // host directory of the root ("" for relative paths)
    std::vector<std::string> components;  // UTF-8 host names
    std::string path;                     // root and components joined with '/'
};
// Maps a Windows path to a host path. A drive letter maps to its drive directory; a path rooted
// without a drive ("\tmp\x", "/tmp/x") starts at the host's "/"; relative paths stay relative.
// A drive without a directory, UNC paths and device paths are refused.
HostPath MapToHostPath(std::string_view windowsPath, const DriveRoots& roots = EnvironmentDriveRoot,
                       bool allowWildcards = false);

}  // namespace platform::posix
