#include "sim/Lmbcs.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "CodePages.h"
#include "Unicode.h"

namespace sim {
namespace detail {
namespace {

constexpr unsigned char kGroupUnicode = 0x14;
constexpr unsigned char kGroupControls = 0x0F;

const std::uint16_t* GroupTable(unsigned char group) {
    switch (group) {
        case 0x01: return kGroup01;
        case 0x02: return kGroup02;
        case 0x03: return kGroup03;
        case 0x04: return kGroup04;
        case 0x05: return kGroup05;
        case 0x06: return kGroup06;
        case 0x08: return kGroup08;
        case 0x0B: return kGroup0B;
        default: return nullptr;
    }
}

const std::unordered_map<char32_t, unsigned char>& Cp850Reverse() {
    static const auto map = [] {
        std::unordered_map<char32_t, unsigned char> m;
        for (int i = 0; i < 128; ++i)
            if (kGroup01[i]) m.emplace(kGroup01[i], static_cast<unsigned char>(0x80 + i));
        return m;
    }();
    return map;
}

const std::unordered_map<char32_t, unsigned char>& Cp1252Reverse() {
    static const auto map = [] {
        std::unordered_map<char32_t, unsigned char> m;
        for (int i = 0; i < 128; ++i)
            m.emplace(Cp1252ToUnicode(static_cast<unsigned char>(0x80 + i)), static_cast<unsigned char>(0x80 + i));
        return m;
    }();
    return map;
}

void AppendUtf16Unit(std::string& out, std::uint16_t unit) {
    const unsigned char hi = unit >> 8, lo = unit & 0xFF;
    out += static_cast<char>(kGroupUnicode);
    // A zero low byte would read as a terminator: Notes writes 0xF6 and the high byte instead.
    if (lo == 0) {
        out += static_cast<char>(0xF6);
        out += static_cast<char>(hi);
    } else {
        out += static_cast<char>(hi);
        out += static_cast<char>(lo);
    }
}

}  // namespace

char32_t Cp1252ToUnicode(unsigned char b) {
    if (b < 0x80) return b;
    const std::uint16_t u = kCp1252[b - 0x80];
    return u ? u : b;  // the five unassigned bytes map to the C1 controls, as Windows does
}

int UnicodeToCp1252(char32_t c) {
    if (c < 0x80) return static_cast<int>(c);
    auto it = Cp1252Reverse().find(c);
    return it == Cp1252Reverse().end() ? -1 : it->second;
}

void AppendLmbcs(std::string& out, char32_t c) {
    if (c < 0x20) {
        if (c == 0 || c == '\t' || c == '\n' || c == '\r') {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(kGroupControls);
            out += static_cast<char>(c + 0x20);
        }
        return;
    }
    if (c < 0x80) {
        out += static_cast<char>(c);
        return;
    }
    if (c >= 0x80 && c <= 0x9F) {  // C1 controls
        out += static_cast<char>(kGroupControls);
        out += static_cast<char>(c);
        return;
    }
    if (auto it = Cp850Reverse().find(c); it != Cp850Reverse().end()) {
        out += static_cast<char>(it->second);
        return;
    }
    if (c > 0xFFFF) {  // a surrogate pair: two group-0x14 characters
        const char32_t v = c - 0x10000;
        AppendUtf16Unit(out, static_cast<std::uint16_t>(0xD800 + (v >> 10)));
        AppendUtf16Unit(out, static_cast<std::uint16_t>(0xDC00 + (v & 0x3FF)));
        return;
    }
    if ((c >> 8) == 0xF6) c = 0xFFFD;  // cannot be told from the 0xF6 escape
    AppendUtf16Unit(out, static_cast<std::uint16_t>(c));
}

std::u32string DecodeLmbcs(std::string_view in) {
    std::u32string out;
    out.reserve(in.size());
    size_t i = 0;
    auto byteAt = [&](size_t k) { return static_cast<unsigned char>(in[k]); };
    while (i < in.size()) {
        const unsigned char b = byteAt(i);
        if (b >= 0x20 || b == 0 || b == '\t' || b == '\n' || b == '\r') {
            out += b >= 0x80 ? char32_t(kGroup01[b - 0x80] ? kGroup01[b - 0x80] : 0xFFFD) : char32_t(b);
            ++i;
            continue;
        }
        // A group byte: one or two data bytes follow.
        if (b == kGroupUnicode) {
            if (i + 2 >= in.size()) {
                out += 0xFFFD;
                break;
            }
            const unsigned char hi = byteAt(i + 1), lo = byteAt(i + 2);
            char32_t unit = hi == 0xF6 ? char32_t(lo) << 8 : (char32_t(hi) << 8 | lo);
            i += 3;
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 2 < in.size() && byteAt(i) == kGroupUnicode) {
                const unsigned char hi2 = byteAt(i + 1), lo2 = byteAt(i + 2);
                const char32_t low = hi2 == 0xF6 ? char32_t(lo2) << 8 : (char32_t(hi2) << 8 | lo2);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    i += 3;
                }
            }
            out += unit;
            continue;
        }
        if (i + 1 >= in.size()) {
            out += 0xFFFD;
            break;
        }
        const unsigned char d = byteAt(i + 1);
        if (b == kGroupControls) {
            out += d >= 0x80 ? char32_t(d) : char32_t(d - 0x20);
            i += 2;
        } else if (b >= 0x10 && b <= 0x13) {
            // Double-byte sets: a doubled group byte marks a single-byte character.
            if (d == b) {
                i += 3;
            } else {
                i += d >= 0x80 ? 3 : 2;
            }
            out += 0xFFFD;
        } else if (const std::uint16_t* table = GroupTable(b)) {
            out += d >= 0x80 ? char32_t(table[d - 0x80] ? table[d - 0x80] : 0xFFFD) : char32_t(d);
            i += 2;
        } else {
            out += 0xFFFD;
            i += 2;
        }
    }
    return out;
}

namespace {
bool IsPlainByte(unsigned char b) { return b < 0x80 && (b >= 0x20 || b == 0 || b == '\t' || b == '\n' || b == '\r'); }
}  // namespace

bool IsPlainAscii(std::string_view text) {
    // Eight bytes at a time: a high bit fails the text at once; only a word holding a byte
    // below 0x20 (most often a line break) is looked at byte by byte.
    constexpr std::uint64_t kHigh = 0x8080808080808080u, kSpaces = 0x2020202020202020u;
    const char* p = text.data();
    std::size_t left = text.size();
    for (; left >= 8; p += 8, left -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        if (word & kHigh) return false;
        if (((word - kSpaces) & ~word & kHigh) == 0) continue;
        for (int i = 0; i < 8; ++i)
            if (!IsPlainByte(static_cast<unsigned char>(p[i]))) return false;
    }
    for (; left > 0; ++p, --left)
        if (!IsPlainByte(static_cast<unsigned char>(*p))) return false;
    return true;
}

}  // namespace detail

std::string Utf8ToLmbcs(std::string_view utf8) {
    if (detail::IsPlainAscii(utf8)) return std::string(utf8);
    std::string out;
    for (char32_t c : detail::DecodeUtf8(utf8)) detail::AppendLmbcs(out, c);
    return out;
}

std::string LmbcsToUtf8(std::string_view lmbcs) {
    if (detail::IsPlainAscii(lmbcs)) return std::string(lmbcs);
    std::string out;
    for (char32_t c : detail::DecodeLmbcs(lmbcs)) detail::AppendUtf8(out, c);
    return out;
}

std::string NativeToLmbcs(std::string_view native) {
    if (detail::IsPlainAscii(native)) return std::string(native);
    std::string out;
    for (unsigned char b : native) detail::AppendLmbcs(out, detail::Cp1252ToUnicode(b));
    return out;
}

std::string LmbcsToNative(std::string_view lmbcs) {
    if (detail::IsPlainAscii(lmbcs)) return std::string(lmbcs);
    std::string out;
    for (char32_t c : detail::DecodeLmbcs(lmbcs)) {
        const int b = detail::UnicodeToCp1252(c);
        out += b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

}  // namespace sim
