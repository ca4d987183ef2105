// The registry stand-in: one REGEDIT4 file (string values only), named by STOWLINE_REGISTRY,
// by default ~/.config/stowline/registry.reg.
#include <cstdlib>

#include "platform/Platform.h"
#include "platform/posix/FileText.h"
#include "platform/posix/HostPath.h"
#include "platform/posix/PosixRegistry.h"

namespace platform {

namespace posix {

std::string RegistryFilePath() {
    if (const char* file = std::getenv("STOWLINE_REGISTRY"); file && *file) return file;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config/stowline/registry.reg";
}

namespace {

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

// Reads a quoted .reg string starting at s[pos] == '"'; false when it is not one.
bool ReadQuoted(const std::string& s, std::size_t& pos, std::string& out) {
    if (pos >= s.size() || s[pos] != '"') return false;
    out.clear();
    for (++pos; pos < s.size(); ++pos) {
        if (s[pos] == '\\' && pos + 1 < s.size())
            out += s[++pos];
        else if (s[pos] == '"')
            return ++pos, true;
        else
            out += s[pos];
    }
    return false;
}

}  // namespace

bool FindRegistryString(const std::string& content, const std::string& fullKey, const std::string& value,
                        std::string& data) {
    bool inKey = false;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        const std::string line = Trim(content.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line[0] == '[') {
            const auto close = line.rfind(']');
            inKey = close != std::string::npos && SameNameNoCase(line.substr(1, close - 1), fullKey);
            continue;
        }
        if (!inKey || line.empty()) continue;
        std::size_t pos = 0;
        std::string name;
        if (line[0] == '@') {
            pos = 1;
        } else if (!ReadQuoted(line, pos, name)) {
            continue;
        }
        if (!SameNameNoCase(name, value)) continue;
        while (pos < line.size() && line[pos] == ' ') ++pos;
        if (pos >= line.size() || line[pos] != '=') continue;
        ++pos;
        while (pos < line.size() && line[pos] == ' ') ++pos;
        return ReadQuoted(line, pos, data);  // dword:, hex: and other types are not strings
    }
    return false;
}

}  // namespace posix

std::string ReadRegistryString(RegistryRoot root, const std::string& key, const std::string& value,
                               std::size_t bufferSize) {
    std::string content;
    if (!posix::ReadWholeFile(posix::RegistryFilePath(), content)) return {};
    const std::string fullKey =
        std::string(root == RegistryRoot::CurrentUser ? "HKEY_CURRENT_USER\\" : "HKEY_LOCAL_MACHINE\\") + key;
    std::string data;
    if (!posix::FindRegistryString(content, fullKey, value, data)) return {};
    if (data.size() + 1 > bufferSize) return {};  // ERROR_MORE_DATA
    return data;
}

}  // namespace platform
