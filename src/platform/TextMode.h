// Text-mode file output as the C runtime writes it on Windows: every line feed is stored as
// carriage return and line feed.
#pragma once

#include <string>

namespace platform {

inline std::string ToTextMode(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

}  // namespace platform
