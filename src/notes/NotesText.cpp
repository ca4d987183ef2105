#include "notes/NotesText.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace stowline {

namespace {
constexpr std::size_t kMaxWord = 0xFFFF;  // Notes lengths are 16-bit

std::string Translate(WORD mode, const char* in, std::size_t length, std::size_t perByte, std::size_t limit) {
    if (in == nullptr || length == 0) return {};
    length = std::min(length, kMaxWord);
    std::size_t room = std::min(length * perByte, kMaxWord);
    if (limit != 0) room = std::min(room, limit);
    // Only what the call says it wrote is read.
    const auto out = std::make_unique_for_overwrite<char[]>(room + 1);
    WORD written = OSTranslate(mode, in, static_cast<WORD>(length), out.get(), static_cast<WORD>(room));
    return std::string(out.get(), std::min<std::size_t>(written, room));
}
}  // namespace

std::string NotesErrorText(STATUS status) {
    char buffer[512] = {};
    WORD length = OSLoadString(nullptr, ERR(status), buffer, sizeof buffer - 1);
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

bool TimeDateText(const TIMEDATE& time, std::string& text) {
    char buffer[MAXALPHATIMEDATE + 1] = {};
    WORD length = 0;
    if (ConvertTIMEDATEToText(nullptr, nullptr, &time, buffer, MAXALPHATIMEDATE, &length) != NOERROR) return false;
    length = std::min<WORD>(length, MAXALPHATIMEDATE);
    text = FromNotesText(buffer, length);
    return !text.empty() || length == 0;  // a translation that gave nothing failed
}

std::string UnidText(const UNID& unid) {
    char text[33];
    std::snprintf(text, sizeof text, "%08X%08X%08X%08X", unsigned(unid.File.Innards[1]), unsigned(unid.File.Innards[0]),
                  unsigned(unid.Note.Innards[1]), unsigned(unid.Note.Innards[0]));
    return text;
}

}  // namespace stowline
