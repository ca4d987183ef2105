// What a document's fields become in names and pages: sender and recipient names in short
// form, the document's date (as Notes text, as local broken-down time and by a letter
// pattern) and its universal ID, all read from the open note handed in.
#pragma once

#include <optional>
#include <string>

#include <notesapi/notesapi.h>

#include "platform/Platform.h"

namespace stowline {

// "CN=Ann Lee/OU=Sales/O=Corp" → "Ann Lee/Sales/Corp"; names not beginning with exactly
// "CN=" are returned unchanged.
std::string AbbreviateName(const std::string& name);

// The entries of the field `name`, each abbreviated, joined by `separator`. Throws
// FieldReadError as GetFieldText does.
std::string GetFieldNames(NOTEHANDLE note, const std::string& name, const std::string& separator);

// DeliveredDate, else PostedDate, else the creation time, as local broken-down time. A date
// item that is there but cannot be read throws FieldReadError (notes/FieldReadError.h).
bool GetDocumentTime(NOTEHANDLE note, TIME& time);
// The same as a calendar value; empty when the time cannot be converted.
std::optional<platform::LocalTime> GetDocumentDate(NOTEHANDLE note);
// Notes date-and-time text; empty for a value that holds no valid time or date. Throws
// FieldReadError when the date item cannot be read or a valid value fails to convert.
std::string GetDateText(NOTEHANDLE note);
// y m d h n s replaced by the time's fields; "(Failed to Get Time)" on failure.
std::string FormatDocumentTime(NOTEHANDLE note, const std::string& pattern);
// 32 upper-case hexadecimal digits; throws FieldReadError when the note's ID cannot be read.
std::string GetUNID(NOTEHANDLE note);

}  // namespace stowline
