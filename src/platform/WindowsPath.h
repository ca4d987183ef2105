// Windows' rules for paths and names, as pure functions, so that every platform (and the
// Notes stand-in) refuses, trims and resolves a path exactly as Windows would. Nothing here
// touches the file system; where a path lands on a Linux host is posix/DriveMap.h.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform::winpath {

// MAX_PATH counts the terminating NUL: a full path holds at most 259 characters.
inline constexpr std::size_t kMaxPath = 260;

inline bool IsSeparator(char c) { return c == '\\' || c == '/'; }

enum class PathError {
    None,
    Empty,             // nothing to name
    InvalidCharacter,  // one of \/:*?"<>| inside a name, or a control character
    ReservedName,      // CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension
    TooLong,           // MAX_PATH or more, the terminator included
    Unsupported,       // a UNC or device path, or a drive without a host directory
};

// True for the device names Windows reserves in every folder: the part before the first dot,
// trailing blanks ignored, compared without regard to case ("nul.txt", "Com1 .log").
bool IsReservedDeviceName(std::string_view name);

// The name as Windows stores it: trailing dots and blanks dropped ("a. ." -> "a").
std::string TrimTrailingDotsAndSpaces(std::string_view name);

// Checks one path component as given. With `allowWildcards`, '*' and '?' pass (the last
// component of a directory search).
PathError CheckName(std::string_view name, bool allowWildcards = false);

// Windows' wildcard match of one name, without regard to ASCII case: '*' any run, '?' one
// character.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// A Windows path taken apart and normalised as the Win32 path layer does: separators '\' and
// '/', "." dropped, ".." climbing (never above the root), each component trimmed of trailing
// dots and blanks.
struct ParsedPath {
    PathError error = PathError::None;
    char drive = 0;                       // 'A'..'Z', or 0 when none was given
    bool rooted = false;                  // starts at a root (of the drive, or of the host)
    bool trailingSeparator = false;       // the path as given ended in a separator
    std::vector<std::string> components;  // native bytes, normalised
    bool IsRoot() const { return rooted && components.empty(); }
};
// `allowWildcards` lets '*' and '?' through in the last component only.
ParsedPath ParseWindowsPath(std::string_view path, bool allowWildcards = false);

}  // namespace platform::winpath
