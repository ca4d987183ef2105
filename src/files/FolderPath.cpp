#include "files/FolderPath.h"

#include <vector>

#include "files/ExistenceChecks.h"
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

}  // namespace

std::optional<std::string> CreateFolderPath(const std::string& path) {
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
        if (slash == std::string::npos) return std::nullopt;
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
    if (!lastMade) return std::nullopt;
    return rest;
}

}  // namespace stowline
