// The text rules of Windows profile-string (INI) files, as GetPrivateProfileStringA and
// WritePrivateProfileStringA apply them, on a file's whole content. The posix seam reads and
// writes the file around these.
#pragma once

#include <cstddef>
#include <string>

namespace platform::profile {

// What GetPrivateProfileStringA copies into a buffer of `bufferSize` characters: the first
// value of `key` in the first section named `section` (both compared without regard to
// ASCII case, blanks around them ignored), without the blanks around it and without one pair
// of enclosing quotes ('' or ""); `defaultValue` without its trailing blanks when there is no
// such key. Cut to bufferSize - 1 characters.
std::string Lookup(const std::string& content, const std::string& section, const std::string& key,
                   const std::string& defaultValue, std::size_t bufferSize);

// `content` with `key` of `section` set to `value`: the key's line rewritten in place, or a
// line added after the section's last entry, or the section appended at the end. Lines keep
// the file's line ending (CR LF for a new file).
std::string Update(const std::string& content, const std::string& section, const std::string& key,
                   const std::string& value);

}  // namespace platform::profile
