#include "Transcript.h"

#include <cstdio>
#include <mutex>

namespace host {
namespace {
std::mutex lock;
std::FILE* out = nullptr;
}  // namespace

bool OpenTranscript(const std::string& path) {
    out = std::fopen(path.c_str(), "wb");
    return out != nullptr;
}

void Record(const std::string& line) {
    std::lock_guard<std::mutex> guard(lock);
    std::FILE* f = out ? out : stdout;
    std::fputs(line.c_str(), f);
    std::fputc('\n', f);
    std::fflush(f);
}

std::string Quote(const std::string& text) {
    std::string q = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '\n': q += "\\n"; break;
            case '\r': q += "\\r"; break;
            case '\t': q += "\\t"; break;
            case '\\': q += "\\\\"; break;
            case '"': q += "\\\""; break;
            default:
                if (c < 0x20)
                    q += "\\x" + Hex(c);
                else
                    q += static_cast<char>(c);
        }
    }
    return q + "\"";
}

std::string Hex(unsigned value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", digits, value);
    return buf;
}

}  // namespace host
