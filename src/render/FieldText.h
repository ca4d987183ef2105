// What a document's fields become in names and pages: sender and recipient names in short
// form, the document's date (as Notes text and as local broken-down time) and its universal
// ID, read from the open note handed in (DocumentRecord reads them all once).
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

// DeliveredDate, else PostedDate, else the note's creation time. A date item that is there but
// cannot be read throws FieldReadError (notes/FieldReadError.h), as does an ID that cannot be.
TIMEDATE GetDocumentTimeDate(NOTEHANDLE note);
// The time as local broken-down time; none when it cannot be converted.
std::optional<TIME> LocalTimeOf(const TIMEDATE& time);
// Notes date-and-time text; empty for a value that holds no valid time or date. Throws
// FieldReadError when a valid value fails to convert.
std::string DateTextOf(const TIMEDATE& time);
// 32 upper-case hexadecimal digits; throws FieldReadError when the note's ID cannot be read.
std::string GetUNID(NOTEHANDLE note);

}  // namespace stowline
