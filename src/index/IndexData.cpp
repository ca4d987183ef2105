#include "index/IndexData.h"

#include <cstdio>
#include <optional>
#include <string_view>
#include <unordered_set>
#include <variant>

namespace stowline {

namespace {

bool IsGap(unsigned char c) { return c <= 0x20 || c == 0x7F; }

// A script string literal holding the native bytes: the browser decodes the bytes from 0x80 up
// with the page's own code page, as it does the pages.
void AppendLiteral(std::string& out, const std::string& value) {
    out += '"';
    for (char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    out += '"';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

using Value = std::variant<std::string, std::size_t>;

// The values of one row line "[v,v,...],", each a string literal as written above or a count.
std::optional<std::vector<Value>> ParseRow(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() < 3 || line.front() != '[' || line.compare(line.size() - 2, 2, "],") != 0) return std::nullopt;
    std::vector<Value> values;
    std::size_t i = 1;
    const std::size_t end = line.size() - 2;
    while (i < end) {
        if (!values.empty()) {
            if (line[i] != ',') return std::nullopt;
            ++i;
        }
        if (i < end && line[i] == '"') {
            std::string text;
            for (++i;; ++i) {
                if (i >= end) return std::nullopt;
                const char c = line[i];
                if (c == '"') break;
                if (c != '\\') {
                    text += c;
                    continue;
                }
                if (++i >= end) return std::nullopt;
                if (line[i] == '"' || line[i] == '\\') {
                    text += line[i];
                } else if (line[i] == 'x' && i + 2 < end && HexDigit(line[i + 1]) >= 0 && HexDigit(line[i + 2]) >= 0) {
                    text += static_cast<char>(HexDigit(line[i + 1]) * 16 + HexDigit(line[i + 2]));
                    i += 2;
                } else {
                    return std::nullopt;
                }
            }
            ++i;
            values.emplace_back(std::move(text));
        } else {
            std::size_t number = 0;
            const std::size_t start = i;
            for (; i < end && line[i] >= '0' && line[i] <= '9' && i - start < 9; ++i)
                number = number * 10 + static_cast<std::size_t>(line[i] - '0');
            if (i == start) return std::nullopt;
            values.emplace_back(number);
        }
    }
    return values;
}

template <typename Row, typename Make>
std::vector<Row> ParseRows(const std::string& text, Make make) {
    std::vector<Row> rows;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t stop = text.find('\n', start);
        if (stop == std::string::npos) stop = text.size();
        if (auto values = ParseRow(text.substr(start, stop - start))) {
            if (auto row = make(*values)) rows.push_back(std::move(*row));
        }
        start = stop + 1;
    }
    return rows;
}

// The row's values when they are of the given kinds: 's' a string, 'n' a count.
bool Shaped(const std::vector<Value>& values, const char* kinds) {
    std::size_t i = 0;
    for (; kinds[i] != '\0'; ++i) {
        if (i >= values.size()) return false;
        if ((kinds[i] == 's') != std::holds_alternative<std::string>(values[i])) return false;
    }
    return i == values.size();
}

const std::string& S(const std::vector<Value>& v, std::size_t i) { return std::get<std::string>(v[i]); }
std::size_t N(const std::vector<Value>& v, std::size_t i) { return std::get<std::size_t>(v[i]); }

}  // namespace

std::string LeadingWords(const std::string& text, std::size_t maxWords, std::size_t maxBytes) {
    // The search asks whether a row holds a word, never how often: a word repeated adds only bytes
    // to every page's load.
    std::string words;
    std::unordered_set<std::string_view> seen;
    const std::string_view all(text);
    std::size_t i = 0;
    while (seen.size() < maxWords) {
        while (i < all.size() && IsGap(static_cast<unsigned char>(all[i]))) ++i;
        if (i == all.size()) break;
        std::size_t end = i;
        while (end < all.size() && !IsGap(static_cast<unsigned char>(all[end]))) ++end;
        const std::string_view word = all.substr(i, end - i);
        i = end;
        if (!seen.insert(word).second) continue;
        if (words.size() + (words.empty() ? 0 : 1) + word.size() > maxBytes) break;
        if (!words.empty()) words += ' ';
        words += word;
    }
    return words;
}

std::string FormatIndexEntries(const std::vector<IndexEntry>& entries) {
    std::string out = "// The pages of this folder, newest first, for its index page.\nvar stowlineRows = [\n";
    for (const auto& e : entries) {
        out += '[';
        AppendLiteral(out, e.file);
        out += ',';
        AppendLiteral(out, e.key);
        out += ',';
        AppendLiteral(out, e.date);
        out += ',';
        AppendLiteral(out, e.from);
        out += ',';
        AppendLiteral(out, e.subject);
        out += ',' + std::to_string(e.attachments) + ',';
        AppendLiteral(out, e.words);
        out += "],\n";
    }
    out += "];\n";
    return out;
}

std::vector<IndexEntry> ParseIndexEntries(const std::string& text) {
    return ParseRows<IndexEntry>(text, [](const std::vector<Value>& v) -> std::optional<IndexEntry> {
        if (!Shaped(v, "sssssns")) return std::nullopt;
        return IndexEntry{S(v, 0), S(v, 1), S(v, 2), S(v, 3), S(v, 4), N(v, 5), S(v, 6)};
    });
}

std::string FormatIndexFolders(const std::vector<IndexFolder>& folders) {
    std::string out = "// The indexed folders below this one, for its index page.\nvar stowlineFolders = [\n";
    for (const auto& f : folders) {
        out += '[';
        AppendLiteral(out, f.path);
        out += ',' + std::to_string(f.pages) + ',';
        AppendLiteral(out, f.newestKey);
        out += ',';
        AppendLiteral(out, f.newestDate);
        out += "],\n";
    }
    out += "];\n";
    return out;
}

std::vector<IndexFolder> ParseIndexFolders(const std::string& text) {
    return ParseRows<IndexFolder>(text, [](const std::vector<Value>& v) -> std::optional<IndexFolder> {
        if (!Shaped(v, "snss")) return std::nullopt;
        return IndexFolder{S(v, 0), N(v, 1), S(v, 2), S(v, 3)};
    });
}

}  // namespace stowline
