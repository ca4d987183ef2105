// Whether a path names an existing directory or file, by a directory search on the exact path
// (wildcards are honoured): a drive root, a share root and any path ending in a separator name
// no entry and answer false.
#pragma once

#include <string>

namespace stowline {

bool DirectoryExists(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace stowline
