#include "platform/posix/DriveMap.h"
#include "platform/Text.h"

#include <cstdlib>

namespace platform::posix {

namespace {
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsDriveLetter(char c) { return c >= 'A' && c <= 'Z'; }
}  // namespace

std::string EnvironmentDriveRoot(char drive) {
    drive = AsciiUpper(drive);
    if (!IsDriveLetter(drive)) return {};
    const std::string var = std::string("STOWLINE_DRIVE_") + drive;
    if (const char* value = std::getenv(var.c_str()); value && *value) {
        std::string root = value;
        while (root.size() > 1 && root.back() == '/') root.pop_back();
        return root;
    }
    const char* home = std::getenv("HOME");
    if (!home || !*home) return {};
    return std::string(home) + "/.local/share/stowline/drive_" + static_cast<char>(drive - 'A' + 'a');
}

HostPath MapToHostPath(std::string_view windowsPath, const DriveRoots& roots, bool allowWildcards) {
    HostPath host;
    host.parsed = winpath::ParseWindowsPath(windowsPath, allowWildcards);
    host.error = host.parsed.error;
    if (host.error != winpath::PathError::None) return host;
    if (host.parsed.drive) {
        host.root = roots ? roots(host.parsed.drive) : std::string();
        if (host.root.empty()) {
            host.error = winpath::PathError::Unsupported;
            return host;
        }
    } else if (host.parsed.rooted) {
        host.root = "/";
    }
    for (const auto& c : host.parsed.components) host.components.push_back(text::Cp1252ToUtf8(c));
    host.path = host.root;
    for (const auto& c : host.components) {
        if (!host.path.empty() && host.path.back() != '/') host.path += '/';
        host.path += c;
    }
    if (host.path.empty()) host.path = ".";
    return host;
}

}  // namespace platform::posix
