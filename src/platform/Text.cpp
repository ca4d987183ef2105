#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <map>

namespace platform::text {

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Code points of CP1252's bytes 0x80..0x9F.
constexpr std::array<char16_t, 32> kCp1252High = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

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

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

bool LessNoCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(AsciiLower(x)) < static_cast<unsigned char>(AsciiLower(y));
    });
}

std::string Cp1252ToUtf8(std::string_view text) {
    // ASCII reads the same in both: the usual name is copied whole.
    const auto ascii =
        std::find_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    std::string out(text.begin(), ascii);
    out.reserve(text.size() + (text.end() - ascii));
    for (char c : text.substr(static_cast<std::size_t>(ascii - text.begin()))) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80)
            out += c;
        else if (u < 0xA0)
            AppendUtf8(out, kCp1252High[u - 0x80]);
        else
            AppendUtf8(out, u);
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view utf8) {
    static const std::map<std::string, char, std::less<>> table = [] {
        std::map<std::string, char, std::less<>> t;
        for (int b = 0x80; b <= 0xFF; ++b) {
            const char c = static_cast<char>(b);
            t[Cp1252ToUtf8(std::string_view(&c, 1))] = c;
        }
        return t;
    }();
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto u = static_cast<unsigned char>(utf8[i]);
        if (u < 0x80) {
            out += utf8[i++];
            continue;
        }
        const std::size_t len = u >= 0xF0 ? 4 : u >= 0xE0 ? 3 : u >= 0xC0 ? 2 : 1;
        const auto it = table.find(utf8.substr(i, len));
        out += it == table.end() ? '?' : it->second;
        i += len;
    }
    return out;
}

}  // namespace platform::text
