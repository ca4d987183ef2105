// Turning formula results and attachment names into names the file system accepts.
#pragma once

#include <optional>
#include <string>

namespace stowline {

// The characters no file or folder name may hold, in this order.
inline constexpr const char* kInvalidFileNameChars = "\\/:*?\"<>|";
inline constexpr char kReplacementChar = '~';

// A cleaned copy of `text` for use as one file or folder name, byte by byte: every byte of
// `set`, every control byte and every byte from 0x80 up becomes '~'; leading and trailing
// blanks are removed.
std::string ReplaceInvalidChars(const std::string& text, const std::string& set);

// `name` as a name Windows keeps for a file or folder of its own: a name made only of dots
// (".", "..") would name the folder itself or its parent and gets a '~' for each dot; a device
// name (CON, nul.txt, COM1, ...) gets a '~' in front. Any other name is returned as it is.
std::string GuardSpecialName(std::string name);

// Cleans an attachment file name in place, keeping non-ASCII letters: characters of the
// invalid set and control characters become '~', trailing blanks are cut, each leading blank
// becomes '~', a name made only of dots becomes as many '~', and a device name (CON, nul.txt,
// COM1, ...) gets a '~' in front. A name that would come out
// empty is left as it was.
void MakeValidFileName(std::string& text);

// `path` when no file or folder is there; otherwise the first free one of "name (2).ext",
// "name (3).ext", ... The number goes before the extension of the last component; a name
// without one (or whose only dot leads it) gets the number at its end. Used where an
// existing file must not be replaced. None when a search failed: a name whose existence is
// not known is never taken for free.
std::optional<std::string> FirstFreePath(const std::string& path);

}  // namespace stowline
