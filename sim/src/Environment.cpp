#include "sim/Environment.h"

#include <notesapi/notesapi.h>

#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>

#include "Calls.h"

namespace sim {
namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::map<std::string, std::string>& Overrides() {
    static std::map<std::string, std::string> vars;
    return vars;
}

}  // namespace

void SetEnvironmentVariable(const std::string& name, const std::string& value) { Overrides()[Lower(name)] = value; }

void ClearEnvironmentVariables() { Overrides().clear(); }

std::string NotesIniPath() {
    if (const char* p = std::getenv("NOTES_INI"); p && *p) return p;
    const char* home = std::getenv("HOME");
    if (!home || !*home) home = std::getenv("USERPROFILE");
    if (!home || !*home) return "notes.ini";
    return std::string(home) + "/.config/stowline/notes.ini";
}

std::optional<std::string> LookupEnvironmentVariable(const std::string& name) {
    const std::string key = Lower(name);
    if (auto it = Overrides().find(key); it != Overrides().end()) return it->second;
    std::ifstream in(NotesIniPath(), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // "[Notes]" section headers and comments carry no variables.
        if (line.empty() || line[0] == '[' || line[0] == ';') continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (Lower(line.substr(0, eq)) == key) return line.substr(eq + 1);
    }
    return std::nullopt;
}

}  // namespace sim

// Copies at most BufferLength bytes and a terminator (the buffer holds BufferLength + 1).
NOTESAPI_FN BOOL LNPUBLIC OSGetEnvironmentString(const char* VariableName, char* retValueBuffer, WORD BufferLength) {
    SIM_ENTER_OR(OSGetEnvironmentString, FALSE);
    if (!VariableName || !retValueBuffer) return FALSE;
    const auto value = sim::LookupEnvironmentVariable(VariableName);
    if (!value) {
        retValueBuffer[0] = '\0';
        return FALSE;
    }
    const size_t n = std::min<size_t>(value->size(), BufferLength);
    std::memcpy(retValueBuffer, value->data(), n);
    retValueBuffer[n] = '\0';
    return TRUE;
}
