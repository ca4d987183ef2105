// One document of a database file, opened as the add-in opens it, for the commands that show
// what the add-in would read from it before anything is archived.
#pragma once

#include <functional>
#include <string>

#include "notes/NotesDocument.h"

namespace stowline::cli {

// Loads `dbFile`, opens note `noteIdText` (hex) into a NotesDocument and calls `use` with it and
// the names of its items (native text, each once, in stored order). Answers `use`'s exit
// status, or 1 after printing why the document could not be opened.
int WithDocument(const std::string& command, const std::string& dbFile, const std::string& noteIdText,
                 const std::function<int(NotesDocument&, const std::vector<std::string>&)>& use);

// Command-line text (UTF-8) as the add-in's native text, and back.
std::string NativeFromUtf8(const std::string& utf8);
std::string Utf8FromNative(const std::string& native);

}  // namespace stowline::cli
