#include "platform/WindowsPath.h"

#include <algorithm>
#include <array>

namespace platform::winpath {

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Code points of CP1252's bytes 0x80..0x9F; the five undefined ones map to the C1 control
// with the same value, as Windows' own table does.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

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
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || AsciiUpper(pattern[p]) == AsciiUpper(name[n]))) {
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

std::string Cp1252ToUtf8(std::string_view text) {
    // ASCII reads the same in both: the usual name is copied whole.
    const auto ascii = std::find_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    std::string out(text.begin(), ascii);
    out.reserve(text.size() + (text.end() - ascii));
    for (char c : text.substr(static_cast<std::size_t>(ascii - text.begin()))) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) out += c;
        else if (u < 0xA0) AppendUtf8(out, kCp1252High[u - 0x80]);
        else AppendUtf8(out, u);
    }
    return out;
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
