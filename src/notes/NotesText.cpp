#include "notes/NotesText.h"

#include <algorithm>
#include <vector>

namespace stowline {

namespace {
constexpr std::size_t kMaxWord = 0xFFFF;  // Notes lengths are 16-bit

std::string Translate(WORD mode, const char* in, std::size_t length, std::size_t perByte,
                      std::size_t limit) {
    if (in == nullptr || length == 0) return {};
    length = std::min(length, kMaxWord);
    std::size_t room = std::min(length * perByte, kMaxWord);
    if (limit != 0) room = std::min(room, limit);
    std::vector<char> out(room + 1, '\0');
    WORD written = OSTranslate(mode, in, static_cast<WORD>(length), out.data(), static_cast<WORD>(room));
    return std::string(out.data(), std::min<std::size_t>(written, room));
}
}  // namespace

std::string NotesErrorText(STATUS status) {
    char buffer[512] = {};
    WORD length = OSLoadString(0, ERR(status), buffer, sizeof buffer - 1);
    length = std::min<WORD>(length, sizeof buffer - 1);
    std::string text = FromNotesText(buffer, length, 1023);
    // The string table's text ends at its terminator, whatever length was reported.
    return text.substr(0, text.find('\0'));
}

std::string FromNotesText(const char* lmbcs, std::size_t length, std::size_t limit) {
    return Translate(OS_TRANSLATE_LMBCS_TO_NATIVE, lmbcs, length, 2, limit);
}

std::string FromNotesText(const std::string& lmbcs, std::size_t limit) {
    return FromNotesText(lmbcs.data(), lmbcs.size(), limit);
}

std::string ToNotesText(const std::string& native, std::size_t limit) {
    return Translate(OS_TRANSLATE_NATIVE_TO_LMBCS, native.data(), native.size(), 3, limit);
}

}  // namespace stowline
