#include "Unicode.h"

namespace sim::detail {

std::u32string DecodeUtf8(std::string_view s) {
    std::u32string out;
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        const int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        if (extra == 0) {
            out += b;
            ++i;
            continue;
        }
        bool ok = extra > 0 && i + extra < s.size();
        char32_t c = ok ? char32_t(b & (0x3F >> extra)) : 0;
        for (int k = 1; ok && k <= extra; ++k) {
            const unsigned char t = static_cast<unsigned char>(s[i + k]);
            if ((t >> 6) != 2) ok = false;
            c = (c << 6) | (t & 0x3F);
        }
        if (!ok) {
            out += 0xFFFD;
            ++i;
            continue;
        }
        out += c;
        i += extra + 1;
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string NativeToUtf8(std::string_view native) {
    std::string out;
    for (unsigned char b : native) AppendUtf8(out, Cp1252ToUnicode(b));
    return out;
}

}  // namespace sim::detail
