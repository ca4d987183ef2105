#include "export/OutputFolders.h"

#include <string_view>
#include <vector>

#include "export/ExportJob.h"
#include "files/FileNames.h"
#include "files/FolderPath.h"

namespace stowline {

namespace {

constexpr const char* kWhiteSpace = " \t\r\n\v\f";

std::string StripTrailing(const std::string& text) {
    const auto last = text.find_last_not_of(kWhiteSpace);
    return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

// One component of a view or folder name as a folder of its own: characters Windows refuses
// become '~' as in attachment names, trailing dots (which Windows would drop) become '~', and
// a name of dots or a device name is guarded, so that no component resolves to another folder.
std::string FolderComponent(const std::string& component) {
    std::string name = StripTrailing(component);
    for (char& c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || std::string_view("/:*?\"<>|").find(c) != std::string_view::npos) c = kReplacementChar;
    }
    for (auto c = name.rbegin(); c != name.rend() && *c == '.'; ++c) *c = kReplacementChar;
    return GuardSpecialName(std::move(name));
}

}  // namespace

std::string GetViewFolder(const ExportJob& job, const std::string& viewName) {
    // The name's backslashes nest folders; each component is made safe on its own.
    const std::string name = job.ExcludedFolders.DisplayNameFor(viewName);
    std::string folder = job.BasePath;
    for (std::size_t start = 0;;) {
        const auto slash = name.find('\\', start);
        folder += "\\" + FolderComponent(name.substr(start, slash - start));
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    // A folder that cannot be made shows up when the first file in it cannot be opened.
    CreateFolderPath(folder);
    return folder;
}

}  // namespace stowline
