#include "HostScript.h"

#include <fstream>

namespace host {
namespace {

bool Split(const std::string& line, Tokens& tokens) {
    tokens.clear();
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        std::string token;
        if (line[i] == '"') {
            const size_t end = line.find('"', i + 1);
            if (end == std::string::npos) return false;
            token = line.substr(i + 1, end - i - 1);
            i = end + 1;
        } else {
            const size_t end = line.find_first_of(" \t", i);
            token = line.substr(i, end == std::string::npos ? std::string::npos : end - i);
            i = end == std::string::npos ? line.size() : end;
        }
        tokens.push_back(token);
    }
    return true;
}

}  // namespace

bool ReadHostScript(const std::string& path, HostScript& script, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read the script " + path;
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        Tokens tokens;
        if (!Split(line, tokens)) {
            error = path + ":" + std::to_string(number) + ": unterminated quote";
            return false;
        }
        if (first > 0) {
            if (script.dialogs.empty()) {
                error = path + ":" + std::to_string(number) + ": an action outside a dialog step";
                return false;
            }
            script.dialogs.back().actions.push_back(tokens);
        } else if (tokens[0] == "dialog" && tokens.size() == 2) {
            script.dialogs.push_back({tokens[1], {}});
        } else {
            script.commands.push_back(tokens);
        }
    }
    return true;
}

}  // namespace host
