// Text-mode file output as the C runtime writes it on Windows: every line feed is stored as
// carriage return and line feed.
#pragma once

#include <algorithm>
#include <string>

namespace platform {

inline std::string ToTextMode(const std::string& text) {
    std::string out;
    out.reserve(text.size() + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
    // Copied a line at a time: a page is written through here whole.
    std::size_t from = 0;
    for (std::size_t lf; (lf = text.find('\n', from)) != std::string::npos; from = lf + 1) {
        out.append(text, from, lf - from);
        out += "\r\n";
    }
    out.append(text, from, std::string::npos);
    return out;
}

}  // namespace platform
