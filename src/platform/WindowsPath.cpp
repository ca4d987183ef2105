#include "platform/WindowsPath.h"

#include <algorithm>
#include <array>

#include "platform/Text.h"

namespace platform::winpath {

namespace {

using text::AsciiUpper;
using text::EqualsNoCase;

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool IsReservedDeviceName(std::string_view name) {
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    for (const char* reserved : {"CON", "PRN", "AUX", "NUL"})
        if (EqualsNoCase(base, reserved)) return true;
    if (base.size() == 4 && base[3] >= '1' && base[3] <= '9')
        return EqualsNoCase(base.substr(0, 3), "COM") || EqualsNoCase(base.substr(0, 3), "LPT");
    return false;
}

std::string TrimTrailingDotsAndSpaces(std::string_view name) {
    std::size_t end = name.size();
    while (end > 0 && (name[end - 1] == '.' || name[end - 1] == ' ')) --end;
    return std::string(name.substr(0, end));
}

PathError CheckName(std::string_view name, bool allowWildcards) {
    // Every byte of every path the add-in names passes here: looked up in a table.
    static constexpr auto kInvalid = [] {
        std::array<bool, 256> invalid{};
        for (int c = 0; c < 0x20; ++c) invalid[c] = true;
        for (char c : std::string_view("\\/:*?\"<>|")) invalid[static_cast<unsigned char>(c)] = true;
        return invalid;
    }();
    for (char c : name) {
        if (!kInvalid[static_cast<unsigned char>(c)]) continue;
        if (allowWildcards && (c == '*' || c == '?')) continue;
        return PathError::InvalidCharacter;
    }
    if (IsReservedDeviceName(name)) return PathError::ReservedName;
    return PathError::None;
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    // Iterative glob match with a single backtrack point for the last '*'.
    std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || AsciiUpper(pattern[p]) == AsciiUpper(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

ParsedPath ParseWindowsPath(std::string_view path, bool allowWildcards) {
    ParsedPath parsed;
    if (path.empty()) {
        parsed.error = PathError::Empty;
        return parsed;
    }
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        parsed.error = PathError::Unsupported;  // \\server\share, \\?\ and \\.\ paths
        return parsed;
    }
    std::string_view rest = path;
    if (rest.size() >= 2 && rest[1] == ':' && IsDriveLetter(rest[0])) {
        parsed.drive = AsciiUpper(rest[0]);
        parsed.rooted = true;  // "C:x" is taken from the drive's root, as a fresh process has it
        rest.remove_prefix(2);
    }
    if (!rest.empty() && IsSeparator(rest[0])) parsed.rooted = true;
    parsed.trailingSeparator = IsSeparator(path.back());

    // Split, remembering which component came last in the text (wildcards are allowed there).
    std::vector<std::string_view> raw;
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = start;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        if (end > start) raw.push_back(rest.substr(start, end - start));
        start = end + 1;
    }
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const std::string_view part = raw[i];
        if (part == ".") continue;
        if (part == "..") {
            if (!parsed.components.empty() && parsed.components.back() != "..")
                parsed.components.pop_back();
            else if (!parsed.rooted)
                parsed.components.emplace_back("..");
            continue;
        }
        const bool last = i + 1 == raw.size() && !parsed.trailingSeparator;
        if (PathError e = CheckName(part, allowWildcards && last); e != PathError::None) {
            parsed.error = e;
            return parsed;
        }
        std::string name = TrimTrailingDotsAndSpaces(part);
        if (name.empty()) continue;  // "..." and ". " name the folder they are in
        parsed.components.push_back(std::move(name));
    }

    // The length Windows would measure: the full path for rooted ones, else as given.
    std::size_t length = path.size();
    if (parsed.rooted) {
        length = 3;  // "C:\"
        for (const auto& c : parsed.components) length += c.size() + 1;
        if (!parsed.components.empty() && !parsed.trailingSeparator) --length;
    }
    if (length >= kMaxPath) parsed.error = PathError::TooLong;
    return parsed;
}

}  // namespace platform::winpath
