#include "files/ReplaceFileContent.h"

#include "platform/Platform.h"

namespace stowline {

bool ReplaceFileContent(const std::string& path, const std::string& content) {
    const std::string temporary = path + ".new";
    platform::TextFile file;
    if (!file.Open(temporary)) return false;
    const bool written = file.Write(content);
    if (file.Close() && written && platform::MoveFileOver(temporary, path)) return true;
    platform::RemoveFile(temporary);
    return false;
}

}  // namespace stowline
