#include "render/DocumentRecord.h"

#include <cstdio>

#include "notes/FieldReadError.h"
#include "notes/ItemText.h"
#include "notes/NotesDocument.h"
#include "render/FieldText.h"

namespace stowline {

namespace {
// Reads the fields in the order the progress line and the page need them; the first field that
// cannot be read ends the reading, as the document will not be archived.
void ReadFields(NOTEHANDLE note, DocumentRecord& record) {
    record.subject = GetFieldText(note, "Subject", ';');
    record.from = GetFieldNames(note, "From", ", ");
    const TIMEDATE time = GetDocumentTimeDate(note);
    record.dateText = DateTextOf(time);
    record.time = LocalTimeOf(time);
    record.sendTo = GetFieldNames(note, "SendTo", ", ");
    record.copyTo = GetFieldNames(note, "CopyTo", ", ");
    record.blindCopyTo = GetFieldNames(note, "BlindCopyTo", ", ");
    record.body = GetFieldText(note, "Body", ';');
    record.unid = GetUNID(note);
}
}  // namespace

DocumentRecord ReadDocumentRecord(const NotesDocument& document) {
    DocumentRecord record;
    record.undecrypted = document.isEncrypted && !document.isDecrypted;
    try {
        ReadFields(document.note, record);
    } catch (const FieldReadError& e) {
        if (e.fatal) throw;
        record.readFailure = e.what();
        return record;
    }
    record.attachments = SurveyAttachments(document.note);
    return record;
}

std::optional<platform::LocalTime> DocumentRecord::Date() const {
    if (!time) return std::nullopt;
    return platform::LocalTime{time->year, time->month, time->day, time->hour, time->minute, time->second};
}

std::string DocumentRecord::SortKey() const {
    if (!time) return "";
    char key[32];
    std::snprintf(key, sizeof key, "%04d-%02d-%02d %02d:%02d:%02d", time->year, time->month, time->day, time->hour,
                  time->minute, time->second);
    return key;
}

std::string DocumentRecord::FormatTime(const std::string& pattern) const {
    if (!time) return "(Failed to Get Time)";
    std::string text;
    char field[16];
    for (char letter : pattern) {
        int number;
        const char* format = "%02d";
        switch (letter) {
            case 'y':
                number = time->year;
                format = "%04d";
                break;
            case 'm': number = time->month; break;
            case 'd': number = time->day; break;
            case 'h': number = time->hour; break;
            case 'n': number = time->minute; break;
            case 's': number = time->second; break;
            default: text += letter; continue;
        }
        std::snprintf(field, sizeof field, format, number);
        text += field;
    }
    return text;
}

}  // namespace stowline
