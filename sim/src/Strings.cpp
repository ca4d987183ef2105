// Status texts and character-set translation.
#include <algorithm>
#include <cstring>
#include <string>

#include "Calls.h"
#include "State.h"
#include "Unicode.h"
#include "sim/Status.h"

using namespace sim;
using namespace sim::detail;

namespace {

struct StatusText {
    STATUS code;
    const char* text;
};

// Every status the stand-in returns.
constexpr StatusText kTexts[] = {
    {ERR_ITEM_NOT_FOUND, "Note item not found"},
    {ERR_NOTE_DELETED, "Document has been deleted"},
    {ERR_INVALID_NOTE, "Invalid or nonexistent document"},
    {ERR_NO_MODIFIED_NOTES, "No documents have been modified since specified time."},
    {ERR_NOACCESS, "You are not authorized to perform that operation"},
    {ERR_NOTE_NOT_SIGNED, "Document is not signed."},
    {ERR_NOTE_NOT_SEALED, "Document is not encrypted."},
    {ERR_NOT_FOUND, "Entry not found in index"},
    {ERR_DATATYPE, "Unsupported datatype"},
    {ERR_ODS_ENUM_COMPLETE, "Enumeration complete"},
    {ERR_SIM_INVALID_HANDLE, "Invalid handle"},
    {ERR_SIM_FILE_CREATE, "Cannot create file"},
    {ERR_SIM_FILE_WRITE, "Cannot write file"},
    {ERR_SIM_FILE_READ, "Cannot read file"},
    {ERR_SIM_BAD_ARGUMENT, "Invalid argument"},
    {ERR_SIM_DB_NOT_FOUND, "File does not exist"},
    {ERR_SIM_NO_KEY, "You don't have any of the keys needed to decrypt"},
    {ERR_SIM_ATTACH_ENCRYPTED, "The attachment is encrypted and no key was given"},
    {ERR_SIM_BAD_SIGNATURE, "The signature is invalid"},
    {ERR_SIM_OBJECT_MISSING, "The attachment's object is missing"},
    {ERR_SIM_TIME_CONVERT, "Invalid time or date"},
    {ERR_SIM_BUFFER_SMALL, "Buffer too small"},
    {ERR_SIM_COLLECTION, "Invalid collection handle"},
    {ERR_SIM_NOT_A_VIEW, "The note is not a view or folder"},
};

}  // namespace

// At most BufferLength bytes and a terminator; 0 for an unknown code.
NOTESAPI_FN WORD LNPUBLIC OSLoadString(HMODULE_NOTES hModule, STATUS StringCode, char* retBuffer, WORD BufferLength) {
    SIM_ENTER_OR(OSLoadString, 0);
    if (!retBuffer) return 0;
    for (const StatusText& t : kTexts) {
        if (t.code != ERR(StringCode)) continue;
        const size_t n = std::min<size_t>(std::strlen(t.text), BufferLength);
        std::memcpy(retBuffer, t.text, n);
        retBuffer[n] = '\0';
        return static_cast<WORD>(n);
    }
    retBuffer[0] = '\0';
    return 0;
}

namespace {

// Writes whole characters only, so that a cut never splits a multi-byte sequence.
template <typename Append>
WORD Emit(const std::u32string& chars, char* out, WORD outLength, Append append) {
    std::size_t written = 0;
    std::string one;
    for (char32_t c : chars) {
        one.clear();
        append(one, c);
        if (written + one.size() > outLength) break;
        std::memcpy(out + written, one.data(), one.size());
        written += one.size();
    }
    if (written < outLength) out[written] = '\0';
    return static_cast<WORD>(written);
}

std::u32string FromNative(const char* in, WORD n) {
    std::u32string chars;
    for (WORD i = 0; i < n; ++i) chars += Cp1252ToUnicode(static_cast<unsigned char>(in[i]));
    return chars;
}

}  // namespace

// Modes 0 (native -> LMBCS), 1 (LMBCS -> native, '?' for what Windows-1252 lacks),
// 22 (LMBCS -> UTF-8) and 24 (UTF-8 -> LMBCS). Output stops at OutLength bytes, on a
// character boundary; a terminator follows when there is room.
NOTESAPI_FN WORD LNPUBLIC OSTranslate(WORD TranslateMode, const char* In, WORD InLength, char* Out, WORD OutLength) {
    SIM_ENTER_OR(OSTranslate, 0);
    if (!In || !Out) return 0;
    const std::string_view input(In, InLength);
    const bool known = TranslateMode == OS_TRANSLATE_NATIVE_TO_LMBCS || TranslateMode == OS_TRANSLATE_LMBCS_TO_NATIVE ||
                       TranslateMode == 22 || TranslateMode == 24;
    if (known && IsPlainAscii(input)) {
        // Most text: the same bytes in all of them, one character each.
        const WORD n = std::min(InLength, OutLength);
        std::memmove(Out, In, n);
        if (n < OutLength) Out[n] = '\0';
        return n;
    }
    switch (TranslateMode) {
        case OS_TRANSLATE_NATIVE_TO_LMBCS: return Emit(FromNative(In, InLength), Out, OutLength, AppendLmbcs);
        case OS_TRANSLATE_LMBCS_TO_NATIVE:
            return Emit(DecodeLmbcs(input), Out, OutLength, [](std::string& s, char32_t c) {
                const int b = UnicodeToCp1252(c);
                s += b < 0 ? '?' : static_cast<char>(b);
            });
        case 22: return Emit(DecodeLmbcs(input), Out, OutLength, AppendUtf8);
        case 24: return Emit(DecodeUtf8(input), Out, OutLength, AppendLmbcs);
        default: return 0;
    }
}
