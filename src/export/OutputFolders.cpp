#include "export/OutputFolders.h"

#include <string_view>
#include <vector>

#include "export/ExportJob.h"
#include "files/ExistenceChecks.h"
#include "files/FileNames.h"
#include "platform/Platform.h"

namespace stowline {

namespace {

constexpr const char* kWhiteSpace = " \t\r\n\v\f";
constexpr int kAlreadyExists = platform::EEXIST_;

std::string Strip(const std::string& text) {
    const auto first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

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

std::string CreateFolderPath(const std::string& path) {
    // Most often only the last folder is missing, as for each document's attachments: made at
    // once, without looking first, when the walk below would make that same folder (no name
    // of the path to strip).
    if (const auto slash = path.rfind('\\'); slash != std::string::npos) {
        const std::string parent = path.substr(0, slash);
        const std::string last = path.substr(slash + 1);
        if (!last.empty() && Strip(last) == last && StripTrailing(parent) == parent) {
            const int error = platform::MakeDirectory(path);
            if (error == 0 || error == kAlreadyExists) return path;
        }
    }
    std::string rest = path;
    std::vector<std::string> parts;  // innermost first
    bool exists = DirectoryExists(rest);
    while (!exists) {
        const auto slash = rest.rfind('\\');
        if (slash == std::string::npos) return {};
        parts.push_back(Strip(rest.substr(slash + 1)));
        rest = StripTrailing(rest.substr(0, slash));
        exists = DirectoryExists(rest);
    }
    if (parts.empty()) return rest;

    bool lastMade = false;
    for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
        rest += "\\" + *part;
        const int error = platform::MakeDirectory(rest);
        lastMade = error == 0 || error == kAlreadyExists;
    }
    return lastMade ? rest : std::string();
}

}  // namespace stowline
