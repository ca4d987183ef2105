#include "files/FileNames.h"

#include <cstring>
#include <optional>

#include "platform/Platform.h"
#include "platform/WindowsPath.h"

namespace stowline {

namespace {
bool InSet(const std::string& set, char c) { return c != '\0' && set.find(c) != std::string::npos; }
}  // namespace

std::string ReplaceInvalidChars(const std::string& text, const std::string& set) {
    std::string out = text;
    for (char& c : out) {
        // Taken as a signed byte, both the control bytes and the bytes from 0x80 up are below 0x20.
        if (InSet(set, c) || static_cast<signed char>(c) < 0x20) c = kReplacementChar;
    }
    const auto first = out.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = out.find_last_not_of(' ');
    return out.substr(first, last - first + 1);
}

std::string GuardSpecialName(std::string name) {
    if (!name.empty() && name.find_first_not_of('.') == std::string::npos) name.assign(name.size(), kReplacementChar);
    // A file "written" to a device name never reaches the disk.
    if (platform::winpath::IsReservedDeviceName(name)) name.insert(name.begin(), kReplacementChar);
    return name;
}

void MakeValidFileName(std::string& text) {
    std::string out = text;
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || InSet(kInvalidFileNameChars, c)) c = kReplacementChar;
    }
    const auto last = out.find_last_not_of(' ');
    out.erase(last == std::string::npos ? 0 : last + 1);
    for (char& c : out) {
        if (c != ' ') break;
        c = kReplacementChar;
    }
    out = GuardSpecialName(std::move(out));
    if (!out.empty()) text = out;
}

std::optional<std::string> FirstFreePath(const std::string& path) {
    // Free (the name), taken (none) or not known (an error, which ends the search).
    enum class Answer { Free, Taken, Unknown };
    const auto ask = [](const std::string& candidate) {
        const auto entry = platform::FindFirstEntry(candidate);
        return entry.failed ? Answer::Unknown : entry.found ? Answer::Taken : Answer::Free;
    };
    switch (ask(path)) {
        case Answer::Free: return path;
        case Answer::Unknown: return std::nullopt;
        case Answer::Taken: break;
    }
    const auto nameStart = path.rfind('\\') == std::string::npos ? 0 : path.rfind('\\') + 1;
    auto dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) dot = path.size();
    const std::string stem = path.substr(0, dot);
    const std::string extension = path.substr(dot);
    for (unsigned long number = 2;; ++number) {
        const std::string candidate = stem + " (" + std::to_string(number) + ")" + extension;
        switch (ask(candidate)) {
            case Answer::Free: return candidate;
            case Answer::Unknown: return std::nullopt;
            case Answer::Taken: break;
        }
    }
}

}  // namespace stowline
