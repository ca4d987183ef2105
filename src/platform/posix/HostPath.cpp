#include "platform/posix/HostPath.h"

#include <dirent.h>

#include "platform/posix/FileOps.h"

namespace platform::posix {

namespace {
char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool Exists(const std::string& path) {
    struct stat st {};
    return Ops().stat(path.c_str(), &st) == 0;
}

// The stored spelling of `name` in `dir` when it differs only by case; `name` otherwise.
std::string StoredName(const std::string& dir, const std::string& name) {
    const std::string exact = dir.empty() ? name : (dir == "/" ? "/" + name : dir + "/" + name);
    if (Exists(exact)) return name;
    DIR* d = Ops().opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return name;
    std::string found = name;
    while (const dirent* e = readdir(d)) {
        if (SameNameNoCase(e->d_name, name)) {
            found = e->d_name;
            break;
        }
    }
    Ops().closedir(d);
    return found;
}
}  // namespace

bool SameNameNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

winpath::HostPath ResolveHostPath(const std::string& windowsPath, bool allowWildcards) {
    winpath::HostPath host =
        winpath::MapToHostPath(windowsPath, winpath::EnvironmentDriveRoot, allowWildcards);
    if (host.error != winpath::PathError::None) return host;
    std::string dir = host.root;
    for (auto& c : host.components) {
        if (c != "..") c = StoredName(dir, c);
        if (dir.empty()) dir = c;
        else if (dir == "/") dir += c;
        else dir += "/" + c;
    }
    host.path = dir.empty() ? "." : dir;
    return host;
}

}  // namespace platform::posix
