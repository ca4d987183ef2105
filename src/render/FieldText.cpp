#include "render/FieldText.h"

#include <cstdio>
#include <cstring>

#include "notes/FieldReadError.h"
#include "notes/ItemText.h"
#include "notes/NotesText.h"

namespace stowline {

namespace {
void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// The time of the item `name`; false when it holds none. A time item that is there but cannot
// be read throws FieldReadError: the next date in line would stand in for it unnoticed.
bool ItemTime(NOTEHANDLE note, const char* name, TIMEDATE& time) {
    if (NSFItemGetTime(note, name, &time)) return true;
    BLOCKID item{}, value{};
    WORD type = 0;
    DWORD length = 0;
    const STATUS status = NSFItemInfo(note, name, static_cast<WORD>(std::strlen(name)), &item, &type, &value, &length);
    if (status == NOERROR ? type != TYPE_TIME : ERR(status) == ERR_ITEM_NOT_FOUND) return false;
    throw FieldReadError(std::string("The field \"") + name + "\" could not be read.", false);
}

// A time of day in hundredths below a day's length (or none), and a day number (or none).
bool IsWellFormed(const TIMEDATE& time) {
    constexpr DWORD kDayNumber = 0x00FFFFFF;
    return (time.Innards[0] == ALLDAY || time.Innards[0] < DWORD(TICKS_IN_DAY)) &&
           (time.Innards[1] == ANYDAY || (time.Innards[1] & kDayNumber) != 0);
}

// The note's originator ID. The call reports no failure; one that wrote nothing leaves the
// filling in place, which no note's ID matches (its sequence number alone would be 4 billion).
ORIGINATORID NoteOid(NOTEHANDLE note) {
    ORIGINATORID oid;
    std::memset(&oid, 0xFF, sizeof oid);
    NSFNoteGetInfo(note, _NOTE_OID, &oid);
    ORIGINATORID unwritten;
    std::memset(&unwritten, 0xFF, sizeof unwritten);
    if (std::memcmp(&oid, &unwritten, sizeof oid) == 0)
        throw FieldReadError("The universal ID of the document could not be read.", false);
    return oid;
}

// DeliveredDate, else PostedDate, else the note's creation time.
TIMEDATE DocumentTimedate(NOTEHANDLE note) {
    TIMEDATE time{};
    if (ItemTime(note, "DeliveredDate", time)) return time;
    if (ItemTime(note, "PostedDate", time)) return time;
    return NoteOid(note).Note;
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

TIMEDATE GetDocumentTimeDate(NOTEHANDLE note) { return DocumentTimedate(note); }

std::optional<TIME> LocalTimeOf(const TIMEDATE& timedate) {
    TIME time{};
    OSCurrentTimeZone(&time.zone, &time.dst);
    time.GM = timedate;
    if (TimeGMToLocal(&time) != FALSE) return std::nullopt;  // FALSE is success
    return time;
}

std::string DateTextOf(const TIMEDATE& time) {
    std::string text;
    // A value that holds no date Notes can show gives no text; a date that fails to convert
    // would leave the page without it.
    if (!TimeDateText(time, text) && IsWellFormed(time))
        throw FieldReadError("The date of the document could not be read.", false);
    return text;
}

std::string GetUNID(NOTEHANDLE note) {
    const ORIGINATORID oid = NoteOid(note);
    return UnidText(UNID{oid.File, oid.Note});
}

}  // namespace stowline
