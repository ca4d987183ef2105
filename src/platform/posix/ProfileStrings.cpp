// Profile-string files on Linux: the file is read and rewritten whole around the text rules
// that Windows applies.
#include <sys/stat.h>

#include "platform/Platform.h"
#include "platform/posix/ProfileText.h"
#include "platform/posix/FileOps.h"
#include "platform/posix/FileText.h"
#include "platform/posix/HostPath.h"

namespace platform {

std::string GetProfileString(const std::string& section, const std::string& key, const std::string& defaultValue,
                             std::size_t bufferSize, const std::string& file) {
    std::string content;
    const auto host = posix::ResolveHostPath(file);
    if (host.error == winpath::PathError::None && !host.components.empty())
        posix::ReadWholeFile(host.path, content);  // a missing file has no keys
    return profile::Lookup(content, section, key, defaultValue, bufferSize);
}

bool WriteProfileString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& file) {
    const auto host = posix::ResolveHostPath(file);
    if (host.error != winpath::PathError::None || host.components.empty() || host.parsed.trailingSeparator)
        return false;
    std::string content;
    if (!posix::ReadWholeFile(host.path, content)) {
        // Only a missing file starts empty (Windows creates it); one that is there but could
        // not be read is left as it is, since rewriting it would drop every other key.
        struct stat st {};
        if (posix::Ops().stat(host.path.c_str(), &st) == 0) return false;
        content.clear();
    }
    return posix::WriteWholeFile(host.path, profile::Update(content, section, key, value));
}

}  // namespace platform
