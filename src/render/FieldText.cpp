#include "render/FieldText.h"

#include <cstdio>

#include "notes/ItemText.h"
#include "notes/NotesText.h"

namespace stowline {

namespace {
void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// DeliveredDate, else PostedDate, else the note's creation time.
TIMEDATE DocumentTimedate(NOTEHANDLE note) {
    TIMEDATE time{};
    if (NSFItemGetTime(note, "DeliveredDate", &time)) return time;
    if (NSFItemGetTime(note, "PostedDate", &time)) return time;
    ORIGINATORID oid{};
    NSFNoteGetInfo(note, _NOTE_OID, &oid);
    return oid.Note;
}
}  // namespace

std::string AbbreviateName(const std::string& name) {
    if (name.compare(0, 3, "CN=") != 0) return name;
    std::string shortName = name.substr(3);
    ReplaceAll(shortName, "/OU=", "/");
    ReplaceAll(shortName, "/O=", "/");
    ReplaceAll(shortName, "/C=", "/");
    return shortName;
}

std::string GetFieldNames(NOTEHANDLE note, const std::string& name, const std::string& separator) {
    const std::string text = GetFieldText(note, name, '\x01');
    std::string names;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find('\x01', start);
        std::string piece = AbbreviateName(text.substr(start, end == std::string::npos ? end : end - start));
        if (!names.empty()) names += separator;
        names += piece;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return names;
}

bool GetDocumentTime(NOTEHANDLE note, TIME& time) {
    time = TIME{};
    OSCurrentTimeZone(&time.zone, &time.dst);
    time.GM = DocumentTimedate(note);
    return TimeGMToLocal(&time) == FALSE;  // FALSE is success
}

std::optional<platform::LocalTime> GetDocumentDate(NOTEHANDLE note) {
    TIME time;
    if (!GetDocumentTime(note, time)) return std::nullopt;
    return platform::LocalTime{time.year, time.month, time.day, time.hour, time.minute, time.second};
}

std::string GetDateText(NOTEHANDLE note) {
    std::string text;
    TimeDateText(DocumentTimedate(note), text);
    return text;
}

std::string FormatDocumentTime(NOTEHANDLE note, const std::string& pattern) {
    TIME time;
    if (!GetDocumentTime(note, time)) return "(Failed to Get Time)";
    std::string text;
    char field[16];
    for (char letter : pattern) {
        int number;
        const char* format = "%02d";
        switch (letter) {
            case 'y': number = time.year; format = "%04d"; break;
            case 'm': number = time.month; break;
            case 'd': number = time.day; break;
            case 'h': number = time.hour; break;
            case 'n': number = time.minute; break;
            case 's': number = time.second; break;
            default: text += letter; continue;
        }
        std::snprintf(field, sizeof field, format, number);
        text += field;
    }
    return text;
}

std::string GetUNID(NOTEHANDLE note) {
    ORIGINATORID oid{};
    NSFNoteGetInfo(note, _NOTE_OID, &oid);
    return UnidText(UNID{oid.File, oid.Note});
}

}  // namespace stowline
