#include "export/OutputFolders.h"

#include <vector>

#include "export/ExportJob.h"
#include "platform/Platform.h"
#include "files/ExistenceChecks.h"

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

std::string GetViewFolder(const ExportJob& job) {
    const std::string folder =
        job.BasePath + "\\" + job.ExcludedFolders.DisplayNameFor(job.CurrentViewName);
    // A folder that cannot be made shows up when the first file in it cannot be opened.
    CreateFolderPath(folder);
    return folder;
}

std::string CreateFolderPath(const std::string& path) {
    std::string rest = path;
    std::vector<std::string> parts;  // innermost first
    if (!DirectoryExists(rest)) {
        for (;;) {
            const auto slash = rest.rfind('\\');
            if (slash == std::string::npos) break;
            parts.push_back(Strip(rest.substr(slash + 1)));
            rest = StripTrailing(rest.substr(0, slash));
            if (DirectoryExists(rest)) break;
        }
    }
    if (!DirectoryExists(rest)) return rest;
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
