#include "platform/posix/ProfileText.h"
#include "platform/Text.h"

#include <vector>

namespace platform::profile {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && (IsBlank(s[e - 1]) || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

using text::EqualsNoCase;

struct Line {
    std::string text{};  // without its line ending
    enum Kind { Other, Section, Entry } kind = Other;
    std::string name{};   // section name or key, trimmed
    std::string value{};  // trimmed value of an entry
};

std::vector<Line> Split(const std::string& content) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        Line line;
        line.text = content.substr(start, end - start);
        if (!line.text.empty() && line.text.back() == '\r') line.text.pop_back();
        const std::string t = Trim(line.text);
        if (!t.empty() && t[0] == '[') {
            line.kind = Line::Section;
            const auto close = t.find(']');
            line.name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
        } else if (const auto eq = t.find('='); eq != std::string::npos) {
            line.kind = Line::Entry;
            line.name = Trim(t.substr(0, eq));
            line.value = Trim(t.substr(eq + 1));
        } else if (!t.empty()) {
            line.kind = Line::Entry;  // a key without '=' has an empty value
            line.name = t;
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// Index of the first line of the named section, or lines.size().
std::size_t FindSection(const std::vector<Line>& lines, const std::string& section) {
    const std::string want = Trim(section);
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == Line::Section && EqualsNoCase(lines[i].name, want)) return i;
    return lines.size();
}

std::string Unquote(const std::string& v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

std::string Cut(std::string s, std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    if (s.size() > bufferSize - 1) s.resize(bufferSize - 1);
    return s;
}

}  // namespace

std::string Lookup(const std::string& content, const std::string& section, const std::string& key,
                   const std::string& defaultValue, std::size_t bufferSize) {
    const auto lines = Split(content);
    const std::string want = Trim(key);
    for (std::size_t i = FindSection(lines, section) + 1; i < lines.size(); ++i) {
        if (lines[i].kind == Line::Section) break;
        if (lines[i].kind == Line::Entry && EqualsNoCase(lines[i].name, want))
            return Cut(Unquote(lines[i].value), bufferSize);
    }
    std::string fallback = defaultValue;
    while (!fallback.empty() && fallback.back() == ' ') fallback.pop_back();
    return Cut(fallback, bufferSize);
}

std::string Update(const std::string& content, const std::string& section, const std::string& key,
                   const std::string& value) {
    const std::string eol =
        content.find("\r\n") != std::string::npos || content.find('\n') == std::string::npos ? "\r\n" : "\n";
    auto lines = Split(content);
    const std::string name = Trim(key);
    const std::size_t s = FindSection(lines, section);
    if (s == lines.size()) {
        if (!lines.empty() && !Trim(lines.back().text).empty()) lines.push_back({});
        lines.push_back({"[" + Trim(section) + "]"});
        lines.push_back({name + "=" + value});
    } else {
        std::size_t lastEntry = s;
        bool replaced = false;
        for (std::size_t i = s + 1; i < lines.size() && lines[i].kind != Line::Section; ++i) {
            if (lines[i].kind != Line::Entry) continue;
            if (EqualsNoCase(lines[i].name, name)) {
                lines[i].text = lines[i].name + "=" + value;
                replaced = true;
                break;
            }
            lastEntry = i;
        }
        if (!replaced)
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastEntry) + 1, Line{name + "=" + value});
    }
    std::string out;
    for (const auto& l : lines) out += l.text + eol;
    return out;
}

}  // namespace platform::profile
