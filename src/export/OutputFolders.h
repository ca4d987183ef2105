// Where the archive puts things: the folder of each exported view below the base path, and
// the creation of a missing folder path. Paths are Windows paths joined with one backslash.
#pragma once

#include <string>

namespace stowline {

class ExportJob;

// BasePath + "\" + the display name of the job's CurrentViewName (ExcludedFolders). The view
// name is not cleaned: a backslash in it nests folders. The folder is created when missing;
// the path is returned as composed even when that fails.
std::string GetViewFolder(const ExportJob& job);

// Creates every missing folder of `path`, outermost first, and returns the folder's path as
// rebuilt from its white-space-stripped components; "" when the last creation failed. When
// no leading part of the path exists, nothing is created and that leading part is returned.
std::string CreateFolderPath(const std::string& path);

}  // namespace stowline
