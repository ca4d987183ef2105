// Note IDs on the command line: hexadecimal, as `stowline ls` prints them.
#pragma once

#include <notesapi/notesapi.h>

#include <string>

namespace stowline::cli {

inline bool ParseNoteId(const std::string& text, NOTEID& id) {
    try {
        std::size_t used = 0;
        const unsigned long value = std::stoul(text, &used, 16);
        if (used != text.size() || value == 0 || value > 0xFFFFFFFFul) return false;
        id = static_cast<NOTEID>(value);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace stowline::cli
