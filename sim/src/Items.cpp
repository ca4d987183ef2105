// Items of an open note: lookup by name, text and time reads, value conversion, CD records.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Calls.h"
#include "State.h"
#include "sim/Status.h"

using namespace sim;
using namespace sim::detail;

namespace {

// Text-list entries of a TYPE_TEXT_LIST value (type word included); false when malformed.
bool TextListEntries(const BYTE* v, size_t len, std::vector<std::string>& out) {
    if (len < 4) return false;
    const WORD count = ReadWord(v + 2);
    size_t lengths = 4, text = 4 + size_t(count) * 2;
    if (text > len) return false;
    for (WORD i = 0; i < count; ++i) {
        const WORD n = ReadWord(v + lengths + 2 * i);
        if (text + n > len) return false;
        out.emplace_back(reinterpret_cast<const char*>(v + text), n);
        text += n;
    }
    return true;
}

std::string NumberText(double d) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", d);
    return buf;
}

std::string TimeText(const TIMEDATE& td) {
    std::string s;
    return TimeDateText(td, nullptr, s) ? s : std::string();
}

// The text Notes makes of a value; false for types it does not convert.
bool ValueText(const BYTE* v, size_t len, char sep, std::string& out) {
    if (len < 2) return false;
    const WORD type = ReadWord(v);
    const std::string sepText(1, sep);
    out.clear();
    auto rangeAt = [&](size_t itemSize, auto single, auto pair) {
        if (len < 6) return false;
        const WORD list = ReadWord(v + 2), ranges = ReadWord(v + 4);
        if (6 + size_t(list) * itemSize + size_t(ranges) * 2 * itemSize > len) return false;
        const BYTE* p = v + 6;
        for (WORD i = 0; i < list; ++i, p += itemSize) out += (out.empty() ? "" : sepText) + single(p);
        for (WORD i = 0; i < ranges; ++i, p += 2 * itemSize)
            out += (out.empty() ? "" : sepText) + pair(p, p + itemSize);
        return true;
    };
    auto number = [](const BYTE* p) {
        double d;
        std::memcpy(&d, p, 8);
        return NumberText(d);
    };
    auto time = [](const BYTE* p) {
        TIMEDATE td;
        std::memcpy(&td, p, 8);
        return TimeText(td);
    };
    switch (type) {
        case TYPE_TEXT: out.assign(reinterpret_cast<const char*>(v + 2), len - 2); return true;
        case TYPE_TEXT_LIST: {
            std::vector<std::string> entries;
            if (!TextListEntries(v, len, entries)) return false;
            for (size_t i = 0; i < entries.size(); ++i) out += (i ? sepText : "") + entries[i];
            return true;
        }
        case TYPE_NUMBER:
            if (len < 10) return false;
            out = number(v + 2);
            return true;
        case TYPE_TIME:
            if (len < 10) return false;
            out = time(v + 2);
            return true;
        case TYPE_NUMBER_RANGE:
            return rangeAt(8, number, [&](const BYTE* a, const BYTE* b) { return number(a) + " - " + number(b); });
        case TYPE_TIME_RANGE:
            return rangeAt(8, time, [&](const BYTE* a, const BYTE* b) { return time(a) + " - " + time(b); });
        case TYPE_RFC822_TEXT: {
            // A 14-byte descriptor (version, flags, then the lengths of the native text, the
            // header name, its delimiter and the raw header body), then the native text.
            constexpr size_t kDescriptor = 14;
            if (len < 2 + kDescriptor) return false;
            const size_t native = ReadWord(v + 2 + 6);
            if (2 + kDescriptor + native > len) return false;
            out.assign(reinterpret_cast<const char*>(v + 2 + kDescriptor), native);
            return true;
        }
        default: return false;
    }
}

// The first item of that name in the open note, or null.
const Item* FindItem(OpenNote& note, const char* name) { return name ? note.copy.Find(name) : nullptr; }

void ReportItem(OpenNote& note, size_t index, BLOCKID* retItem, WORD* retType, BLOCKID* retValue, DWORD* retLength) {
    const Item& item = note.copy.items[index];
    const DHANDLE pool = note.pools[index];
    if (retItem) *retItem = BLOCKID{pool, 0};
    if (retType) *retType = item.Type();
    if (retValue) *retValue = BLOCKID{pool, static_cast<BLOCK>(kItemHeaderSize + item.name.size())};
    if (retLength) *retLength = static_cast<DWORD>(item.value.size());
}

STATUS FindFrom(OpenNote& note, size_t start, const char* Name, WORD NameLength, BLOCKID* retbhItem, WORD* retDataType,
                BLOCKID* retbhValue, DWORD* retValueLength) {
    const std::string name = Name ? std::string(Name, strnlen(Name, NameLength)) : std::string();
    for (size_t i = start; i < note.copy.items.size(); ++i) {
        if (Name && !NamesEqual(note.copy.items[i].name, name)) continue;
        ReportItem(note, i, retbhItem, retDataType, retbhValue, retValueLength);
        return NOERROR;
    }
    if (retDataType) *retDataType = TYPE_INVALID_OR_UNKNOWN;
    return ERR_ITEM_NOT_FOUND;
}

// Copies at most `limit` bytes and a terminator; NULs inside text read as line feeds.
// The text as stored, its line ends NUL characters: "The retrieved text may contain embedded
// null ('\0') characters. Notes uses null characters (a char with value zero) to designate
// newlines" (HCL C API reference, NSFItemGetText). Text list entries are copied as stored too
// (NSFItemGetTextListEntry "returns the entry text in the buffer provided").
WORD CopyText(const std::string& text, char* out, size_t limit) {
    const size_t n = std::min(text.size(), limit);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return static_cast<WORD>(n);
}

}  // namespace

NOTESAPI_FN STATUS LNPUBLIC NSFItemInfo(NOTEHANDLE hNote, const char* Name, WORD NameLength, BLOCKID* retbhItem,
                                        WORD* retDataType, BLOCKID* retbhValue, DWORD* retValueLength) {
    SIM_ENTER_STATUS(NSFItemInfo, NoteIdOf(hNote), ItemArg(Name, NameLength));
    OpenNote* note = LookupNote(hNote, "NSFItemInfo");
    if (!note) return ERR_SIM_INVALID_HANDLE;
    return FindFrom(*note, 0, Name, NameLength, retbhItem, retDataType, retbhValue, retValueLength);
}

NOTESAPI_FN STATUS LNPUBLIC NSFItemInfoNext(NOTEHANDLE hNote, BLOCKID NextItem, const char* Name, WORD NameLength,
                                            BLOCKID* retbhItem, WORD* retDataType, BLOCKID* retbhValue,
                                            DWORD* retValueLength) {
    SIM_ENTER_STATUS(NSFItemInfoNext, NoteIdOf(hNote), ItemArg(Name, NameLength));
    OpenNote* note = LookupNote(hNote, "NSFItemInfoNext");
    if (!note) return ERR_SIM_INVALID_HANDLE;
    const int index = ItemIndexOf(hNote, NextItem, "NSFItemInfoNext");
    if (index < 0) return ERR_SIM_BAD_ARGUMENT;
    return FindFrom(*note, size_t(index) + 1, Name, NameLength, retbhItem, retDataType, retbhValue, retValueLength);
}

// Text items give their text; a text list its first entry; numbers and times their text.
// At most BufferLength - 1 bytes are copied and terminated.
NOTESAPI_FN WORD LNPUBLIC NSFItemGetText(NOTEHANDLE hNote, const char* ItemName, char* retBuffer, WORD BufferLength) {
    SIM_ENTER_OR(NSFItemGetText, 0, NoteIdOf(hNote), ItemArg(ItemName));
    OpenNote* note = LookupNote(hNote, "NSFItemGetText");
    if (!note || !retBuffer || BufferLength == 0) return 0;
    retBuffer[0] = '\0';
    const Item* item = FindItem(*note, ItemName);
    if (!item) return 0;
    std::string text;
    if (item->Type() == TYPE_TEXT_LIST) {
        std::vector<std::string> entries;
        if (!TextListEntries(item->value.data(), item->value.size(), entries) || entries.empty()) return 0;
        text = entries[0];
    } else if (!ValueText(item->value.data(), item->value.size(), ';', text)) {
        return 0;
    }
    return CopyText(text, retBuffer, BufferLength - 1u);
}

NOTESAPI_FN WORD LNPUBLIC NSFItemGetTextListEntries(NOTEHANDLE hNote, const char* ItemName) {
    SIM_ENTER_OR(NSFItemGetTextListEntries, 0, NoteIdOf(hNote), ItemArg(ItemName));
    OpenNote* note = LookupNote(hNote, "NSFItemGetTextListEntries");
    if (!note) return 0;
    const Item* item = FindItem(*note, ItemName);
    if (!item) return 0;
    if (item->Type() == TYPE_TEXT) return 1;
    std::vector<std::string> entries;
    if (item->Type() != TYPE_TEXT_LIST || !TextListEntries(item->value.data(), item->value.size(), entries)) return 0;
    return static_cast<WORD>(entries.size());
}

// BufferLength is the buffer's size less one: up to BufferLength bytes and a terminator.
NOTESAPI_FN WORD LNPUBLIC NSFItemGetTextListEntry(NOTEHANDLE hNote, const char* ItemName, WORD EntryPos,
                                                  char* retBuffer, WORD BufferLength) {
    SIM_ENTER_OR(NSFItemGetTextListEntry, 0, NoteIdOf(hNote), ItemArg(ItemName));
    OpenNote* note = LookupNote(hNote, "NSFItemGetTextListEntry");
    if (!note || !retBuffer) return 0;
    retBuffer[0] = '\0';
    const Item* item = FindItem(*note, ItemName);
    if (!item) return 0;
    std::vector<std::string> entries;
    if (item->Type() == TYPE_TEXT)
        entries.emplace_back(item->value.begin() + 2, item->value.end());
    else if (item->Type() != TYPE_TEXT_LIST || !TextListEntries(item->value.data(), item->value.size(), entries))
        return 0;
    if (EntryPos >= entries.size()) return 0;
    return CopyText(entries[EntryPos], retBuffer, BufferLength);
}

NOTESAPI_FN BOOL LNPUBLIC NSFItemGetTime(NOTEHANDLE hNote, const char* ItemName, TIMEDATE* retTime) {
    SIM_ENTER_OR(NSFItemGetTime, FALSE, NoteIdOf(hNote), ItemArg(ItemName));
    OpenNote* note = LookupNote(hNote, "NSFItemGetTime");
    if (!note || !retTime) return FALSE;
    const Item* item = FindItem(*note, ItemName);
    if (!item) return FALSE;
    const Bytes& v = item->value;
    if (item->Type() == TYPE_TIME && v.size() >= 10) {
        std::memcpy(retTime, v.data() + 2, 8);
        return TRUE;
    }
    if (item->Type() == TYPE_TIME_RANGE && v.size() >= 14) {
        const WORD list = ReadWord(v.data() + 2), ranges = ReadWord(v.data() + 4);
        if ((list || ranges) && v.size() >= 14) {
            std::memcpy(retTime, v.data() + 6, 8);  // the first value, or the first range's start
            return TRUE;
        }
    }
    return FALSE;
}

// ValueLength includes the type word. At most BufferLength - 1 bytes and a terminator;
// NULs stay as they are (multi-line text).
NOTESAPI_FN WORD LNPUBLIC NSFItemConvertValueToText(WORD ValueDataType, BLOCKID bhValue, DWORD ValueLength,
                                                    char* retBuffer, WORD BufferLength, char SeparatorChar) {
    SIM_ENTER_OR(NSFItemConvertValueToText, 0);
    if (!retBuffer || BufferLength == 0) return 0;
    retBuffer[0] = '\0';
    const BYTE* v = ResolveBlock(bhValue, ValueLength, "NSFItemConvertValueToText");
    if (!v || ValueLength < 2) return 0;
    if (ReadWord(v) != ValueDataType)
        Violation("NSFItemConvertValueToText: type " + Hex(ValueDataType) + " given for a value of type " +
                  Hex(ReadWord(v)));
    std::string text;
    if (!ValueText(v, ValueLength, SeparatorChar ? SeparatorChar : ';', text)) return 0;
    const size_t n = std::min<size_t>(text.size(), BufferLength - 1u);
    std::memcpy(retBuffer, text.data(), n);
    retBuffer[n] = '\0';
    return static_cast<WORD>(n);
}

// Each record goes to the action routine with its header; BSIG records report their
// signature byte only. Records start at even offsets.
NOTESAPI_FN STATUS LNPUBLIC EnumCompositeBuffer(BLOCKID ItemValue, DWORD ItemValueLength,
                                                ActionRoutinePtr ActionRoutine, void* vContext) {
    SIM_ENTER_STATUS(EnumCompositeBuffer);
    if (!ActionRoutine) return ERR_SIM_BAD_ARGUMENT;
    const BYTE* v = ResolveBlock(ItemValue, ItemValueLength, "EnumCompositeBuffer");
    if (!v) return ERR_SIM_BAD_ARGUMENT;
    if (ItemValueLength < 2 || ReadWord(v) != TYPE_COMPOSITE) return ERR_DATATYPE;
    DWORD pos = 2;
    while (pos + 2 <= ItemValueLength) {
        const BYTE* rec = v + pos;
        WORD type;
        DWORD length, header;
        if (rec[1] == 0xFF) {  // WSIG
            if (pos + 4 > ItemValueLength) break;
            type = ReadWord(rec);
            length = ReadWord(rec + 2);
            header = 4;
        } else if (rec[1] == 0x00) {  // LSIG
            if (pos + 6 > ItemValueLength) break;
            type = ReadWord(rec);
            length = ReadDword(rec + 2);
            header = 6;
        } else {  // BSIG: the high byte is the length
            type = rec[0];
            length = rec[1];
            header = 2;
        }
        // A record must fit in what is left of the value; compared without adding, so that a
        // length near 4 GB cannot wrap round and restart the walk.
        if (length != 0 && (length < header || length > ItemValueLength - pos)) return ERR_DATATYPE;
        const STATUS s =
            ActionRoutine(reinterpret_cast<char*>(const_cast<BYTE*>(rec)), type, length ? length : header, vContext);
        if (s != NOERROR) return s;
        pos += length ? length : header;
        pos += pos & 1;
    }
    // Both are success returns (HCL C API reference, EnumCompositeBuffer: "NOERROR - Composite
    // Data successfully enumerated", "ERR_ODS_ENUM_COMPLETE - upon successful enumeration of all
    // Composite Data (CD) records in the buffer"); which one is the stand-in's switch.
    return State().compositeWalkEnd;
}
