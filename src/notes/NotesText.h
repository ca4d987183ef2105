// Notes status texts, the translation between Notes text (LMBCS) and native 8-bit text, and
// the texts of Notes times and universal IDs.
#pragma once

#include <cstddef>
#include <string>

#include <notesapi/notesapi.h>

namespace stowline {

// The text Notes gives for a status (its code is the status masked with ERR_MASK), native.
std::string NotesErrorText(STATUS status);

// LMBCS bytes to native text; the output has room for two bytes per input byte, at most
// `limit` bytes (0: as many as a 16-bit length allows). The input is cut at 65535 bytes.
std::string FromNotesText(const char* lmbcs, std::size_t length, std::size_t limit = 0);
std::string FromNotesText(const std::string& lmbcs, std::size_t limit = 0);

// Native text to LMBCS, with room for three bytes per input byte, at most `limit` bytes
// (0: as many as a 16-bit length allows).
std::string ToNotesText(const std::string& native, std::size_t limit = 0);

// A time as Notes writes it in its default date-and-time format, native; false when the
// conversion fails.
bool TimeDateText(const TIMEDATE& time, std::string& text);

// A universal ID as 32 upper-case hexadecimal digits.
std::string UnidText(const UNID& unid);

}  // namespace stowline
