// Where the archive puts things: the folder of each exported view below the base path. Paths
// are Windows paths joined with one backslash.
#pragma once

#include <string>

namespace stowline {

class ExportJob;

// BasePath + "\" + the display name of `viewName` (the job's ExcludedFolders). A
// backslash in the name nests folders; each component between them is made a folder name of
// its own (characters Windows refuses and trailing dots as '~', names of dots and device names
// guarded as attachment names are), so the folder always lies below the base path. The folder
// is created when missing; the path is returned as composed even when that fails.
std::string GetViewFolder(const ExportJob& job, const std::string& viewName);

}  // namespace stowline
