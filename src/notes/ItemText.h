// A note's item read as native text, whatever its type: text and text lists (entries joined
// by the separator), rich text (its runs, a line feed per paragraph, over every item of the
// name), a signature ("Signed by <who> on <when>"), a note-reference list (the first UNID) and
// every other type as Notes converts it. An absent field gives the empty text; a field that is
// there but cannot be read is an error, never taken for an empty one.
#pragma once

#include <string>

#include <notesapi/notesapi.h>

namespace stowline {

// When reading the items raises an exception, throws a fatal FieldReadError
// (notes/FieldReadError.h) "GetFieldText Error at field <name>: <stage>". When a Notes call
// fails on an item that is there, throws a FieldReadError that is not fatal.
std::string GetFieldText(NOTEHANDLE note, const std::string& name, char separator);

// Marks an open note as sealed and not decrypted, or forgets the mark before it is closed. Its
// sealed items hold nothing readable, so a rich-text item of it that cannot be walked reads as
// empty instead of failing (such a document is never deleted).
void SetUndecrypted(NOTEHANDLE note, bool undecrypted);

}  // namespace stowline
