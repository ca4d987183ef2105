// A note's item read as native text, whatever its type: text and text lists (entries joined
// by the separator), rich text (its runs, a line feed per paragraph, over every item of the
// name), a signature ("Signed by <who> on <when>"), a note-reference list (the first UNID) and
// every other type as Notes converts it. An absent field gives the empty text.
#pragma once

#include <string>

#include <notesapi/notesapi.h>

namespace stowline {

// When reading the items raises an exception, shows "GetFieldText Error at field <name>:
// <stage>" and throws FieldReadError (notes/FieldReadError.h) with that text.
std::string GetFieldText(NOTEHANDLE note, const std::string& name, char separator);

}  // namespace stowline
