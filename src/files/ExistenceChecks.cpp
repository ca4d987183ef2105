#include "files/ExistenceChecks.h"

#include "platform/Platform.h"

namespace stowline {

bool DirectoryExists(const std::string& path) {
    const auto entry = platform::FindFirstEntry(path);
    return entry.found && (entry.attributes & platform::FILE_ATTRIBUTE_DIRECTORY_) != 0;
}

bool FileExists(const std::string& path) {
    const auto entry = platform::FindFirstEntry(path);
    return entry.found && (entry.attributes & platform::FILE_ATTRIBUTE_DIRECTORY_) == 0;
}

}  // namespace stowline
