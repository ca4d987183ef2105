// Everything the archive writes of one document, read from its open note once: the names, the
// subject and body, the universal ID, the date (as Notes text and as local time), the survey of
// its attachments and whether it stayed sealed. The page, the index entry, the progress line
// and the naming formulas render from it; it is the one place that knows what a document holds.
#pragma once

#include <optional>
#include <string>

#include <notesapi/notesapi.h>

#include "notes/AttachmentSurvey.h"
#include "platform/Platform.h"

namespace stowline {

class NotesDocument;

struct DocumentRecord {
    // Names in short form ("Ann Lee/Sales/Corp"), the entries joined by ", ".
    std::string from, sendTo, copyTo, blindCopyTo;
    std::string subject;       // text list entries joined by ';'
    std::string body;          // rich text: a line feed per paragraph
    std::string unid;          // 32 upper-case hexadecimal digits
    std::string dateText;      // Notes date-and-time text; empty for a value that holds no date
    std::optional<TIME> time;  // the date as local broken-down time; none when it cannot be converted
    AttachmentSurvey attachments;
    bool undecrypted = false;  // sealed, and the user's ID could not decrypt it
    // Why a field that is there could not be read (the first such field); empty when every field
    // was. A page without it would lack what the mail holds.
    std::string readFailure;

    // The date as a calendar value, for the files' times; none without a local time.
    std::optional<platform::LocalTime> Date() const;
    // "YYYY-MM-DD hh:mm:ss", by which the index sorts; empty without a local time.
    std::string SortKey() const;
    // y m d h n s of `pattern` replaced by the time's fields; "(Failed to Get Time)" without one.
    std::string FormatTime(const std::string& pattern) const;
};

// Reads the record of the open document. A field that cannot be read is recorded in
// `readFailure`; only a fatal read (FieldReadError with `fatal`) is thrown, which stops the run.
DocumentRecord ReadDocumentRecord(const NotesDocument& document);

}  // namespace stowline
